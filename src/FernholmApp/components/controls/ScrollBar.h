#pragma once

#include <QScrollBar>

namespace fernholm {

// A slim scroll bar painted from the theme: no track, a capsule thumb in Theme::faint that
// darkens while hovered or dragged. Scrolling, clicking and dragging are the platform's; only the
// drawing differs. The scroll areas of the design system (Page, FirstRunFrame) use it:
//
//     area->setVerticalScrollBar(new ScrollBar(Qt::Vertical));
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // Room left free at both ends of the track (the thumb's travel shrinks to fit), e.g. to keep
    // the thumb off the rounded corners of the panel around the scroll area. 2 by default.
    qreal endInset() const { return m_endInset; }
    void setEndInset(qreal inset);

    // The thumb's rectangle as painted (empty when there is nothing to scroll).
    QRectF thumbRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_hovered = false;
    qreal m_endInset = 2;
};

} // namespace fernholm

#pragma once

#include <QAbstractButton>

namespace fernholm {

// The capsule buttons of the workbench's dark result card: a symbol and a title on one line.
//
//   dark       the card's own controls (reset, copy): 30 high, white at 10 % under the label in
//              Theme::onFeature; half transparent while disabled
//   selection  the offer to hide the selected text: Theme::onFeature under Theme::inverseInk, as
//              high as its line plus 6 above and below; the title is cut in the middle when the
//              pill is given less than its width
//
// The title is shown verbatim (translate first) and is the accessible name. The whole capsule
// takes the click; clicked() is the action.
class WorkbenchPill : public QAbstractButton {
    Q_OBJECT
public:
    enum class Look { dark, selection };

    WorkbenchPill(Look look, const QString& symbol, const QString& title, QWidget* parent = nullptr);

    Look look() const { return m_look; }
    QString symbol() const { return m_symbol; }
    QString title() const { return m_title; }
    void setTitle(const QString& title);

    // The title as drawn at the current width.
    QString shownTitle() const;
    // The opacity of the whole pill: 0.5 disabled, 0.75 pressed, else 1.
    qreal drawnOpacity() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QFont titleFont() const;
    qreal titleRoom() const;

    Look m_look;
    QString m_symbol;
    QString m_title;
};

} // namespace fernholm

#pragma once

#include <QLayout>
#include <QList>

namespace fernholm {

// The row of an alert card or strip: a leading mark (icon, dot or symbol), the texts, a spacer
// of `gap` (unless turned off), the action buttons at their natural size and a trailing widget (the snooze
// cross), `spacing` apart, the texts taking what is left. Items are aligned at the top or
// centred in the row's height.
//
// When the texts would get less than the minimum text width, the buttons move to a row of their
// own under the texts (at the texts' leading edge, `stackGap` below them) and the texts take the
// row up to the trailing widget, so that a narrow window or a long translation never squeezes the
// texts into a column of single words. Height for width; hidden items take no room.
class AlertRowLayout : public QLayout {
    Q_OBJECT
public:
    enum class RowAlignment { top, centre };

    explicit AlertRowLayout(QWidget* parent = nullptr);
    ~AlertRowLayout() override;

    void setLead(QWidget* widget);
    void setTexts(QWidget* widget);
    void addButton(QWidget* widget);
    void setTrailing(QWidget* widget);

    int spacing() const override { return m_spacing; }
    void setSpacing(int spacing) override;
    // The spacer after the texts, itself `gap` wide with `spacing` on either side.
    void setGap(int gap);
    void setSpacer(bool spacer);
    void setStackGap(int gap);
    void setRowAlignment(RowAlignment alignment);
    int minimumTextWidth() const { return m_minimumTextWidth; }
    void setMinimumTextWidth(int width);

    // Whether the buttons sit under the texts at `width` (margins included).
    bool stacksAt(int width) const;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    void invalidate() override;

private:
    QLayoutItem* add(QWidget* widget);
    int spacerWidth() const;
    int arrange(const QRect& area, bool apply) const;

    QList<QLayoutItem*> m_items;
    QLayoutItem* m_lead = nullptr;
    QLayoutItem* m_texts = nullptr;
    QList<QLayoutItem*> m_buttons;
    QLayoutItem* m_trailing = nullptr;
    int m_spacing = 12;
    int m_gap = 8;
    bool m_spacer = true;
    int m_stackGap = 12;
    int m_minimumTextWidth = 200;
    RowAlignment m_alignment = RowAlignment::top;
    mutable int m_cachedWidth = -1;
    mutable int m_cachedHeight = 0;
};

} // namespace fernholm

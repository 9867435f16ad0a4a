#pragma once

#include <QLayout>
#include <QList>

namespace fernholm {

// Two cards side by side: equal widths, `spacing` apart, top-aligned, both as tall as the taller
// one needs at that width (its height for width, or its size hint, and never below its minimum).
// The pair is as tall as that; a taller area stretches both alike.
//
//     auto* pair = new CardPairLayout(16, row);
//     pair->addWidget(promptCard);
//     pair->addWidget(resultCard);
//
// An odd pixel left over by the halving goes to neither card: it widens nothing and moves the
// second card by nothing, so both stay exactly as wide. Only the first two items are laid out.
class CardPairLayout : public QLayout {
    Q_OBJECT
public:
    explicit CardPairLayout(int spacing, QWidget* parent = nullptr);
    ~CardPairLayout() override;

    // The width of each card in an area `width` wide (margins included).
    int cardWidth(int width) const;

    int spacing() const override { return m_spacing; }
    void setSpacing(int spacing) override;

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

private:
    QList<QLayoutItem*> m_items;
    int m_spacing = 0;
};

} // namespace fernholm

#pragma once

#include <QLayout>
#include <QList>
#include <QSizeF>

#include <optional>

namespace fernholm {

// A layout that wraps its children into rows like words in a paragraph (chips, pills, small
// buttons). Every child keeps its size hint; rows are filled from the leading edge, top-aligned,
// neither centred nor justified, with `spacing` between the items of a row and between rows.
//
// A child starts a new row only when the row already has one and x + spacing + its width is
// greater than the width W (so children that exactly fill W stay together); a child wider than W
// sits alone in its row, narrowed to W as far as its minimum size lets it (beyond that it
// overflows). Without a width (sizeHint) everything is one row. Hidden
// children take no room. The layout has a height for its width, so a flow inside a Card or a Page
// grows by rows as the window narrows:
//
//     auto* chips = new FlowLayout(8);
//     for (const QString& token : tokens)
//         chips->addWidget(new TokenChip(token, 11));
//     card->body()->addLayout(chips);
class FlowLayout : public QLayout {
    Q_OBJECT
public:
    explicit FlowLayout(qreal spacing = 8, QWidget* parent = nullptr);
    ~FlowLayout() override;

    qreal flowSpacing() const { return m_spacing; }
    void setFlowSpacing(qreal spacing);
    int spacing() const override;
    void setSpacing(int spacing) override;

    // One row of the arrangement: the children's positions in it, its top, width and height.
    struct Row {
        QList<int> indices;
        qreal y = 0;
        qreal width = 0;
        qreal height = 0;
        bool operator==(const Row&) const = default;
    };
    // Rows of items of `sizes` in a width (unbounded without one).
    static QList<Row> arrange(const QList<QSizeF>& sizes, qreal spacing, std::optional<qreal> width);
    // The size for a proposed width, margins left out: that width (the widest row without one)
    // by the rows' height (0 x 0 without children).
    QSizeF sizeThatFits(std::optional<qreal> width) const;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;

private:
    // The visible items and their sizes.
    QList<QLayoutItem*> shown() const;
    static QList<QSizeF> sizesOf(const QList<QLayoutItem*>& items, std::optional<qreal> width = std::nullopt);

    QList<QLayoutItem*> m_items;
    qreal m_spacing;
};

} // namespace fernholm

#pragma once

#include <QLayout>
#include <QList>
#include <QRect>

namespace fernholm {

// The head row of a workbench card: a leading caption and trailing items (pills, a count).
//
// When everything fits on one line, the caption sits at the leading edge and the trailing items
// at the far edge, `spacing` apart, all centred on a line at least minimumRowHeight high. When
// the width is too small for that, the caption takes the first line (again at least
// minimumRowHeight, centred) and the trailing items wrap onto the lines below it from the leading
// edge, `spacing` apart in both directions, so that a narrow card never cuts or overlaps them. Hidden items take no room; one hidden with
// QSizePolicy::setRetainSizeWhenHidden keeps its place.
//
//     auto* row = new CardHeaderLayout(8, 30);
//     row->setLeading(label);
//     row->addTrailing(resetPill);
//     row->addTrailing(copyPill);
class CardHeaderLayout : public QLayout {
    Q_OBJECT
public:
    explicit CardHeaderLayout(int spacing, int minimumRowHeight = 0, QWidget* parent = nullptr);
    ~CardHeaderLayout() override;

    void setLeading(QWidget* widget);
    void addTrailing(QWidget* widget);

    // Whether the items stand on one line at `width` (margins included).
    bool fitsOneLine(int width) const;

    int spacing() const override { return m_spacing; }
    void setSpacing(int spacing) override;

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
    // Places the items in `area` (without margins) when `apply`; returns the height taken.
    int arrange(const QRect& area, bool apply) const;
    QLayoutItem* leading() const;
    QList<QLayoutItem*> trailing() const;

    QList<QLayoutItem*> m_items; // the leading item first, when there is one
    bool m_hasLeading = false;
    int m_spacing = 0;
    int m_minimumRowHeight = 0;
};

} // namespace fernholm

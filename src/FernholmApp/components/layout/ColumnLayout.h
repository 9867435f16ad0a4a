#pragma once

#include <QLayout>
#include <QList>
#include <QWidget>

namespace fernholm {

// A vertical stack in a column of limited width, centred in the width it is given: the layout of
// the scrolling page column (Page) and of the first-run pages' body (FirstRunFrame).
//
// Children are stacked from the top with `spacing` between them, each at its preferred height
// (its height for the column width when it has one); the stack does not stretch them to fill a
// taller area. Each takes the column's width, bounded by its maximum width; one narrower than the
// column sits at the leading edge, or centred with setCentred(true). A child added with a
// horizontal alignment keeps its preferred width, placed by that alignment. The contents margins
// are the padding around the column. Hidden children take no room.
class ColumnLayout : public QLayout {
    Q_OBJECT
public:
    explicit ColumnLayout(QWidget* parent = nullptr);
    ~ColumnLayout() override;

    int maximumColumnWidth() const { return m_maxWidth; }
    void setMaximumColumnWidth(int width);
    bool isCentred() const { return m_centred; }
    void setCentred(bool centred);

    int spacing() const override { return m_spacing; }
    void setSpacing(int spacing) override;

    void addWidget(QWidget* widget, Qt::Alignment alignment = {});
    void insertWidget(int index, QWidget* widget, Qt::Alignment alignment = {});

    // The column's rectangle at the last setGeometry.
    QRect columnRect() const { return m_column; }
    // The column's width inside an area `width` wide (margins included).
    int columnWidth(int width) const;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    void invalidate() override;

private:
    int arrange(const QRect& area, bool apply) const;

    QList<QLayoutItem*> m_items;
    int m_maxWidth = QWIDGETSIZE_MAX;
    int m_spacing = 0;
    bool m_centred = false;
    mutable QRect m_column;
    mutable int m_cachedWidth = -1;
    mutable int m_cachedHeight = 0;
};

} // namespace fernholm

#pragma once

#include "FernholmApp/components/layout/ColumnLayout.h"
#include "FernholmApp/theme/Theme.h"

#include <QScrollArea>

namespace fernholm {

// The scrolling column of one page: its sections stacked from the top with `spacing` between them
// (the screens pass Theme::sectionGap), in a column at most Theme::contentMaxWidth wide, centred
// in the page, padded Theme::pagePaddingH left and right, Theme::pagePaddingTop at the top and
// 36 at the bottom. The page scrolls vertically when the column is taller than the page, paddings
// included; its background is transparent (it shows the Panel it sits on).
//
//     auto* page = new Page();
//     page->addWidget(new PageHeader(fernholm::tr("Activity")));
//     page->addWidget(filterRow, Qt::AlignLeft);   // keeps its own width, at the leading edge
//     page->addWidget(listCard);
//
// Sections take the column's width and their height for that width; one with a smaller maximum
// width, or added with a horizontal alignment, keeps its width at the leading edge (or as
// aligned). Build a page once and update its widgets in place: a section that changes its size
// relayouts the column (and the scroll range) without moving the scroll position, and a hidden
// section takes no room.
//
// The page never scrolls sideways: the column takes the viewport's width and whatever is wider
// must shrink, wrap or cut itself. The scroll area takes no Tab stop of its own, and the Tab
// order of the controls in it follows reading order (sections top to bottom, and inside each
// container its parts by rows, left to right), also after sections are rebuilt or reordered.
class Page : public QScrollArea {
    Q_OBJECT
public:
    explicit Page(qreal spacing = Theme::sectionGap, QWidget* parent = nullptr);

    void addWidget(QWidget* section, Qt::Alignment alignment = {});
    void insertWidget(int index, QWidget* section, Qt::Alignment alignment = {});

    // The widget that scrolls (the sections' parent) and its layout.
    QWidget* content() const { return widget(); }
    ColumnLayout* column() const { return m_column; }

    qreal spacing() const { return m_spacing; }
    void setSpacing(qreal spacing);

    // Puts the Tab stops of the content in reading order now (it happens by itself after each
    // relayout of the content).
    void orderTabStops();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_orderPending = false;
    ColumnLayout* m_column = nullptr;
    qreal m_spacing = 0;
};

} // namespace fernholm

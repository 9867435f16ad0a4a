#include "FernholmApp/components/layout/Page.h"

#include "FernholmApp/components/controls/ScrollBar.h"

#include <cmath>

namespace fernholm {

namespace {

constexpr qreal pagePaddingBottom = 36;
constexpr qreal thumbEndInset = 0.6 * Theme::panelRadius;

int px(qreal value) {
    return int(std::lround(value));
}

} // namespace

Page::Page(qreal spacing, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    // A page sits in the rounded Panel: its thumbs keep off the panel's corners.
    auto* vertical = new ScrollBar(Qt::Vertical);
    auto* horizontal = new ScrollBar(Qt::Horizontal);
    vertical->setEndInset(thumbEndInset);
    horizontal->setEndInset(thumbEndInset);
    setVerticalScrollBar(vertical);
    setHorizontalScrollBar(horizontal);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("pageContent"));
    m_column = new ColumnLayout(content);
    m_column->setMaximumColumnWidth(px(Theme::contentMaxWidth));
    m_column->setContentsMargins(px(Theme::pagePaddingH), px(Theme::pagePaddingTop), px(Theme::pagePaddingH),
                                 px(pagePaddingBottom));
    setWidget(content);
    // Transparent all the way down: the panel behind shows through.
    content->setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setSpacing(spacing);
}

void Page::addWidget(QWidget* section, Qt::Alignment alignment) {
    m_column->addWidget(section, alignment);
}

void Page::insertWidget(int index, QWidget* section, Qt::Alignment alignment) {
    m_column->insertWidget(index, section, alignment);
}

void Page::setSpacing(qreal spacing) {
    m_spacing = std::max(qreal(0), spacing);
    m_column->setSpacing(px(m_spacing));
}

} // namespace fernholm

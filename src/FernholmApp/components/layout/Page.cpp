#include "FernholmApp/components/layout/Page.h"

#include "FernholmApp/components/controls/ScrollBar.h"

#include <QEvent>

#include <algorithm>
#include <cmath>

namespace fernholm {

namespace {

constexpr qreal pagePaddingBottom = 36;
constexpr qreal thumbEndInset = 0.6 * Theme::panelRadius;

int px(qreal value) {
    return int(std::lround(value));
}

bool takesTab(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->isEnabled();
}

// The Tab stops under `parent`, depth first, each container's children by rows (top, then
// left); a widget that takes Tab itself is a leaf.
void collectStops(QWidget* parent, QList<QWidget*>& stops) {
    QList<QWidget*> children;
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow() && !child->isHidden()) {
            children.append(child);
        }
    }
    // Rows: from the top, each row taking every child that starts above the row's bottom so
    // far; inside a row, left to right.
    std::stable_sort(children.begin(), children.end(),
                     [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    QList<QWidget*> ordered;
    for (qsizetype start = 0; start < children.size();) {
        int bottom = children.at(start)->geometry().bottom();
        qsizetype end = start + 1;
        while (end < children.size() && children.at(end)->y() <= bottom) {
            bottom = std::max(bottom, children.at(end)->geometry().bottom());
            ++end;
        }
        QList<QWidget*> row = children.mid(start, end - start);
        std::stable_sort(row.begin(), row.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        ordered.append(row);
        start = end;
    }
    children = ordered;
    for (QWidget* child : std::as_const(children)) {
        if (takesTab(child) && !child->focusProxy()) {
            stops.append(child);
        } else {
            collectStops(child, stops);
        }
    }
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
    // A page never scrolls sideways: its column always takes the viewport's width, and what
    // does not fit there must shrink, wrap or elide.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    // The sections take Tab stops; the scroll area itself takes none.
    setFocusPolicy(Qt::NoFocus);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("pageContent"));
    content->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_column = new ColumnLayout(content);
    m_column->setMaximumColumnWidth(px(Theme::contentMaxWidth));
    m_column->setContentsMargins(px(Theme::pagePaddingH), px(Theme::pagePaddingTop), px(Theme::pagePaddingH),
                                 px(pagePaddingBottom));
    setWidget(content);
    content->installEventFilter(this);
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

void Page::orderTabStops() {
    m_orderPending = false;
    QList<QWidget*> stops;
    collectStops(content(), stops);
    for (qsizetype i = 1; i < stops.size(); ++i) {
        QWidget::setTabOrder(stops.at(i - 1), stops.at(i));
    }
}

bool Page::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content() && event->type() == QEvent::LayoutRequest && !m_orderPending) {
        // After the relayout that follows: the order is read from the new geometry.
        m_orderPending = true;
        QMetaObject::invokeMethod(this, &Page::orderTabStops, Qt::QueuedConnection);
    }
    return QScrollArea::eventFilter(watched, event);
}

void Page::setSpacing(qreal spacing) {
    m_spacing = std::max(qreal(0), spacing);
    m_column->setSpacing(px(m_spacing));
}

} // namespace fernholm

#include "FernholmApp/components/layout/ColumnLayout.h"

#include <QWidget>

#include <algorithm>

namespace fernholm {

ColumnLayout::ColumnLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
}

ColumnLayout::~ColumnLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

void ColumnLayout::setMaximumColumnWidth(int width) {
    m_maxWidth = std::max(0, width);
    invalidate();
}

void ColumnLayout::setCentred(bool centred) {
    m_centred = centred;
    invalidate();
}

void ColumnLayout::setSpacing(int spacing) {
    m_spacing = std::max(0, spacing);
    invalidate();
}

void ColumnLayout::addWidget(QWidget* widget, Qt::Alignment alignment) {
    insertWidget(count(), widget, alignment);
}

void ColumnLayout::insertWidget(int index, QWidget* widget, Qt::Alignment alignment) {
    if (!widget) {
        return;
    }
    addChildWidget(widget);
    auto* item = new QWidgetItemV2(widget); // caches the hints until the widget changes them
    item->setAlignment(alignment);
    m_items.insert(std::clamp(index, 0, count()), item);
    invalidate();
}

void ColumnLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
    invalidate();
}

QLayoutItem* ColumnLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? m_items.at(index) : nullptr;
}

QLayoutItem* ColumnLayout::takeAt(int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    QLayoutItem* item = m_items.takeAt(index);
    invalidate();
    return item;
}

int ColumnLayout::columnWidth(int width) const {
    const QMargins m = contentsMargins();
    return std::clamp(width - m.left() - m.right(), 0, m_maxWidth);
}

QSize ColumnLayout::sizeHint() const {
    // From the children's own hints, like the box layouts: a height for another width than the
    // one the column has would make every child lay its text out again.
    int width = 0;
    int height = 0;
    int shown = 0;
    for (const QLayoutItem* item : m_items) {
        if (!item->isEmpty()) {
            const QSize hint = item->sizeHint();
            width = std::max(width, hint.width());
            height += hint.height();
            ++shown;
        }
    }
    const QMargins m = contentsMargins();
    return QSize(std::min(width, m_maxWidth) + m.left() + m.right(),
                 height + std::max(0, shown - 1) * m_spacing + m.top() + m.bottom());
}

QSize ColumnLayout::minimumSize() const {
    int width = 0;
    for (const QLayoutItem* item : m_items) {
        if (!item->isEmpty()) {
            width = std::max(width, item->minimumSize().width());
        }
    }
    const QMargins m = contentsMargins();
    return QSize(std::min(width, m_maxWidth) + m.left() + m.right(), m.top() + m.bottom());
}

Qt::Orientations ColumnLayout::expandingDirections() const {
    return Qt::Horizontal;
}

int ColumnLayout::heightForWidth(int width) const {
    if (width != m_cachedWidth) {
        m_cachedWidth = width;
        m_cachedHeight = arrange(QRect(0, 0, width, 0), false);
    }
    return m_cachedHeight;
}

void ColumnLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

void ColumnLayout::invalidate() {
    m_cachedWidth = -1;
    QLayout::invalidate();
}

// Lays the children out in `area` (placing them when `apply`); returns the height it takes.
int ColumnLayout::arrange(const QRect& area, bool apply) const {
    const QMargins m = contentsMargins();
    const int inner = std::max(0, area.width() - m.left() - m.right());
    const int column = std::min(inner, m_maxWidth);
    const int left = area.x() + m.left() + (inner - column) / 2;
    if (apply) {
        m_column = QRect(left, area.y() + m.top(), column, 0);
    }
    int y = area.y() + m.top();
    bool first = true;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty()) {
            continue;
        }
        if (!first) {
            y += m_spacing;
        }
        first = false;
        const Qt::Alignment horizontal = item->alignment() & Qt::AlignHorizontal_Mask;
        int width = std::min(column, item->maximumSize().width());
        if (horizontal) {
            width = std::min(width, item->sizeHint().width());
        }
        width = std::max(width, std::min(column, item->minimumSize().width()));
        // Like the box layouts, a child with a height for its width gets exactly that.
        const int height = item->hasHeightForWidth()
                               ? item->heightForWidth(width)
                               : std::clamp(item->sizeHint().height(), item->minimumSize().height(),
                                            std::max(item->minimumSize().height(), item->maximumSize().height()));
        if (apply) {
            int x = left;
            if (horizontal & Qt::AlignRight) {
                x = left + column - width;
            } else if ((horizontal & Qt::AlignHCenter) || (!horizontal && m_centred)) {
                x = left + (column - width) / 2;
            }
            item->setGeometry(QRect(x, y, width, height));
        }
        y += height;
    }
    if (apply) {
        m_column.setBottom(y - 1);
    }
    return y - area.y() + m.bottom();
}

} // namespace fernholm

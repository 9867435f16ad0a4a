#include "FernholmApp/components/layout/FlowLayout.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace fernholm {

namespace {

int ceilToInt(qreal value) {
    return int(std::ceil(value - 1e-6));
}

} // namespace

FlowLayout::FlowLayout(qreal spacing, QWidget* parent) : QLayout(parent), m_spacing(std::max(qreal(0), spacing)) {
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

void FlowLayout::setFlowSpacing(qreal spacing) {
    m_spacing = std::max(qreal(0), spacing);
    invalidate();
}

int FlowLayout::spacing() const {
    return int(std::lround(m_spacing));
}

void FlowLayout::setSpacing(int spacing) {
    setFlowSpacing(spacing);
}

QList<FlowLayout::Row> FlowLayout::arrange(const QList<QSizeF>& sizes, qreal spacing, std::optional<qreal> width) {
    QList<Row> rows;
    Row current;
    qreal y = 0;
    for (int i = 0; i < sizes.size(); ++i) {
        const QSizeF size = sizes.at(i);
        qreal lead = 0;
        if (!current.indices.isEmpty()) {
            if (width && current.width + spacing + size.width() > *width) {
                current.y = y;
                rows.append(current);
                y += current.height + spacing;
                current = Row{};
            } else {
                lead = spacing;
            }
        }
        current.indices.append(i);
        current.height = std::max(current.height, size.height());
        current.width += lead + size.width();
    }
    if (!current.indices.isEmpty()) {
        current.y = y;
        rows.append(current);
    }
    return rows;
}

QSizeF FlowLayout::sizeThatFits(std::optional<qreal> width) const {
    const QList<Row> rows = arrange(sizesOf(shown(), width), m_spacing, width);
    const qreal height = rows.isEmpty() ? 0 : rows.last().y + rows.last().height;
    if (width) {
        return QSizeF(*width, height);
    }
    qreal widest = 0;
    for (const Row& row : rows) {
        widest = std::max(widest, row.width);
    }
    return QSizeF(widest, height);
}

void FlowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
    invalidate();
}

QLayoutItem* FlowLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? m_items.at(index) : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    QLayoutItem* item = m_items.takeAt(index);
    invalidate();
    return item;
}

QSize FlowLayout::sizeHint() const {
    const QSizeF size = sizeThatFits(std::nullopt);
    const QMargins m = contentsMargins();
    return QSize(ceilToInt(size.width()) + m.left() + m.right(), ceilToInt(size.height()) + m.top() + m.bottom());
}

QSize FlowLayout::minimumSize() const {
    // As narrow as the widest child can be; the height then comes from heightForWidth.
    qreal widest = 0;
    for (const QLayoutItem* item : shown()) {
        widest = std::max(widest, qreal(std::min(item->minimumSize().width(), item->sizeHint().width())));
    }
    const QMargins m = contentsMargins();
    return QSize(ceilToInt(widest) + m.left() + m.right(), m.top() + m.bottom());
}

int FlowLayout::heightForWidth(int width) const {
    const QMargins m = contentsMargins();
    const qreal inner = std::max(0, width - m.left() - m.right());
    return ceilToInt(sizeThatFits(inner).height()) + m.top() + m.bottom();
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect area = rect.marginsRemoved(contentsMargins());
    const QList<QLayoutItem*> items = shown();
    const QList<QSizeF> sizes = sizesOf(items, qreal(area.width()));
    for (const Row& row : arrange(sizes, m_spacing, qreal(area.width()))) {
        qreal x = area.x();
        for (int index : row.indices) {
            const QSizeF size = sizes.at(index);
            items.at(index)->setGeometry(
                QRect(QPoint(int(std::lround(x)), int(std::lround(area.y() + row.y))), size.toSize()));
            x += size.width() + m_spacing;
        }
    }
}

QList<QLayoutItem*> FlowLayout::shown() const {
    QList<QLayoutItem*> items;
    for (QLayoutItem* item : m_items) {
        if (!item->isEmpty()) {
            items.append(item);
        }
    }
    return items;
}

QList<QSizeF> FlowLayout::sizesOf(const QList<QLayoutItem*>& items, std::optional<qreal> width) {
    QList<QSizeF> sizes;
    sizes.reserve(items.size());
    for (const QLayoutItem* item : items) {
        QSizeF size(item->sizeHint());
        // A child wider than a whole row gets the row, as far as it can shrink.
        if (width && size.width() > *width) {
            size.setWidth(std::max(*width, qreal(std::min(item->minimumSize().width(), item->sizeHint().width()))));
        }
        sizes.append(size);
    }
    return sizes;
}

} // namespace fernholm

#include "FernholmApp/pages/workbench/CardHeaderLayout.h"

#include <QWidget>

#include <algorithm>

namespace fernholm {

namespace {

int heightAt(const QLayoutItem* item, int width) {
    const int height = item->hasHeightForWidth() ? item->heightForWidth(width) : item->sizeHint().height();
    return std::max(height, item->minimumSize().height());
}

} // namespace

CardHeaderLayout::CardHeaderLayout(int spacing, int minimumRowHeight, QWidget* parent)
    : QLayout(parent), m_spacing(std::max(0, spacing)), m_minimumRowHeight(std::max(0, minimumRowHeight)) {
    setContentsMargins(0, 0, 0, 0);
}

CardHeaderLayout::~CardHeaderLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

void CardHeaderLayout::setLeading(QWidget* widget) {
    addChildWidget(widget);
    if (m_hasLeading) {
        delete m_items.takeFirst();
    }
    m_items.prepend(new QWidgetItemV2(widget));
    m_hasLeading = true;
    invalidate();
}

void CardHeaderLayout::addTrailing(QWidget* widget) {
    addChildWidget(widget);
    addItem(new QWidgetItemV2(widget));
}

void CardHeaderLayout::setSpacing(int spacing) {
    m_spacing = std::max(0, spacing);
    invalidate();
}

void CardHeaderLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
    invalidate();
}

QLayoutItem* CardHeaderLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? m_items.at(index) : nullptr;
}

QLayoutItem* CardHeaderLayout::takeAt(int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    if (index == 0 && m_hasLeading) {
        m_hasLeading = false;
    }
    QLayoutItem* item = m_items.takeAt(index);
    invalidate();
    return item;
}

QLayoutItem* CardHeaderLayout::leading() const {
    return m_hasLeading && !m_items.first()->isEmpty() ? m_items.first() : nullptr;
}

QList<QLayoutItem*> CardHeaderLayout::trailing() const {
    QList<QLayoutItem*> items;
    for (int i = m_hasLeading ? 1 : 0; i < m_items.size(); ++i) {
        if (!m_items.at(i)->isEmpty()) {
            items.append(m_items.at(i));
        }
    }
    return items;
}

bool CardHeaderLayout::fitsOneLine(int width) const {
    const QMargins m = contentsMargins();
    int needed = leading() ? leading()->sizeHint().width() : 0;
    for (const QLayoutItem* item : trailing()) {
        needed += (needed > 0 ? m_spacing : 0) + item->sizeHint().width();
    }
    return needed <= width - m.left() - m.right();
}

int CardHeaderLayout::arrange(const QRect& area, bool apply) const {
    QLayoutItem* lead = leading();
    const QList<QLayoutItem*> trail = trailing();
    const QMargins m = contentsMargins();

    if (fitsOneLine(area.width() + m.left() + m.right())) {
        int trailWidth = 0;
        int height = m_minimumRowHeight;
        for (const QLayoutItem* item : trail) {
            trailWidth += (trailWidth > 0 ? m_spacing : 0) + item->sizeHint().width();
            height = std::max(height, item->sizeHint().height());
        }
        const int leadWidth = lead ? std::min(lead->sizeHint().width(), area.width()) : 0;
        if (lead) {
            height = std::max(height, heightAt(lead, leadWidth));
        }
        if (apply) {
            if (lead) {
                const int h = heightAt(lead, leadWidth);
                lead->setGeometry(QRect(area.x(), area.y() + (height - h) / 2, leadWidth, h));
            }
            int x = area.right() + 1 - trailWidth;
            for (QLayoutItem* item : trail) {
                const QSize size = item->sizeHint();
                item->setGeometry(QRect(x, area.y() + (height - size.height()) / 2, size.width(), size.height()));
                x += size.width() + m_spacing;
            }
        }
        return height;
    }

    // Too narrow: the caption alone on the first line, the rest wrapped below it.
    int y = area.y();
    if (lead) {
        const int leadWidth = std::min(lead->sizeHint().width(), area.width());
        const int h = heightAt(lead, leadWidth);
        const int line = std::max(h, m_minimumRowHeight);
        if (apply) {
            lead->setGeometry(QRect(area.x(), y + (line - h) / 2, leadWidth, h));
        }
        y += line;
    }
    int x = area.x();
    int lineHeight = 0;
    bool lineStarted = false;
    for (QLayoutItem* item : trail) {
        const QSize size = item->sizeHint();
        if (lineStarted && x + m_spacing + size.width() > area.right() + 1) {
            y += lineHeight;
            x = area.x();
            lineHeight = 0;
            lineStarted = false;
        }
        if (!lineStarted) {
            if (y > area.y()) {
                y += m_spacing;
            }
        } else {
            x += m_spacing;
        }
        if (apply) {
            item->setGeometry(QRect(QPoint(x, y), size));
        }
        x += size.width();
        lineHeight = std::max(lineHeight, size.height());
        lineStarted = true;
    }
    return y + lineHeight - area.y();
}

QSize CardHeaderLayout::sizeHint() const {
    const QMargins m = contentsMargins();
    int width = leading() ? leading()->sizeHint().width() : 0;
    int height = m_minimumRowHeight;
    if (leading()) {
        height = std::max(height, leading()->sizeHint().height());
    }
    for (const QLayoutItem* item : trailing()) {
        width += (width > 0 ? m_spacing : 0) + item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
    }
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

QSize CardHeaderLayout::minimumSize() const {
    // As narrow as the widest trailing item: the caption wraps, the items move below it.
    const QMargins m = contentsMargins();
    int width = 0;
    for (const QLayoutItem* item : trailing()) {
        width = std::max(width, item->sizeHint().width());
    }
    return QSize(width + m.left() + m.right(), m.top() + m.bottom());
}

int CardHeaderLayout::heightForWidth(int width) const {
    const QMargins m = contentsMargins();
    const QRect area(0, 0, std::max(0, width - m.left() - m.right()), 0);
    return arrange(area, false) + m.top() + m.bottom();
}

void CardHeaderLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect.marginsRemoved(contentsMargins()), true);
}

} // namespace fernholm

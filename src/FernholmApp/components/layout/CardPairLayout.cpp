#include "FernholmApp/components/layout/CardPairLayout.h"

#include <QWidget>

#include <algorithm>

namespace fernholm {

namespace {

int heightAt(const QLayoutItem* item, int width) {
    const int height = item->hasHeightForWidth() ? item->heightForWidth(width) : item->sizeHint().height();
    return std::max(height, item->minimumSize().height());
}

} // namespace

CardPairLayout::CardPairLayout(int spacing, QWidget* parent) : QLayout(parent), m_spacing(std::max(0, spacing)) {
    setContentsMargins(0, 0, 0, 0);
}

CardPairLayout::~CardPairLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

void CardPairLayout::setSpacing(int spacing) {
    m_spacing = std::max(0, spacing);
    invalidate();
}

void CardPairLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
    invalidate();
}

QLayoutItem* CardPairLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? m_items.at(index) : nullptr;
}

QLayoutItem* CardPairLayout::takeAt(int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    QLayoutItem* item = m_items.takeAt(index);
    invalidate();
    return item;
}

int CardPairLayout::cardWidth(int width) const {
    const QMargins m = contentsMargins();
    return std::max(0, (width - m.left() - m.right() - m_spacing) / 2);
}

QSize CardPairLayout::sizeHint() const {
    const QMargins m = contentsMargins();
    int width = 0;
    int height = 0;
    for (int i = 0; i < std::min(2, count()); ++i) {
        width = std::max(width, m_items.at(i)->sizeHint().width());
        height = std::max(height, m_items.at(i)->sizeHint().height());
    }
    return QSize(2 * width + m_spacing + m.left() + m.right(), height + m.top() + m.bottom());
}

QSize CardPairLayout::minimumSize() const {
    const QMargins m = contentsMargins();
    int width = 0;
    for (int i = 0; i < std::min(2, count()); ++i) {
        width = std::max(width, m_items.at(i)->minimumSize().width());
    }
    return QSize(2 * width + m_spacing + m.left() + m.right(), m.top() + m.bottom());
}

int CardPairLayout::heightForWidth(int width) const {
    const QMargins m = contentsMargins();
    const int card = cardWidth(width);
    int height = 0;
    for (int i = 0; i < std::min(2, count()); ++i) {
        height = std::max(height, heightAt(m_items.at(i), card));
    }
    return height + m.top() + m.bottom();
}

void CardPairLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int card = cardWidth(rect.width());
    for (int i = 0; i < std::min(2, count()); ++i) {
        m_items.at(i)->setGeometry(QRect(area.x() + i * (card + m_spacing), area.y(), card, area.height()));
    }
}

} // namespace fernholm

#include "FernholmApp/components/alerts/AlertRowLayout.h"

#include <QWidget>

#include <algorithm>

namespace fernholm {

namespace {

bool shown(const QLayoutItem* item) {
    return item && !item->isEmpty();
}

int heightAt(const QLayoutItem* item, int width) {
    return item->hasHeightForWidth() ? item->heightForWidth(width) : item->sizeHint().height();
}

} // namespace

AlertRowLayout::AlertRowLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
}

AlertRowLayout::~AlertRowLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

QLayoutItem* AlertRowLayout::add(QWidget* widget) {
    addChildWidget(widget);
    auto* item = new QWidgetItemV2(widget); // caches the hints until the widget changes them
    m_items.append(item);
    invalidate();
    return item;
}

void AlertRowLayout::setLead(QWidget* widget) {
    m_lead = add(widget);
}

void AlertRowLayout::setTexts(QWidget* widget) {
    m_texts = add(widget);
}

void AlertRowLayout::addButton(QWidget* widget) {
    m_buttons.append(add(widget));
}

void AlertRowLayout::setTrailing(QWidget* widget) {
    m_trailing = add(widget);
}

void AlertRowLayout::setSpacing(int spacing) {
    m_spacing = std::max(0, spacing);
    invalidate();
}

void AlertRowLayout::setGap(int gap) {
    m_gap = std::max(0, gap);
    invalidate();
}

void AlertRowLayout::setSpacer(bool spacer) {
    m_spacer = spacer;
    invalidate();
}

int AlertRowLayout::spacerWidth() const {
    return m_spacer ? m_spacing + m_gap : 0;
}

void AlertRowLayout::setStackGap(int gap) {
    m_stackGap = std::max(0, gap);
    invalidate();
}

void AlertRowLayout::setRowAlignment(RowAlignment alignment) {
    m_alignment = alignment;
    invalidate();
}

void AlertRowLayout::setMinimumTextWidth(int width) {
    m_minimumTextWidth = std::max(0, width);
    invalidate();
}

void AlertRowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
    invalidate();
}

QLayoutItem* AlertRowLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? m_items.at(index) : nullptr;
}

QLayoutItem* AlertRowLayout::takeAt(int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    QLayoutItem* item = m_items.takeAt(index);
    if (item == m_lead) {
        m_lead = nullptr;
    }
    if (item == m_texts) {
        m_texts = nullptr;
    }
    if (item == m_trailing) {
        m_trailing = nullptr;
    }
    m_buttons.removeAll(item);
    invalidate();
    return item;
}

void AlertRowLayout::invalidate() {
    m_cachedWidth = -1;
    QLayout::invalidate();
}

namespace {

// The widths the parts other than the texts take on one line.
struct Widths {
    int lead = 0;     // with the spacing after it
    int buttons = 0;  // the buttons with the spacing between them
    int trailing = 0; // with the spacing before it
    int buttonCount = 0;
};

Widths widthsOf(const QLayoutItem* lead, const QList<QLayoutItem*>& buttons, const QLayoutItem* trailing, int spacing) {
    Widths w;
    if (shown(lead)) {
        w.lead = lead->sizeHint().width() + spacing;
    }
    for (const QLayoutItem* button : buttons) {
        if (shown(button)) {
            w.buttons += (w.buttonCount > 0 ? spacing : 0) + button->sizeHint().width();
            ++w.buttonCount;
        }
    }
    if (shown(trailing)) {
        w.trailing = spacing + trailing->sizeHint().width();
    }
    return w;
}

} // namespace

bool AlertRowLayout::stacksAt(int width) const {
    const QMargins m = contentsMargins();
    const Widths w = widthsOf(m_lead, m_buttons, m_trailing, m_spacing);
    if (w.buttonCount == 0) {
        return false;
    }
    const int inner = width - m.left() - m.right();
    const int rowText = inner - w.lead - spacerWidth() - (m_spacing + w.buttons) - w.trailing;
    return rowText < m_minimumTextWidth;
}

int AlertRowLayout::arrange(const QRect& area, bool apply) const {
    const QMargins m = contentsMargins();
    const QRect inner = area.marginsRemoved(m);
    const Widths w = widthsOf(m_lead, m_buttons, m_trailing, m_spacing);
    const bool stacked = stacksAt(area.width());
    const int afterTexts = spacerWidth() + (w.buttonCount > 0 && !stacked ? m_spacing + w.buttons : 0) + w.trailing;
    const int textX = inner.left() + w.lead;
    const int textWidth = std::max(0, inner.width() - w.lead - afterTexts);
    const int textHeight = shown(m_texts) ? heightAt(m_texts, textWidth) : 0;

    int buttonsHeight = 0;
    for (const QLayoutItem* button : m_buttons) {
        if (shown(button)) {
            buttonsHeight = std::max(buttonsHeight, button->sizeHint().height());
        }
    }
    const int leadHeight = shown(m_lead) ? m_lead->sizeHint().height() : 0;
    const int trailingHeight = shown(m_trailing) ? m_trailing->sizeHint().height() : 0;

    // The first row: the lead, the texts, the trailing widget and (not stacked) the buttons.
    int rowHeight = std::max({leadHeight, textHeight, trailingHeight});
    if (!stacked) {
        rowHeight = std::max(rowHeight, buttonsHeight);
    }
    const int height = stacked ? std::max(rowHeight, textHeight + m_stackGap + buttonsHeight) : rowHeight;

    if (apply) {
        // Centred items share the middle of the first row (of the texts, when stacked).
        const int middleOf = stacked ? textHeight : rowHeight;
        const auto top = [&](int itemHeight) {
            return m_alignment == RowAlignment::centre ? inner.top() + (middleOf - itemHeight) / 2 : inner.top();
        };
        if (shown(m_lead)) {
            const QSize s = m_lead->sizeHint();
            m_lead->setGeometry(QRect(inner.left(), top(s.height()), s.width(), s.height()));
        }
        if (shown(m_texts)) {
            m_texts->setGeometry(QRect(textX, top(textHeight), textWidth, textHeight));
        }
        int right = inner.right() + 1;
        if (shown(m_trailing)) {
            const QSize s = m_trailing->sizeHint();
            right -= s.width();
            m_trailing->setGeometry(QRect(right, top(s.height()), s.width(), s.height()));
            right -= m_spacing;
        }
        if (stacked) {
            int x = textX;
            const int y = inner.top() + textHeight + m_stackGap;
            for (QLayoutItem* button : m_buttons) {
                if (shown(button)) {
                    const QSize s = button->sizeHint();
                    button->setGeometry(QRect(x, y + (buttonsHeight - s.height()) / 2, s.width(), s.height()));
                    x += s.width() + m_spacing;
                }
            }
        } else {
            for (auto it = m_buttons.crbegin(); it != m_buttons.crend(); ++it) {
                if (shown(*it)) {
                    const QSize s = (*it)->sizeHint();
                    right -= s.width();
                    (*it)->setGeometry(QRect(right, top(s.height()), s.width(), s.height()));
                    right -= m_spacing;
                }
            }
        }
    }
    return m.top() + height + m.bottom();
}

int AlertRowLayout::heightForWidth(int width) const {
    if (width != m_cachedWidth) {
        m_cachedHeight = arrange(QRect(0, 0, width, 0), false);
        m_cachedWidth = width;
    }
    return m_cachedHeight;
}

QSize AlertRowLayout::sizeHint() const {
    const QMargins m = contentsMargins();
    const Widths w = widthsOf(m_lead, m_buttons, m_trailing, m_spacing);
    const int text = shown(m_texts) ? std::max(m_texts->sizeHint().width(), m_minimumTextWidth) : 0;
    const int width = m.left() + w.lead + text + spacerWidth() + (w.buttonCount > 0 ? m_spacing + w.buttons : 0) +
                      w.trailing + m.right();
    return QSize(width, heightForWidth(width));
}

QSize AlertRowLayout::minimumSize() const {
    // Stacked, the buttons need their row under the texts; the texts can be narrow.
    const QMargins m = contentsMargins();
    const Widths w = widthsOf(m_lead, m_buttons, m_trailing, m_spacing);
    const int texts = std::max(w.buttons, shown(m_texts) ? m_texts->minimumSize().width() : 0);
    return QSize(m.left() + w.lead + texts + spacerWidth() + w.trailing + m.right(), m.top() + m.bottom());
}

void AlertRowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

} // namespace fernholm

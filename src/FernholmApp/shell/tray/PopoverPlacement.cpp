#include "FernholmApp/shell/tray/PopoverPlacement.h"

#include <algorithm>

namespace fernholm {

namespace {

constexpr int gap = 6;    // between the icon (or cursor) and the panel
constexpr int margin = 8; // from the screen's edge in the corner fallback

QRect clampedInto(QRect rect, const QRect& area) {
    rect.moveLeft(std::max(area.left(), std::min(rect.left(), area.right() + 1 - rect.width())));
    rect.moveTop(std::max(area.top(), std::min(rect.top(), area.bottom() + 1 - rect.height())));
    return rect;
}

} // namespace

QRect popoverPlacement(const QRect& icon, const QSize& panel, const QRect& available,
                       const std::optional<QPoint>& cursor) {
    QRect rect(QPoint(0, 0), panel);
    if (icon.isValid() && !icon.isEmpty()) {
        const int toTop = icon.top() - available.top();
        const int toBottom = available.bottom() - icon.bottom();
        const int toLeft = icon.left() - available.left();
        const int toRight = available.right() - icon.right();
        const int nearest = std::min({toTop, toBottom, toLeft, toRight});
        if (nearest == toTop || nearest == toBottom) {
            rect.moveLeft(icon.center().x() - panel.width() / 2);
            rect.moveTop(nearest == toTop ? icon.bottom() + 1 + gap : icon.top() - gap - panel.height());
        } else {
            rect.moveTop(icon.top());
            rect.moveLeft(nearest == toLeft ? icon.right() + 1 + gap : icon.left() - gap - panel.width());
        }
    } else if (cursor) {
        // Below and to the left of the cursor when there is room, as a menu would open.
        const bool lowerHalf = cursor->y() > available.center().y();
        const bool rightHalf = cursor->x() > available.center().x();
        rect.moveLeft(rightHalf ? cursor->x() - panel.width() : cursor->x());
        rect.moveTop(lowerHalf ? cursor->y() - gap - panel.height() : cursor->y() + gap);
    } else {
        rect.moveTopRight(QPoint(available.right() - margin, available.top() + margin));
    }
    return clampedInto(rect, available);
}

} // namespace fernholm

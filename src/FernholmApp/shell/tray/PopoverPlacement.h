#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace fernholm {

// Where the tray panel of `panel` size opens, inside the `available` geometry of its screen:
// - beside the tray icon's `icon` geometry, on the side away from the screen edge the icon sits
//   nearest to (under an icon in a top panel, above one at the bottom, beside one in a side panel),
//   lined up with the icon and pushed back inside the screen where it would leave it;
// - without an icon geometry (StatusNotifierItem hosts and Wayland give none) near the cursor;
// - with neither, in the top-right corner.
// A panel larger than the screen keeps its top-left corner on the screen.
QRect popoverPlacement(const QRect& icon, const QSize& panel, const QRect& available,
                       const std::optional<QPoint>& cursor);

} // namespace fernholm

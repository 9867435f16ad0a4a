#pragma once

#include <QFont>

namespace fernholm {

// The fonts views write text in. Sizes are pixels (one per point of the design); weights are on
// the 100-900 scale (400 regular, 500 medium, 600 semibold). None of them fails: a missing
// shipped face falls back to the system's.
namespace Fonts {

// The body font: DM Sans (optical size: `size` clamped to 9...40, kept in the cache key only),
// or the system font at semibold for weight >= 600, medium for >= 500, else regular.
QFont sans(qreal size, qreal weight = 400);

// The display face "Spectral-Medium" (titles, big numbers), or the system font, medium.
QFont display(qreal size);

// Fixed-width text, "RobotoMono-Regular" at the weight (medium for >= 500, else regular), or the
// system's fixed-width font at the same weight.
QFont mono(qreal size, qreal weight = 400);

// The system font at `size`, semibold for weight >= 600, medium for >= 500, else regular.
QFont system(qreal size, qreal weight = 400);
// The system's fixed-width font, medium for weight >= 500, else regular.
QFont systemMono(qreal size, qreal weight = 400);

// `font` with letter tracking `tracking` pixels (negative tightens).
QFont tracked(QFont font, qreal tracking);

// The whole-pixel size QFont takes for a design size (at least 1).
int pixelSize(qreal size);

} // namespace Fonts

} // namespace fernholm

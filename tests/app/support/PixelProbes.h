#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>

namespace fernholm::test {

// The pixel inside `area` (logical coordinates) that differs most from `against`: on a plain
// fill, the colour of the text or symbol drawn there (the middle of a glyph's stem is drawn
// unblended at the test's device pixel ratio). An invalid colour for an empty area.
QColor mostDistinct(const QImage& image, const QRectF& area, const QColor& against);

// Whether any pixel inside `area` differs from `background` by more than `tolerance` in a channel.
bool hasInk(const QImage& image, const QRectF& area, const QColor& background, int tolerance = 24);

// The contrast ratio of two opaque colours as WCAG defines it, from 1 (same luminance) to 21.
double contrastRatio(const QColor& a, const QColor& b);

} // namespace fernholm::test

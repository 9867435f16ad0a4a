#pragma once

#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/theme/Theme.h"

#include <QFont>
#include <QRectF>

#include <optional>

class QPainter;
class QWidget;

namespace fernholm {

// The capsule look of PrimaryButton, per style: the label's font and colour, the horizontal
// padding, the fixed height, the fill and the 1-px border inside the edge (no fill or no border
// where the style has none). Usable on its own to draw a pill-shaped control that must match
// the buttons.
namespace PillButtonStyle {

struct Look {
    qreal fontSize;
    qreal padding; // left and right of the label
    qreal height;
    ThemeColor foreground;
    std::optional<ThemeColor> fill;
    std::optional<ThemeColor> border;
};

Look look(PrimaryButton::Style style);

// The label font of a style: the body font at its size, weight 500.
QFont font(PrimaryButton::Style style);

// Opacity of the whole button: 0.4 disabled, else 0.75 pressed, else 1.
qreal opacity(bool enabled, bool pressed);

// Fills and outlines the capsule `rect` as `widget` is drawn (for its colour scheme).
void paintCapsule(QPainter& painter, const QRectF& rect, PrimaryButton::Style style, const QWidget* widget);

} // namespace PillButtonStyle

} // namespace fernholm

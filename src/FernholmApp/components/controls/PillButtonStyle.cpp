#include "FernholmApp/components/controls/PillButtonStyle.h"

#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"

#include <QPainter>

namespace fernholm::PillButtonStyle {

namespace {

// The label colour of the `light` style: the same near-black in both schemes, on the fixed
// near-white `onFeature`, so the button reads the same on a dark card in either.
constexpr ThemeColor lightStyleInk = Theme::fixed(0x1E1E1E);

} // namespace

Look look(PrimaryButton::Style style) {
    using S = PrimaryButton::Style;
    switch (style) {
    case S::primary:
        return {14, 18, 40, Theme::onAccent, Theme::accent, std::nullopt};
    case S::large:
        return {15, 22, 48, Theme::onAccent, Theme::accent, std::nullopt};
    case S::secondary:
        return {14, 18, 40, Theme::ink, std::nullopt, Theme::ink.opacity(0.25)};
    case S::destructive:
        return {14, 18, 40, Theme::red, std::nullopt, Theme::red.opacity(0.55)};
    case S::small:
        return {13, 14, 32, Theme::onAccent, Theme::accent, std::nullopt};
    case S::smallOutline:
        return {13, 14, 32, Theme::ink, std::nullopt, Theme::ink.opacity(0.25)};
    case S::smallSand:
        return {13, 14, 32, Theme::ink, Theme::muted, std::nullopt};
    case S::smallWhite:
        return {13, 14, 32, Theme::ink, Theme::noticeIconBg, std::nullopt};
    case S::light:
        return {13, 16, 36, lightStyleInk, Theme::onFeature, std::nullopt};
    }
    return look(S::primary);
}

QFont font(PrimaryButton::Style style) {
    return Fonts::sans(look(style).fontSize, 500);
}

qreal opacity(bool enabled, bool pressed) {
    if (!enabled) {
        return 0.4;
    }
    return pressed ? 0.75 : 1.0;
}

void paintCapsule(QPainter& painter, const QRectF& rect, PrimaryButton::Style style, const QWidget* widget) {
    const Look l = look(style);
    if (l.fill) {
        Paint::fill(painter, Paint::capsule(rect), l.fill->on(widget));
    }
    if (l.border) {
        Paint::strokeInside(painter, rect, rect.height() / 2, l.border->on(widget));
    }
}

} // namespace fernholm::PillButtonStyle

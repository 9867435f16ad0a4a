#pragma once

#include "FernholmApp/theme/Appearance.h"

#include <QPalette>

class QWidget;

namespace fernholm {

// A palette from the theme for the standard Qt widgets a view uses (scroll bars, menus, text
// selections, line edits): surfaces, ink, a translucent selection, dimmed disabled text. Our own
// painted widgets take colours from Theme directly; this is for the ones Qt paints.
//
//     menu->setPalette(themePalette(Appearance::schemeOf(this)));
//
// A widget that keeps such a palette sets it again when its scheme changes.
QPalette themePalette(ColorScheme scheme);

// themePalette() with a transparent base and window, for a text field that paints its own box
// under the text Qt draws.
QPalette fieldPalette(ColorScheme scheme);

} // namespace fernholm

#include "FernholmApp/theme/ThemePalette.h"

#include "FernholmApp/theme/Theme.h"

namespace fernholm {

QPalette themePalette(ColorScheme scheme) {
    const auto c = [scheme](const ThemeColor& color) {
        return color.resolve(scheme);
    };
    QPalette palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor text = disabled ? c(Theme::faint) : c(Theme::ink);
        palette.setColor(group, QPalette::Window, c(Theme::surface));
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, c(Theme::surface));
        palette.setColor(group, QPalette::AlternateBase, c(Theme::inset));
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::PlaceholderText, c(Theme::faint));
        palette.setColor(group, QPalette::Button, c(Theme::tile));
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::BrightText, c(Theme::onAccent));
        palette.setColor(group, QPalette::ToolTipBase, c(Theme::surface));
        palette.setColor(group, QPalette::ToolTipText, c(Theme::ink));
        // Bevel shades, lightest to darkest, for styles that draw edges from them.
        palette.setColor(group, QPalette::Light, c(Theme::surface));
        palette.setColor(group, QPalette::Midlight, c(Theme::tile));
        palette.setColor(group, QPalette::Mid, c(Theme::muted));
        palette.setColor(group, QPalette::Dark, c(Theme::faint));
        palette.setColor(group, QPalette::Shadow, c(Theme::dim));
        // Translucent, so that what lies under a selection (a placeholder's pill) shows through.
        palette.setColor(group, QPalette::Highlight, c(Theme::ink.opacity(group == QPalette::Active ? 0.14 : 0.09)));
        palette.setColor(group, QPalette::HighlightedText, text);
        palette.setColor(group, QPalette::Link, c(Theme::token));
        palette.setColor(group, QPalette::LinkVisited, c(Theme::token));
    }
    return palette;
}

QPalette fieldPalette(ColorScheme scheme) {
    QPalette palette = themePalette(scheme);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::transparent);
        palette.setColor(group, QPalette::Window, Qt::transparent);
    }
    return palette;
}

} // namespace fernholm

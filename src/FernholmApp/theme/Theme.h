#pragma once

#include "FernholmApp/theme/Appearance.h"

#include <QColor>
#include <QFont>
#include <QtGlobal>

class QWidget;

namespace fernholm {

class TextLabel;

// One named colour of the theme: a light and a dark variant, each an sRGB value 0xRRGGBB with an
// alpha (a fixed colour has the same variant twice). It is resolved when painted, for the
// scheme of the widget being painted:
//
//     painter.fillPath(path, Theme::surface.on(this));        // inside paintEvent
//     Theme::red.opacity(0.22).resolve(ColorScheme::dark);     // outside a widget
//
// Never keep the resolved QColor: the scheme can change between two paints.
class ThemeColor {
public:
    constexpr ThemeColor(quint32 light, quint32 dark, double lightAlpha, double darkAlpha)
        : m_light(light), m_dark(dark), m_lightAlpha(lightAlpha), m_darkAlpha(darkAlpha) {}

    QColor resolve(ColorScheme scheme) const;
    // The colour as `widget` is drawn (its nearest forced ancestor's scheme, else the app's).
    QColor on(const QWidget* widget) const { return resolve(Appearance::schemeOf(widget)); }

    // The same colour with both alphas multiplied by `factor` (a translucent variant).
    constexpr ThemeColor opacity(double factor) const {
        return ThemeColor(m_light, m_dark, m_lightAlpha * factor, m_darkAlpha * factor);
    }

    constexpr quint32 rgb(ColorScheme scheme) const { return scheme == ColorScheme::dark ? m_dark : m_light; }
    constexpr double alpha(ColorScheme scheme) const {
        return scheme == ColorScheme::dark ? m_darkAlpha : m_lightAlpha;
    }

    constexpr bool operator==(const ThemeColor&) const = default;

private:
    quint32 m_light;
    quint32 m_dark;
    double m_lightAlpha;
    double m_darkAlpha;
};

// The look of every window: the named colours, the metrics (in device-independent pixels, one
// per point of the design), the shipped title styles. Views take colours and sizes from here by
// name and write no colour literal of their own. Aliases (sidebar, hairline, accent) are the
// very objects they stand for.
namespace Theme {

// A colour with a light and a dark variant.
constexpr ThemeColor dynamic(quint32 light, quint32 dark, double lightAlpha = 1.0, double darkAlpha = 1.0) {
    return ThemeColor(light, dark, lightAlpha, darkAlpha);
}
// The same opaque colour in both schemes.
constexpr ThemeColor fixed(quint32 rgb) {
    return ThemeColor(rgb, rgb, 1.0, 1.0);
}

// --- Colours ---
inline constexpr ThemeColor background = dynamic(0xF2F1EF, 0x141414); // window behind the panel
inline constexpr const ThemeColor& sidebar = background;
inline constexpr ThemeColor panel = dynamic(0xFAF9F7, 0x1A1A1A);   // main content panel
inline constexpr ThemeColor surface = dynamic(0xFFFFFF, 0x222222); // ordinary cards
inline constexpr ThemeColor muted = dynamic(0xE9E6E0, 0x262626);   // sand fill
inline constexpr ThemeColor sidebarCard = dynamic(0xE9E6E0, 0x1E1E1E);
inline constexpr ThemeColor inset = dynamic(0xF7F6F4, 0x1C1C1C); // insets in rows, detail
inline constexpr ThemeColor tile = dynamic(0xF2F1EF, 0x2C2C2C);
inline constexpr ThemeColor cardEdge = dynamic(0x1E1E1E, 0xFFFFFF, 0.07, 0.06);
inline constexpr ThemeColor line = dynamic(0x1E1E1E, 0xFFFFFF, 0.08, 0.08);
inline constexpr const ThemeColor& hairline = line;
inline constexpr ThemeColor fieldEdge = dynamic(0x1E1E1E, 0xFFFFFF, 0.14, 0.14);
inline constexpr ThemeColor selected = dynamic(0xE4E2DD, 0x2C2C2B);
inline constexpr ThemeColor hero = dynamic(0x1E1E1E, 0xF2F1EF); // inverted status card
inline constexpr ThemeColor heroInk = dynamic(0xFAFAF9, 0x1E1E1E);
inline constexpr ThemeColor heroDim = dynamic(0xC9C8C6, 0x5F5E5C);
inline constexpr ThemeColor heroChip = dynamic(0xFFFFFF, 0x1E1E1E, 0.08, 0.07);
inline constexpr ThemeColor feature = dynamic(0x1E1E1E, 0x101010); // dark feature cards
inline constexpr ThemeColor onFeature = fixed(0xFAFAF9);
inline constexpr ThemeColor onFeatureDim = fixed(0xC9C8C6);
inline constexpr ThemeColor featureHint = fixed(0xA9A8A6);                // hints on a dark feature card
inline constexpr ThemeColor featureControl = fixed(0xFFFFFF).opacity(0.10); // pill fill on a feature card
inline constexpr ThemeColor inverseInk = fixed(0x1E1E1E);                 // text on an onFeature fill
inline constexpr ThemeColor ink = dynamic(0x1E1E1E, 0xFAFAF9);   // primary text
inline constexpr ThemeColor dim = dynamic(0x5F5E5C, 0xB4B4B3);   // secondary text
inline constexpr ThemeColor faint = dynamic(0x6E6D6A, 0x8F8F8E); // tertiary text, captions
inline constexpr const ThemeColor& accent = ink;
inline constexpr ThemeColor onAccent = dynamic(0xFFFFFF, 0x1E1E1E);
inline constexpr ThemeColor tokenChip = fixed(0xE09A0D);
inline constexpr ThemeColor tokenChipBg = dynamic(0x1E1E1E, 0x2E2E2E);
inline constexpr ThemeColor token = dynamic(0x9A6400, 0xE09A0D);
inline constexpr ThemeColor mark = dynamic(0xE9E6E0, 0x333333);
inline constexpr ThemeColor green = dynamic(0x2F5A2F, 0x6FC79C);
inline constexpr ThemeColor greenBg = dynamic(0x3A653A, 0x5FB98E, 0.12, 0.14);
inline constexpr ThemeColor red = dynamic(0xB51515, 0xEF7676);
inline constexpr ThemeColor redBg = dynamic(0xB51515, 0xEF7676, 0.09, 0.12);
inline constexpr ThemeColor neutralBg = dynamic(0x1E1E1E, 0xFFFFFF, 0.06, 0.07);
inline constexpr ThemeColor amber = dynamic(0xB57800, 0xE09A0D);
inline constexpr ThemeColor live = dynamic(0x5FB98E, 0x3A8A5E);
inline constexpr ThemeColor heroOffTrack = dynamic(0x4A4A49, 0xBDBCBA);
inline constexpr ThemeColor switchOn = dynamic(0x3A653A, 0x3A8A5E);
inline constexpr ThemeColor switchOff = dynamic(0xBDBCBA, 0x4A4A49);
inline constexpr ThemeColor critical = fixed(0xEF7676);
inline constexpr ThemeColor criticalEdge = fixed(0xEF7676).opacity(0.35);
inline constexpr ThemeColor criticalCard = dynamic(0x1E1E1E, 0x2A1C1C);
inline constexpr ThemeColor warningBg = dynamic(0xFBF3E3, 0x2B2416);
inline constexpr ThemeColor warningEdge = fixed(0xE09A0D).opacity(0.32);
inline constexpr ThemeColor warningInk = dynamic(0x8A5A00, 0xE7AE45);
inline constexpr ThemeColor warningIconBg = fixed(0xE09A0D).opacity(0.18);
inline constexpr ThemeColor noticeIconBg = dynamic(0xFFFFFF, 0x1A1A1A);
inline constexpr ThemeColor sidebarAmber = fixed(0xE09A0D);
inline constexpr ThemeColor badgeAmber = fixed(0xB57800);

// --- Metrics ---
inline constexpr qreal pagePaddingH = 48;     // left and right padding of a page column
inline constexpr qreal pagePaddingTop = 40;   // top padding of a page column
inline constexpr qreal pagePadding = 36;      // all-round padding of the main window's root
inline constexpr qreal sectionGap = 24;       // between the sections of a page
inline constexpr qreal contentMaxWidth = 980; // widest page column
inline constexpr qreal sidebarWidth = 232;
inline constexpr qreal panelRadius = 24; // content panel, first-run frame
inline constexpr qreal cardRadius = 20;
inline constexpr qreal cardPadding = 20;
inline constexpr qreal bannerRadius = 14; // banners, alert strips
inline constexpr qreal rowRadius = 12;
inline constexpr qreal fieldRadius = 12;

// --- Title styles ---
// "Spectral-Medium" 40 px, tracking -1.6 (the system font, medium, when the face is missing).
QFont titleFont();
// "Spectral-Medium" 22 px, tracking -0.44.
QFont sectionTitleFont();
// A page title showing `text` verbatim (callers translate first), in `ink`.
TextLabel* title(const QString& text, QWidget* parent = nullptr);
// A section title showing `text` verbatim, in `ink`.
TextLabel* sectionTitle(const QString& text, QWidget* parent = nullptr);

} // namespace Theme

} // namespace fernholm

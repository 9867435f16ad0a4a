#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QColor;
class QWidget;

namespace fernholm {

class ColorSchemeSource;

// The two looks every window is drawn in.
enum class ColorScheme { light, dark };

// The scheme the application draws in. The "appAppearance" setting decides when it is exactly
// "light" or "dark"; otherwise ("system", empty, anything else) the desktop's preference does:
// portal value 1 is dark, 2 light; with no preference (0), no portal or a failed read the
// window colour of the palette decides (lightness below 128 is dark).
ColorScheme resolveColorScheme(const QString& appAppearance, std::optional<uint> portalScheme,
                               const QColor& paletteWindow);

// The application's current scheme, and the scheme a given widget is drawn in.
//
// Colours are resolved when painted: a widget asks `Appearance::schemeOf(this)` (or, shorter,
// `Theme::ink.on(this)`) inside its paintEvent. A subtree can be drawn in one scheme whatever
// the window's (a dark feature card, the dark panels of the request detail): `force(root, dark)`
// marks its root, and schemeOf walks up to the nearest marked ancestor.
//
// When the scheme changes, every top-level window is repainted and schemeChanged() is emitted;
// widgets that keep something derived from colours (a text document's formats) rebuild it then.
// GUI thread only.
class Appearance final : public QObject {
    Q_OBJECT
public:
    // The process-wide instance (made on first use, owned by the application object).
    static Appearance& instance();

    ColorScheme scheme() const { return m_scheme; }

    // The stored "appAppearance" setting: "light", "dark", "system" or empty.
    QString appAppearance() const { return m_appAppearance; }
    void setAppAppearance(const QString& setting);

    // The desktop portal's "color-scheme" (0 no preference, 1 dark, 2 light), or nothing when
    // there is no portal or it could not be read.
    std::optional<uint> portalScheme() const { return m_portalScheme; }
    void setPortalScheme(std::optional<uint> value);

    // Takes the portal value from a source and follows its changes (the source is not owned;
    // following another source or nullptr lets go of the previous one).
    void follow(ColorSchemeSource* source);
    // Follows the desktop's settings portal on the session bus (asked once, without blocking;
    // until it answers, the palette decides). The application calls this once at start.
    void followDesktop();

    // The scheme `widget` is drawn in: that of its nearest forced ancestor (itself included),
    // else the application's. A null widget gets the application's.
    static ColorScheme schemeOf(const QWidget* widget);
    // Draws `root` and everything inside it in `scheme`; nothing as the scheme lifts the mark.
    static void force(QWidget* root, std::optional<ColorScheme> scheme);
    static std::optional<ColorScheme> forced(const QWidget* widget);

Q_SIGNALS:
    void schemeChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit Appearance(QObject* parent);
    void reevaluate();

    QString m_appAppearance;
    std::optional<uint> m_portalScheme;
    ColorScheme m_scheme = ColorScheme::light;
    QPointer<ColorSchemeSource> m_source;
    ColorSchemeSource* m_desktop = nullptr;
    QMetaObject::Connection m_sourceConnection;
};

} // namespace fernholm

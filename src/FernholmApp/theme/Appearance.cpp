#include "FernholmApp/theme/Appearance.h"

#include "FernholmKit/platform/ColorSchemePortal.h"

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace fernholm {

namespace {

constexpr const char* forcedProperty = "fernholmColorScheme";

QColor paletteWindow() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Window);
}

} // namespace

ColorScheme resolveColorScheme(const QString& appAppearance, std::optional<uint> portalScheme,
                               const QColor& paletteWindow) {
    if (appAppearance == QLatin1String("light")) {
        return ColorScheme::light;
    }
    if (appAppearance == QLatin1String("dark")) {
        return ColorScheme::dark;
    }
    if (portalScheme == 1u) {
        return ColorScheme::dark;
    }
    if (portalScheme == 2u) {
        return ColorScheme::light;
    }
    return paletteWindow.lightness() < 128 ? ColorScheme::dark : ColorScheme::light;
}

Appearance& Appearance::instance() {
    static QPointer<Appearance> shared;
    if (!shared) {
        shared = new Appearance(QCoreApplication::instance());
    }
    return *shared;
}

Appearance::Appearance(QObject* parent) : QObject(parent) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this); // follows palette changes for the last fallback
    }
    m_scheme = resolveColorScheme(m_appAppearance, m_portalScheme, paletteWindow());
}

void Appearance::setAppAppearance(const QString& setting) {
    m_appAppearance = setting;
    reevaluate();
}

void Appearance::setPortalScheme(std::optional<uint> value) {
    m_portalScheme = value;
    reevaluate();
}

void Appearance::follow(ColorSchemeSource* source) {
    disconnect(m_sourceConnection);
    m_source = source;
    if (!source) {
        return;
    }
    m_sourceConnection = connect(source, &ColorSchemeSource::colorSchemeChanged, this,
                                 [this] { setPortalScheme(m_source ? m_source->colorScheme() : std::nullopt); });
    setPortalScheme(source->colorScheme());
}

void Appearance::followDesktop() {
    if (!m_desktop) {
        m_desktop = new ColorSchemePortal(QDBusConnection::sessionBus(), this);
    }
    follow(m_desktop);
}

bool Appearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange) {
        reevaluate();
    }
    return QObject::eventFilter(watched, event);
}

void Appearance::reevaluate() {
    const ColorScheme next = resolveColorScheme(m_appAppearance, m_portalScheme, paletteWindow());
    if (next == m_scheme) {
        return;
    }
    m_scheme = next;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            window->update();
        }
    }
    Q_EMIT schemeChanged();
}

ColorScheme Appearance::schemeOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (const auto scheme = forced(w)) {
            return *scheme;
        }
    }
    return instance().scheme();
}

void Appearance::force(QWidget* root, std::optional<ColorScheme> scheme) {
    if (!root) {
        return;
    }
    if (!scheme) {
        root->setProperty(forcedProperty, QVariant());
    } else {
        root->setProperty(forcedProperty,
                          *scheme == ColorScheme::dark ? QStringLiteral("dark") : QStringLiteral("light"));
    }
    root->update();
}

std::optional<ColorScheme> Appearance::forced(const QWidget* widget) {
    const QVariant value = widget ? widget->property(forcedProperty) : QVariant();
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toString() == QLatin1String("dark") ? ColorScheme::dark : ColorScheme::light;
}

} // namespace fernholm

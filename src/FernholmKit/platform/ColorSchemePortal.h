#pragma once

#include <QDBusConnection>
#include <QObject>

#include <optional>

class QDBusVariant;

namespace fernholm {

// The desktop's preferred colour scheme: 0 no preference, 1 prefer dark, 2 prefer light, or
// nothing while it is unknown (no portal, a failed read, no answer yet).
class ColorSchemeSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual std::optional<uint> colorScheme() const = 0;

Q_SIGNALS:
    void colorSchemeChanged();
};

// The freedesktop settings portal: reads "color-scheme" of "org.freedesktop.appearance" once,
// without blocking, and follows its SettingChanged signal. A change that arrives before the
// first read answers wins over that answer. Values other than 0, 1 and 2 are passed on as
// they are (the appearance treats them as no preference).
class ColorSchemePortal final : public ColorSchemeSource {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
    static inline const QString settingsNamespace = QStringLiteral("org.freedesktop.appearance");
    static inline const QString key = QStringLiteral("color-scheme");

    // Asks `portalService` on `bus` (tests name a service nobody owns to see a desktop without
    // a portal).
    explicit ColorSchemePortal(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr,
                               const QString& portalService = service);

    std::optional<uint> colorScheme() const override { return m_value; }
    // Whether the first read has answered (with a value or an error).
    bool hasAnswered() const { return m_answered; }

    // The number inside a portal reply, which wraps it in one or more variants.
    static std::optional<uint> unwrap(const QVariant& value);

Q_SIGNALS:
    void answered();

private Q_SLOTS:
    void onSettingChanged(const QString& settingsNamespace, const QString& key, const QDBusVariant& value);

private:
    void store(std::optional<uint> value);

    QDBusConnection m_bus;
    std::optional<uint> m_value;
    bool m_answered = false;
    bool m_changedSinceRead = false;
};

} // namespace fernholm

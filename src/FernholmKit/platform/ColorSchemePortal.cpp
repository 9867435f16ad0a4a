#include "FernholmKit/platform/ColorSchemePortal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <limits>

namespace fernholm {

ColorSchemePortal::ColorSchemePortal(QDBusConnection bus, QObject* parent, const QString& portalService)
    : ColorSchemeSource(parent), m_bus(std::move(bus)) {
    if (!m_bus.isConnected()) {
        m_answered = true;
        return;
    }
    // Listen first, so that no change between the read and its answer is lost. (D-Bus signal
    // connections take a slot signature: there is no member-pointer form.)
    m_bus.connect(portalService, path, interface, QStringLiteral("SettingChanged"), this,
                  SLOT(onSettingChanged(QString, QString, QDBusVariant)));

    QDBusMessage read = QDBusMessage::createMethodCall(portalService, path, interface, QStringLiteral("Read"));
    read << settingsNamespace << key;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (!m_changedSinceRead && reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            store(unwrap(reply.arguments().constFirst()));
        }
        m_answered = true;
        Q_EMIT answered();
    });
}

std::optional<uint> ColorSchemePortal::unwrap(const QVariant& value) {
    QVariant inner = value;
    // The portal's Read answers v wrapping v; a few levels are plenty, and bound the loop.
    for (int level = 0; level < 4 && inner.metaType() == QMetaType::fromType<QDBusVariant>(); ++level) {
        inner = inner.value<QDBusVariant>().variant();
    }
    switch (inner.metaType().id()) {
    case QMetaType::UInt:
    case QMetaType::Int:
    case QMetaType::UShort:
    case QMetaType::Short:
    case QMetaType::UChar:
    case QMetaType::ULongLong:
    case QMetaType::LongLong: {
        bool ok = false;
        const qlonglong number = inner.toLongLong(&ok);
        if (ok && number >= 0 && number <= std::numeric_limits<uint>::max()) {
            return uint(number);
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

void ColorSchemePortal::onSettingChanged(const QString& changedNamespace, const QString& changedKey,
                                         const QDBusVariant& value) {
    if (changedNamespace != settingsNamespace || changedKey != key) {
        return;
    }
    m_changedSinceRead = true;
    store(unwrap(QVariant::fromValue(value)));
}

void ColorSchemePortal::store(std::optional<uint> value) {
    if (value == m_value) {
        return;
    }
    m_value = value;
    Q_EMIT colorSchemeChanged();
}

} // namespace fernholm

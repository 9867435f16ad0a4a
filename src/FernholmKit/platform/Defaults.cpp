#include "FernholmKit/platform/Defaults.h"

#include <QFile>
#include <QSettings>

#include <cmath>

namespace fernholm {

std::optional<double> Defaults::asNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toDouble();
    case QMetaType::QString: {
        bool ok = false;
        const double d = value.toString().trimmed().toDouble(&ok);
        if (ok && std::isfinite(d)) {
            return d;
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<bool> Defaults::asBoolean(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true")) {
            return true;
        }
        if (text == QLatin1String("false")) {
            return false;
        }
    }
    return std::nullopt;
}

std::optional<QString> Defaults::string(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return v.toString();
}

std::optional<bool> Defaults::boolean(const QString& key) const {
    return asBoolean(value(key));
}

std::optional<double> Defaults::number(const QString& key) const {
    return asNumber(value(key));
}

std::optional<QMap<QString, double>> Defaults::numberMap(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    QMap<QString, double> out;
    const QVariantMap map = v.toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
        auto number = asNumber(it.value());
        if (!number) {
            return std::nullopt;
        }
        out.insert(it.key(), *number);
    }
    return out;
}

SettingsDefaults::SettingsDefaults() : m_settings(std::make_unique<QSettings>()) {}

SettingsDefaults::SettingsDefaults(const QString& iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

SettingsDefaults::~SettingsDefaults() = default;

QVariant SettingsDefaults::value(const QString& key) const {
    return m_settings->value(key);
}

void SettingsDefaults::setValue(const QString& key, const QVariant& value) {
    m_settings->setValue(key, value);
}

void SettingsDefaults::remove(const QString& key) {
    m_settings->remove(key);
}

void SettingsDefaults::removeAll() {
    m_settings->clear();
    // Written out empty first, so that nothing still pending can bring a value back later.
    m_settings->sync();
    QFile::remove(m_settings->fileName());
}

void SettingsDefaults::sync() {
    m_settings->sync();
}

QString SettingsDefaults::fileName() const {
    return m_settings->fileName();
}

} // namespace fernholm

#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

namespace fernholm {

// The user defaults: a small key-value store that outlives the process. The typed readers
// accept values the way a settings file hands them back (an INI file keeps every number and
// Boolean as text), so a value reads the same after a restart as when it was written.
class Defaults {
public:
    virtual ~Defaults() = default;

    // An invalid QVariant when the key is absent.
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    // Forgets every value, and removes the file the store keeps them in.
    virtual void removeAll() = 0;

    bool contains(const QString& key) const { return value(key).isValid(); }
    std::optional<QString> string(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    std::optional<double> number(const QString& key) const;
    // Nothing when absent, not a map, or when any entry is not a number.
    std::optional<QMap<QString, double>> numberMap(const QString& key) const;

    static std::optional<double> asNumber(const QVariant& value);
    static std::optional<bool> asBoolean(const QVariant& value);
};

// The real store: a QSettings file.
class SettingsDefaults final : public Defaults {
public:
    // The application's own settings (organisation and application name of the running app).
    SettingsDefaults();
    // An INI file at the given path.
    explicit SettingsDefaults(const QString& iniPath);
    ~SettingsDefaults() override;

    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    void removeAll() override;
    void sync();
    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace fernholm

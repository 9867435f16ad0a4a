#pragma once

#include "FernholmKit/platform/Defaults.h"

#include <QVariantMap>

namespace fernholm::test {

// User defaults held in memory.
class MemoryDefaults final : public Defaults {
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override {
        m_values.insert(key, value);
        ++m_writes;
    }
    void remove(const QString& key) override {
        m_values.remove(key);
        ++m_writes;
    }
    void removeAll() override {
        m_values.clear();
        ++m_writes;
    }
    bool isEmpty() const { return m_values.isEmpty(); }

    // How many times anything was written or removed.
    int writes() const { return m_writes; }

private:
    QVariantMap m_values;
    int m_writes = 0;
};

} // namespace fernholm::test

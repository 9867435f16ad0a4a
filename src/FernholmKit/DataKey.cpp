#include "DataKey.h"

#include "platform/SystemKeychain.h"

namespace fernholm {

QMap<QString, QString> DataKey::baseQuery() {
    return {{QStringLiteral("service"), QStringLiteral("com.orvendale.tarvine")},
            {QStringLiteral("account"), QStringLiteral("data-key")}};
}

std::optional<QByteArray> DataKey::make(KeychainItem& item, const RandomFill& random) {
    QByteArray bytes(length, '\0');
    if (!random || random(std::span<uint8_t>(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size())) != 0) {
        return std::nullopt;
    }
    if (item.add(bytes) != keychain::success) {
        return std::nullopt;
    }
    return bytes;
}

DataKeyRead DataKey::read(KeychainItem& item, const RandomFill& random) {
    const KeychainCopy stored = item.copy();
    if (stored.status == keychain::itemNotFound) {
        const auto made = make(item, random);
        return made ? DataKeyRead::found(*made) : DataKeyRead::none();
    }
    if (stored.status != keychain::success || !stored.bytes) {
        return DataKeyRead::none();
    }
    if (stored.bytes->size() == length) {
        return DataKeyRead::found(*stored.bytes);
    }
    // A value of the wrong length can never open anything: replace it, but only once it is gone.
    if (item.deleteItem() != keychain::success) {
        return DataKeyRead::none();
    }
    const auto made = make(item, random);
    return made ? DataKeyRead::replacedBy(*made) : DataKeyRead::none();
}

std::optional<QByteArray> DataKey::load() {
    SystemKeychain item;
    return read(item).key();
}

void DataKey::deleteItem() {
    SystemKeychain item;
    item.deleteItem();
}

DataKeySource::DataKeySource(std::shared_ptr<KeychainItem> item, RandomFill random)
    : m_item(std::move(item)), m_random(std::move(random)) {}

DataKeyRead DataKeySource::forStart() {
    if (m_pending) {
        DataKeyRead kept = *m_pending;
        m_pending.reset();
        return kept;
    }
    return DataKey::read(*m_item, m_random);
}

std::optional<QByteArray> DataKeySource::retry() {
    const DataKeyRead fresh = DataKey::read(*m_item, m_random);
    auto bytes = fresh.key();
    if (bytes) {
        m_pending = fresh;
    }
    return bytes;
}

} // namespace fernholm

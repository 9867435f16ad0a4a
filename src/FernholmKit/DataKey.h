#pragma once

#include "platform/KeychainItem.h"
#include "platform/SecureRandom.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <memory>
#include <optional>

namespace fernholm {

// What reading the data key gave.
struct DataKeyRead {
    enum class Kind {
        key,         // a valid key was found or newly made
        replaced,    // a stored value of the wrong length was deleted and a new key made
        unavailable, // no key could be had
    };

    Kind kind = Kind::unavailable;
    QByteArray bytes;

    static DataKeyRead found(QByteArray bytes) { return {Kind::key, std::move(bytes)}; }
    static DataKeyRead replacedBy(QByteArray bytes) { return {Kind::replaced, std::move(bytes)}; }
    static DataKeyRead none() { return {Kind::unavailable, {}}; }

    // The key bytes of `key` and `replaced`.
    std::optional<QByteArray> key() const {
        return kind == Kind::unavailable ? std::nullopt : std::optional<QByteArray>(bytes);
    }

    bool operator==(const DataKeyRead&) const = default;
};

// The gateway's 32-byte data key, kept in one keychain item and nowhere else: never in a file,
// the settings, the environment or the command line.
class DataKey {
public:
    static constexpr qsizetype length = 32;

    // The attributes that find the item.
    static QMap<QString, QString> baseQuery();

    // Reads the key from the item, making one when there is none and replacing a stored value
    // of the wrong length. A keychain that refuses access is left alone.
    static DataKeyRead read(KeychainItem& item, const RandomFill& random = secureRandomFill);

    // `read` on the system keychain: the key bytes, or nothing.
    static std::optional<QByteArray> load();

    // Removes the item from the system keychain, whatever the outcome.
    static void deleteItem();

private:
    static std::optional<QByteArray> make(KeychainItem& item, const RandomFill& random);
};

// The data key for each gateway launch of one application run. A retry that found a key keeps
// that read for the next launch, which then does not read the keychain again.
class DataKeySource {
public:
    explicit DataKeySource(std::shared_ptr<KeychainItem> item, RandomFill random = secureRandomFill);

    // The read kept by an earlier retry, else a fresh read; nothing is kept afterwards.
    DataKeyRead forStart();

    // A fresh read; when it gave key bytes, keeps it for the next launch and answers the bytes.
    // When it gave none, answers nothing and keeps what was kept before.
    std::optional<QByteArray> retry();

    const std::optional<DataKeyRead>& pending() const { return m_pending; }

private:
    std::shared_ptr<KeychainItem> m_item;
    RandomFill m_random;
    std::optional<DataKeyRead> m_pending;
};

} // namespace fernholm

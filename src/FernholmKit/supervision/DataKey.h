#pragma once

#include "FernholmKit/platform/KeychainItem.h"
#include "FernholmKit/platform/SecureRandom.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

class QThreadPool;

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

    // Deletes the item off the calling thread. A store that has not answered within `bound`
    // answers keychain::notAvailable; a delete that had not begun by then never runs.
    static QCoro::Task<int32_t> deleteItemAsync(std::shared_ptr<KeychainItem> item, std::chrono::milliseconds bound);

    // Where keychain calls made off the calling thread run now: one at a time, in the order asked
    // for, so two reads never both find no key and both make one. A call given up on leaves this
    // queue to the work stuck in it, and later calls go to a fresh one. Never destroyed, so a call
    // stuck in a store that does not answer cannot hold up the end of the program.
    static QThreadPool& workers();
    // Waits until the work of every queue, those left behind included, has ended; false when some
    // is still under way after `limit`.
    static bool waitForWorkers(std::chrono::milliseconds limit);

private:
    static std::optional<QByteArray> make(KeychainItem& item, const RandomFill& random);
};

// The data key for each gateway launch of one application run. A retry that found a key keeps
// that read for the next launch, which then does not read the keychain again.
//
// The awaitable calls read the keychain on DataKey::workers() while the caller's event loop goes
// on. A store that has not answered within `bound` (a hung or very slow Secret Service, an unlock
// prompt nobody answers) gives `unavailable`, and the read that was let go of writes nothing from
// then on: no key is made or replaced behind the caller's back.
class DataKeySource {
public:
    static constexpr std::chrono::milliseconds defaultBound{5000};

    explicit DataKeySource(std::shared_ptr<KeychainItem> item, RandomFill random = secureRandomFill,
                           std::chrono::milliseconds bound = defaultBound);

    // The read kept by an earlier retry, else a fresh read; nothing is kept afterwards.
    DataKeyRead forStart();
    QCoro::Task<DataKeyRead> forStartAsync();

    // A fresh read; when it gave key bytes, keeps it for the next launch and answers the bytes.
    // When it gave none, answers nothing and keeps what was kept before.
    std::optional<QByteArray> retry();
    QCoro::Task<std::optional<QByteArray>> retryAsync();

    const std::optional<DataKeyRead>& pending() const { return *m_pending; }
    std::chrono::milliseconds bound() const { return m_bound; }

private:
    std::shared_ptr<KeychainItem> m_item;
    RandomFill m_random;
    std::chrono::milliseconds m_bound;
    // Shared with a retry under way, which keeps its read only while the source still exists.
    std::shared_ptr<std::optional<DataKeyRead>> m_pending = std::make_shared<std::optional<DataKeyRead>>();
};

} // namespace fernholm

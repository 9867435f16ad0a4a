#include "FernholmKit/supervision/DataKey.h"

#include "FernholmKit/platform/SystemKeychain.h"

#include <QCoroSignal>
#include <QDeadlineTimer>
#include <QFuture>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <mutex>

namespace fernholm {

namespace {

using Abandoned = std::shared_ptr<std::atomic<bool>>;

// The item as seen by work whose caller may stop waiting: reads go through, writes only while
// someone still waits for the answer.
class UnlessAbandoned final : public KeychainItem {
public:
    UnlessAbandoned(std::shared_ptr<KeychainItem> item, Abandoned abandoned)
        : m_item(std::move(item)), m_abandoned(std::move(abandoned)) {}

    KeychainCopy copy() override { return m_item->copy(); }
    int32_t add(const QByteArray& bytes) override { return *m_abandoned ? keychain::notAvailable : m_item->add(bytes); }
    int32_t deleteItem() override { return *m_abandoned ? keychain::notAvailable : m_item->deleteItem(); }

private:
    std::shared_ptr<KeychainItem> m_item;
    Abandoned m_abandoned;
};

// The queue of keychain work: one worker, so that calls run one at a time in the order asked for.
// A call that is given up on leaves its worker stuck in the store; the queue is then replaced by a
// fresh one, so that the next call (a retry above all) does not wait behind it. Queues are never
// destroyed: a call stuck in a store that does not answer cannot hold up the end of the program.
struct WorkerQueues {
    std::mutex lock;
    QThreadPool* current = nullptr;
    QList<QThreadPool*> retired;

    static QThreadPool* fresh() {
        auto* threads = new QThreadPool();
        threads->setMaxThreadCount(1);
        return threads;
    }
    QThreadPool* now() {
        std::lock_guard hold(lock);
        if (!current) {
            current = fresh();
        }
        return current;
    }
    void retire(QThreadPool* stuck) {
        std::lock_guard hold(lock);
        if (current == stuck) {
            retired.append(current);
            current = fresh();
        }
    }
    QList<QThreadPool*> all() {
        std::lock_guard hold(lock);
        QList<QThreadPool*> pools = retired;
        if (current) {
            pools.append(current);
        }
        return pools;
    }
};

WorkerQueues& queues() {
    static WorkerQueues* const instance = new WorkerQueues();
    return *instance;
}

// The work's answer, or nothing when it did not come within the bound. The work is then marked
// abandoned, cancelled should it not have begun yet, and its queue left behind.
template <typename T>
QCoro::Task<std::optional<T>> within(QFuture<T> future, QThreadPool* queue, Abandoned abandoned,
                                     std::chrono::milliseconds bound) {
    // The watcher reports a future that finished before it was set, too, through the event loop,
    // so the signal cannot pass before the wait below has begun.
    QFutureWatcher<T> watcher;
    watcher.setFuture(future);
    const auto finished = co_await qCoro(&watcher, &QFutureWatcherBase::finished, bound);
    if (!finished && !future.isFinished()) {
        *abandoned = true;
        future.cancel();
        queues().retire(queue);
        co_return std::nullopt;
    }
    co_return future.result();
}

// Not coroutines: GCC 12 destroys a capturing lambda twice when it appears in the same
// expression as co_await.
QFuture<DataKeyRead> readOnWorker(QThreadPool* queue, std::shared_ptr<KeychainItem> item, RandomFill random,
                                  Abandoned abandoned) {
    return QtConcurrent::run(queue,
                             [item = std::move(item), random = std::move(random), abandoned = std::move(abandoned)] {
                                 UnlessAbandoned guarded(item, abandoned);
                                 return DataKey::read(guarded, random);
                             });
}

QFuture<int32_t> deleteOnWorker(QThreadPool* queue, std::shared_ptr<KeychainItem> item, Abandoned abandoned) {
    return QtConcurrent::run(queue, [item = std::move(item), abandoned = std::move(abandoned)] {
        return *abandoned ? keychain::notAvailable : item->deleteItem();
    });
}

QCoro::Task<DataKeyRead> boundedRead(std::shared_ptr<KeychainItem> item, RandomFill random,
                                     std::chrono::milliseconds bound) {
    auto abandoned = std::make_shared<std::atomic<bool>>(false);
    QThreadPool* queue = &DataKey::workers();
    QFuture<DataKeyRead> work = readOnWorker(queue, std::move(item), std::move(random), abandoned);
    const std::optional<DataKeyRead> read = co_await within(std::move(work), queue, abandoned, bound);
    co_return read.value_or(DataKeyRead::none());
}

} // namespace

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

QCoro::Task<int32_t> DataKey::deleteItemAsync(std::shared_ptr<KeychainItem> item, std::chrono::milliseconds bound) {
    auto abandoned = std::make_shared<std::atomic<bool>>(false);
    QThreadPool* queue = &DataKey::workers();
    QFuture<int32_t> work = deleteOnWorker(queue, std::move(item), abandoned);
    const std::optional<int32_t> status = co_await within(std::move(work), queue, abandoned, bound);
    co_return status.value_or(keychain::notAvailable);
}

QThreadPool& DataKey::workers() {
    return *queues().now();
}

bool DataKey::waitForWorkers(std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    for (QThreadPool* pool : queues().all()) {
        if (!pool->waitForDone(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    return true;
}

DataKeySource::DataKeySource(std::shared_ptr<KeychainItem> item, RandomFill random, std::chrono::milliseconds bound)
    : m_item(std::move(item)), m_random(std::move(random)), m_bound(bound) {}

DataKeyRead DataKeySource::forStart() {
    if (*m_pending) {
        DataKeyRead kept = **m_pending;
        m_pending->reset();
        return kept;
    }
    return DataKey::read(*m_item, m_random);
}

std::optional<QByteArray> DataKeySource::retry() {
    const DataKeyRead fresh = DataKey::read(*m_item, m_random);
    auto bytes = fresh.key();
    if (bytes) {
        *m_pending = fresh;
    }
    return bytes;
}

QCoro::Task<DataKeyRead> DataKeySource::forStartAsync() {
    if (*m_pending) {
        DataKeyRead kept = **m_pending;
        m_pending->reset();
        co_return kept;
    }
    // Nothing of the source is touched after the wait: it may be gone by then.
    co_return co_await boundedRead(m_item, m_random, m_bound);
}

QCoro::Task<std::optional<QByteArray>> DataKeySource::retryAsync() {
    const std::weak_ptr<std::optional<DataKeyRead>> pending = m_pending;
    const DataKeyRead fresh = co_await boundedRead(m_item, m_random, m_bound);
    auto bytes = fresh.key();
    if (bytes) {
        if (const auto kept = pending.lock()) {
            *kept = fresh;
        }
    }
    co_return bytes;
}

} // namespace fernholm

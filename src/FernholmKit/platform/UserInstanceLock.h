#pragma once

#include "FernholmKit/platform/SingleInstance.h"

#include <QMap>

#include <optional>

class QLocalServer;

namespace fernholm {

// The single instance on Linux: an exclusive flock on a lock file in a folder only this user can
// enter, and a local socket beside it on which the holder hears later launches. The lock goes with
// the process however it ends, so a crash leaves no claim behind; a socket file left by a crash
// is removed by the next holder, which alone may listen there.
//
// A later launch writes "activate <token>\n" and waits for "ok\n": without the answer (the holder
// stopped listening, or never read the line) it goes back to waiting for the lock.
class UserInstanceLock final : public SingleInstance {
    Q_OBJECT
public:
    static inline const QString lockName = QStringLiteral("com.orvendale.tarvine.lock");
    static inline const QString socketName = QStringLiteral("com.orvendale.tarvine.socket");

    // `folder` must be private to this user (see privateFolder()).
    explicit UserInstanceLock(QString folder, QObject* parent = nullptr);
    ~UserInstanceLock() override;

    // $XDG_RUNTIME_DIR when it is an absolute path to a folder of this user's that nobody else may
    // enter; otherwise a folder of its own in the user's cache ($XDG_CACHE_HOME, else ~/.cache),
    // made 0700. Nothing when neither can be had; `why` then says why.
    static std::optional<QString> privateFolder(const QMap<QString, QString>& env, QString* why = nullptr);

    Claim claim(const QString& token, std::chrono::milliseconds wait) override;
    void stopListening() override;
    QString failure() const override { return m_failure; }

    QString lockPath() const;
    QString socketPath() const;

private:
    bool listen();
    bool handOver(const QString& token, std::chrono::milliseconds wait);
    void serve();

    QString m_folder;
    QString m_failure;
    int m_lock = -1;
    QLocalServer* m_server = nullptr;
};

} // namespace fernholm

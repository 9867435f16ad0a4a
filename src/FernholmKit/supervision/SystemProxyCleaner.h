#pragma once

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <functional>
#include <optional>

namespace fernholm {

// Switches off the system web and secure web proxies that still point at the gateway, checks
// that they are off, and puts back the automatic proxy settings the gateway parked when it took
// over. Everything goes through the system proxy tool, reached through a runner, so the logic
// runs the same against a scripted tool. No state: every call reads the settings afresh.
class SystemProxyCleaner {
public:
    SystemProxyCleaner() = delete;

    // Runs the proxy tool with exactly these arguments; answers its standard output when the
    // tool could be started and exited with status 0, and nothing otherwise.
    using Runner = std::function<std::optional<QString>(const QStringList&)>;

    struct Result {
        QList<QStringList> ran; // every switch-off command issued, in order, with its arguments
        QStringList stillOurs;  // network services that may still point at the gateway, each once

        bool ok() const { return stillOurs.isEmpty(); }
        bool operator==(const Result&) const = default;
    };

    // What stillOurs holds when the tool cannot even list the network services.
    static inline const QString unreadableServices = QStringLiteral("(network services unreadable)");

    // This platform's tool.
    static const Runner& runNetworksetup();

    // Blocks while the tool runs, several times per network service. `service` is the one the
    // gateway reported (checked first), `port` its proxy port, `parked` the path of the parked
    // settings file the gateway left.
    static Result clear(const std::optional<QString>& service, int port, const std::optional<QString>& parked,
                        const Runner& run = runNetworksetup());

    // clear() on the thread pool, for callers on the GUI thread.
    static QCoro::Task<Result> clearAsync(std::optional<QString> service, int port, std::optional<QString> parked,
                                          Runner run = runNetworksetup());

    // Whether the output of a proxy read command shows that proxy on and pointing at 127.0.0.1
    // on this port.
    static bool pointsAt(const QString& output, int port);

    // Puts back the parked settings of every service not in `skipping`; restored entries leave
    // the file, which is deleted once empty.
    static void restoreParked(const QString& path, const QStringList& skipping, const Runner& run);

private:
    static QCoro::Task<Result> awaitResult(QFuture<Result> future);
};

} // namespace fernholm

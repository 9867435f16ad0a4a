#pragma once

#include "FernholmKit/control/Time.h"
#include "FernholmKit/platform/SecureRandom.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <functional>
#include <mutex>
#include <optional>

class QProcess;

namespace fernholm {

using Environment = QMap<QString, QString>;

enum class RuntimeKind {
    embedded, // shipped with the application
    repoVenv, // a development checkout with its own virtual environment
};

// What to run as the gateway, and how.
struct Runtime {
    QString python; // the executable; for `embedded` the shipped "sidecar/sidecar", not an interpreter
    QString workingDir;
    RuntimeKind kind = RuntimeKind::repoVenv;
    QStringList args;
    Environment extraEnv; // added after the fixed variables

    bool operator==(const Runtime&) const = default;
};

// The outcome and state of a launch. `start` answers only failed, exited or ready; the
// application model sets idle and starting around a launch.
struct SidecarState {
    enum class Kind { failed, exited, idle, starting, ready };

    Kind kind = Kind::idle;
    QString reason; // failed: one line
    int code = 0;   // exited: the child's termination status

    static SidecarState failed(QString reason) { return {Kind::failed, std::move(reason), 0}; }
    static SidecarState exited(int code) { return {Kind::exited, {}, code}; }
    static SidecarState idle() { return {Kind::idle, {}, 0}; }
    static SidecarState starting() { return {Kind::starting, {}, 0}; }
    static SidecarState ready() { return {Kind::ready, {}, 0}; }

    bool operator==(const SidecarState&) const = default;
};

// One launch of the gateway: finds nothing itself, launches the runtime it is given with the
// launch contract (environment, arguments, working folder, and the data key and control token
// as two lines on standard input), waits until the listener proves itself, keeps the tail of
// the child's standard error and stops the child. Never reused for a second launch.
//
// Lives on the GUI thread: the child process only learns that its child ended through this
// thread's event loop, and every wait is a coroutine that sleeps on timers.
class SidecarProcess : public QObject {
    Q_OBJECT
public:
    using PortProbe = std::function<QCoro::Task<bool>(int port)>;

    // The most of standard error that is kept.
    static constexpr qsizetype stderrTailLimit = 8192;

    // The inherited variables an `embedded` child may see.
    static const QStringList embeddedEnvironmentKeys;

    SidecarProcess(Runtime runtime, int port, Environment inheritedEnvironment, std::optional<QByteArray> dataKey,
                   std::optional<QString> controlToken, QObject* parent = nullptr);
    // A checkout's runtime with this process's environment, no data key and no control token.
    SidecarProcess(const QString& repoRoot, int port, QObject* parent = nullptr);
    // Kills a child that still runs, without calling onExit, and blocks briefly until it is
    // reaped: a killed child ends at once (the wait gives up after 2 s).
    ~SidecarProcess() override;

    int port() const { return m_port; }
    const Runtime& runtime() const { return m_runtime; }
    const QString& pythonPath() const { return m_runtime.python; }
    RuntimeKind runtimeKind() const { return m_runtime.kind; }

    // Called when the child ends. The value held when `start` launches the child is the one
    // that launch calls. It runs inside the child-process object's own finished signal, so an
    // owner that lets go of this object from there must release it with deleteLater(), never
    // delete it inside onExit.
    std::function<void()> onExit;

    // --- Runtime lookup ---

    // The shipped runtime when the resource folder holds an executable "sidecar/sidecar", else a
    // checkout's; nothing when neither is found, and nothing for an application bundle without
    // its sidecar (a bundle never falls back to a checkout). A relative checkout root is taken
    // from `cwd` (the current folder when empty).
    static std::optional<Runtime> resolveRuntime(const Environment& env, const std::optional<QString>& resourceFolder,
                                                 const QString& binaryPath, const QString& cwd);
    // TARVINE_REPO, then FERNHOLM_REPO, then a walk up from the executable, then from the
    // current folder.
    static std::optional<QString> resolveRepoRoot(const Environment& env, const QString& binaryPath,
                                                  const QString& cwd);
    // The nearest of the folder (a file's parent) and its 19 nearest ancestors that holds an
    // executable ".venv/bin/python".
    static std::optional<QString> walkUpForVenv(const QString& from);
    // The resource folder of an installed build, <exe>/../share/tarvine; none in a build tree.
    static std::optional<QString> installedResourceFolder(const QString& binaryPath);
    static Runtime checkoutRuntime(const QString& repoRoot);
    static Environment embeddedEnvironment(const Environment& env);
    static Environment currentEnvironment();

    // --- Launch and stop ---

    // Launches the child and waits until the probe (by default the identity proof with a 1 s
    // time-out) answers yes, the child ends, or readyTimeout has passed. A yes counts only when the
    // child still runs and did not end while the probe was under way. A child that did not prove
    // itself in time is left running.
    QCoro::Task<SidecarState> start(Seconds readyTimeout, PortProbe probe = {});
    bool isRunning() const;
    // The last (at most 8192) bytes of standard error, starting on a character boundary and
    // decoded leniently.
    QString stderrTail() const;
    // SIGTERM, up to `grace` for the child to end, then SIGKILL and up to 2 s more.
    QCoro::Task<> terminate(Seconds grace);
    // The same, blocking the calling thread until the child is gone or the waits have passed: for
    // the application's last moments only, where nothing else is left to run. onExit runs inside.
    void terminateNow(Seconds grace);

    // --- Identity proof ---

    // HMAC-SHA256 of "tarvine-hello:" + nonce under the token's UTF-8 bytes, as 64 lower-case
    // hexadecimal digits.
    static QString helloProof(const QString& token, const QString& nonce);

    // Whether the listener on 127.0.0.1:port answers a fresh nonce with the proof for `token`.
    // Without a token (absent or empty) it only tests that the port accepts a connection. Every
    // failure, a reply later than timeout + 0.5 s or longer than 64 KiB included, is a plain no.
    static QCoro::Task<bool> answersAsOurs(int port, std::optional<QString> token, Seconds timeout,
                                           RandomFill random = secureRandomFill);

    // Whether a TCP connection to 127.0.0.1:port can be opened. Does not block the thread.
    static QCoro::Task<bool> portAccepts(int port);

Q_SIGNALS:
    // The child ended, after onExit ran.
    void ended();

private:
    Environment launchEnvironment() const;
    void takeStandardError();

    const int m_port;
    const Runtime m_runtime;
    QProcess* m_process;
    const std::optional<QByteArray> m_dataKey;
    const std::optional<QString> m_controlToken;
    const Environment m_inheritedEnvironment;
    bool m_launched = false;
    int m_exits = 0; // ends of the child seen so far

    mutable std::mutex m_tailLock;
    QByteArray m_stderrTail;
};

} // namespace fernholm

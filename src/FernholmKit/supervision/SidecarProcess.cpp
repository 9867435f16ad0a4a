#include "FernholmKit/supervision/SidecarProcess.h"

#include "FernholmKit/supervision/BackupScope.h"
#include "FernholmKit/control/BoundedReply.h"
#include "FernholmKit/control/LoopbackManager.h"
#include "FernholmKit/Version.h"
#include "FernholmKit/platform/AppDataFolder.h"

#include <QCoroNetworkReply>
#include <QCoroSignal>
#include <QCoroTimer>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpSocket>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace fernholm {

namespace {

// How long a plain connect to the loopback port may take. A loopback connect is refused or
// accepted at once; this only bounds a listener whose backlog is full.
constexpr std::chrono::milliseconds connectLimit{2000};

// The extra wait after the request time-out before a proof counts as missing.
constexpr std::chrono::milliseconds proofGrace{500};

// The most of a hello reply that is taken in. A proof fits in a hundred bytes; whatever listens
// on the port before our gateway does could otherwise stream a body without end into memory.
constexpr qint64 proofReplyLimit = 64 * 1024;

struct LaterDeleter {
    void operator()(QObject* object) const { object->deleteLater(); }
};

// Compares every byte whatever the first difference, so the time taken says nothing about
// where a wrong proof goes wrong.
bool sameBytes(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
    }
    return difference == 0;
}

bool isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return Seconds(std::chrono::steady_clock::now() - start).count();
}

// Drops the bytes that continue a character whose first byte was cut away (at most three in
// UTF-8), so that the text starts on a character boundary.
void dropLeadingContinuationBytes(QByteArray& bytes) {
    qsizetype n = 0;
    while (n < 3 && n < bytes.size() && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80) {
        ++n;
    }
    bytes.remove(0, n);
}

// Tells when the child has started or failed to. QProcess's own started() and stateChanged()
// are private signals, whose hidden last argument the coroutine signal awaiter cannot bind.
class LaunchWatch : public QObject {
    Q_OBJECT
public:
    explicit LaunchWatch(QProcess* process) {
        connect(process, &QProcess::started, this, &LaunchWatch::settled);
        connect(process, &QProcess::errorOccurred, this, &LaunchWatch::settled);
    }
Q_SIGNALS:
    void settled();
};

const QString bundleResourcesSuffix = QStringLiteral(".app/Contents/Resources");
constexpr int walkUpLimit = 20;

} // namespace

const QStringList SidecarProcess::embeddedEnvironmentKeys = {
    QStringLiteral("PATH"),     QStringLiteral("HOME"),
    QStringLiteral("TMPDIR"),   QStringLiteral("USER"),
    QStringLiteral("LOGNAME"),  QStringLiteral("SHELL"),
    QStringLiteral("LANG"),     QStringLiteral("LC_ALL"),
    QStringLiteral("LC_CTYPE"), QStringLiteral("__CF_USER_TEXT_ENCODING"),
};

SidecarProcess::SidecarProcess(Runtime runtime, int port, Environment inheritedEnvironment,
                               std::optional<QByteArray> dataKey, std::optional<QString> controlToken, QObject* parent)
    : QObject(parent), m_port(port), m_runtime(std::move(runtime)), m_process(new QProcess(this)),
      m_dataKey(std::move(dataKey)), m_controlToken(std::move(controlToken)),
      m_inheritedEnvironment(std::move(inheritedEnvironment)) {}

SidecarProcess::SidecarProcess(const QString& repoRoot, int port, QObject* parent)
    : SidecarProcess(checkoutRuntime(repoRoot), port, currentEnvironment(), std::nullopt, std::nullopt, parent) {}

SidecarProcess::~SidecarProcess() {
    m_process->disconnect(this);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(2000);
    }
}

// --- Runtime lookup ---

Environment SidecarProcess::currentEnvironment() {
    Environment env;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const QString& key : system.keys()) {
        env.insert(key, system.value(key));
    }
    return env;
}

Environment SidecarProcess::embeddedEnvironment(const Environment& env) {
    Environment kept;
    for (const QString& key : embeddedEnvironmentKeys) {
        if (auto it = env.constFind(key); it != env.constEnd()) {
            kept.insert(key, *it);
        }
    }
    return kept;
}

Runtime SidecarProcess::checkoutRuntime(const QString& repoRoot) {
    return Runtime{QDir(repoRoot).filePath(QStringLiteral(".venv/bin/python")),
                   repoRoot,
                   RuntimeKind::repoVenv,
                   {QStringLiteral("-m"), QStringLiteral("fernholm.app")},
                   {}};
}

std::optional<QString> SidecarProcess::installedResourceFolder(const QString& binaryPath) {
    if (binaryPath.isEmpty()) {
        return std::nullopt;
    }
    const QString folder = QDir::cleanPath(QFileInfo(binaryPath).absolutePath() + QStringLiteral("/../share/tarvine"));
    if (!QFileInfo(folder).isDir()) {
        return std::nullopt;
    }
    return folder;
}

std::optional<QString> SidecarProcess::walkUpForVenv(const QString& from) {
    const QFileInfo start(from);
    QString folder = QDir::cleanPath(start.isDir() ? start.absoluteFilePath() : start.absolutePath());
    for (int tested = 0; tested < walkUpLimit; ++tested) {
        if (isExecutableFile(QDir(folder).filePath(QStringLiteral(".venv/bin/python")))) {
            return folder;
        }
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder) {
            break;
        }
        folder = parent;
    }
    return std::nullopt;
}

std::optional<QString> SidecarProcess::resolveRepoRoot(const Environment& env, const QString& binaryPath,
                                                       const QString& cwd) {
    for (const QString& variable : {QStringLiteral("TARVINE_REPO"), QStringLiteral("FERNHOLM_REPO")}) {
        if (auto it = env.constFind(variable); it != env.constEnd()) {
            return *it;
        }
    }
    if (!binaryPath.isEmpty()) {
        if (auto root = walkUpForVenv(binaryPath)) {
            return root;
        }
    }
    if (!cwd.isEmpty()) {
        if (auto root = walkUpForVenv(cwd)) {
            return root;
        }
    }
    return std::nullopt;
}

std::optional<Runtime> SidecarProcess::resolveRuntime(const Environment& env,
                                                      const std::optional<QString>& resourceFolder,
                                                      const QString& binaryPath, const QString& cwd) {
    if (resourceFolder) {
        const QDir resources(*resourceFolder);
        const QString sidecar = resources.filePath(QStringLiteral("sidecar/sidecar"));
        const bool shipped = isExecutableFile(sidecar);
        if (!shipped && QDir::cleanPath(*resourceFolder).endsWith(bundleResourcesSuffix)) {
            return std::nullopt;
        }
        if (shipped) {
            const QString dataFolder = appDataFolder(env);
            QDir().mkpath(dataFolder);
            Environment extra{
                {QStringLiteral("TARVINE_MMBERT_DIR"), resources.filePath(QStringLiteral("models/mmbert-fp32"))},
                {QStringLiteral("TARVINE_MMBERT_THRESHOLD"), QStringLiteral("0.35")},
            };
            extra.insert(BackupScope::environment(dataFolder));
            return Runtime{sidecar, dataFolder, RuntimeKind::embedded, {}, extra};
        }
    }
    auto root = resolveRepoRoot(env, binaryPath, cwd);
    if (!root) {
        return std::nullopt;
    }
    // The child process enters its working folder before it runs the interpreter, so a root
    // named relative to our current folder would be looked for from inside itself. An empty root
    // names no folder: the child then stays in ours, and the relative interpreter path holds.
    if (!root->isEmpty() && QDir::isRelativePath(*root)) {
        const QString base = cwd.isEmpty() ? QDir::currentPath() : cwd;
        root = QDir::cleanPath(QDir(base).absoluteFilePath(*root));
    }
    return checkoutRuntime(*root);
}

// --- Launch and stop ---

Environment SidecarProcess::launchEnvironment() const {
    Environment env =
        m_runtime.kind == RuntimeKind::embedded ? embeddedEnvironment(m_inheritedEnvironment) : m_inheritedEnvironment;
    env.insert(QStringLiteral("TARVINE_APP_PORT"), QString::number(m_port));
    env.insert(QStringLiteral("TARVINE_NO_BROWSER"), QStringLiteral("1"));
    const QString version = QStringLiteral(FERNHOLM_APP_VERSION);
    env.insert(QStringLiteral("TARVINE_APP_VERSION"), version.isEmpty() ? QStringLiteral("dev") : version);
    env.insert(m_runtime.extraEnv);
    // Last, so nothing inherited or extra can ask for the key anywhere but on standard input.
    env.insert(QStringLiteral("TARVINE_DATA_KEY"), QStringLiteral("stdin"));
    return env;
}

void SidecarProcess::takeStandardError() {
    const QByteArray bytes = m_process->readAllStandardError();
    if (bytes.isEmpty()) {
        return;
    }
    std::lock_guard lock(m_tailLock);
    m_stderrTail += bytes;
    if (m_stderrTail.size() > stderrTailLimit) {
        m_stderrTail.remove(0, m_stderrTail.size() - stderrTailLimit);
        // A cut inside a character would otherwise spoil the whole tail for a strict decoder,
        // and leave a replacement character in front for a lenient one.
        dropLeadingContinuationBytes(m_stderrTail);
    }
}

QString SidecarProcess::stderrTail() const {
    std::lock_guard lock(m_tailLock);
    // Invalid sequences become U+FFFD: the rest of the gateway's last words stays readable.
    return QString::fromUtf8(m_stderrTail);
}

bool SidecarProcess::isRunning() const {
    return m_process->state() != QProcess::NotRunning;
}

QCoro::Task<SidecarState> SidecarProcess::start(Seconds readyTimeout, PortProbe probe) {
    QPointer<SidecarProcess> self(this);
    const auto abandoned = [] {
        return SidecarState::failed(QStringLiteral("launch abandoned"));
    };
    if (m_launched) {
        co_return SidecarState::failed(QStringLiteral("already launched"));
    }
    m_launched = true;

    if (!probe) {
        probe = [token = m_controlToken](int port) {
            return answersAsOurs(port, token, Seconds(1.0));
        };
    }
    if (!isExecutableFile(m_runtime.python)) {
        co_return SidecarState::failed(QStringLiteral("python not found at ") + m_runtime.python);
    }

    m_process->setProgram(m_runtime.python);
    m_process->setArguments(m_runtime.args);
    m_process->setWorkingDirectory(m_runtime.workingDir);
    QProcessEnvironment environment;
    const Environment launchEnv = launchEnvironment();
    for (auto it = launchEnv.cbegin(); it != launchEnv.cend(); ++it) {
        environment.insert(it.key(), it.value());
    }
    m_process->setProcessEnvironment(environment);
    m_process->setProcessChannelMode(QProcess::ForwardedOutputChannel);

    connect(m_process, &QProcess::finished, this, [this, callback = onExit] {
        ++m_exits;
        if (callback) {
            callback();
        }
        Q_EMIT ended();
    });
    connect(m_process, &QProcess::readyReadStandardError, this, &SidecarProcess::takeStandardError);

    LaunchWatch launch(m_process);
    m_process->start(QIODevice::ReadWrite);
    while (m_process->state() == QProcess::Starting) {
        co_await qCoro(&launch, &LaunchWatch::settled, std::chrono::milliseconds(100));
        if (!self) {
            co_return abandoned();
        }
    }
    if (m_process->state() == QProcess::NotRunning && m_process->error() == QProcess::FailedToStart) {
        co_return SidecarState::failed(QStringLiteral("failed to launch: ") + m_process->errorString());
    }

    const QByteArray keyLine = m_dataKey ? m_dataKey->toHex() : QByteArray();
    const QByteArray tokenLine = m_controlToken ? m_controlToken->toUtf8() : QByteArray();
    m_process->write(keyLine + '\n' + tokenLine + '\n');
    m_process->closeWriteChannel();

    const auto began = std::chrono::steady_clock::now();
    while (secondsSince(began) < readyTimeout.count()) {
        if (!isRunning()) {
            co_return SidecarState::exited(m_process->exitCode());
        }
        const int exits = m_exits;
        const bool proven = co_await probe(m_port);
        if (!self) {
            co_return abandoned();
        }
        // A proof counts only while its child still runs and has not ended since the proof began:
        // whatever listens on the port after it would otherwise be trusted, bearer token and all.
        if (proven && m_exits == exits && isRunning()) {
            co_return SidecarState::ready();
        }
        co_await QCoro::sleepFor(std::chrono::milliseconds(200));
        if (!self) {
            co_return abandoned();
        }
    }
    // Whole seconds, towards zero; adding 0.0 turns a negative zero into "0".
    const QString seconds = QString::number(std::trunc(readyTimeout.count()) + 0.0, 'f', 0);
    co_return SidecarState::failed(QStringLiteral("control port %1 did not open within %2s").arg(m_port).arg(seconds));
}

QCoro::Task<> SidecarProcess::terminate(Seconds grace) {
    QPointer<SidecarProcess> self(this);
    if (!isRunning()) {
        co_return;
    }
    m_process->terminate();
    const auto asked = std::chrono::steady_clock::now();
    while (isRunning() && secondsSince(asked) < grace.count()) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(100));
        if (!self) {
            co_return;
        }
    }
    if (!isRunning()) {
        co_return;
    }
    // Through the process object, which knows whether its child is still there: no signal can
    // reach a process that took over a recycled identifier.
    m_process->kill();
    const auto killed = std::chrono::steady_clock::now();
    while (isRunning() && secondsSince(killed) < 2.0) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(50));
        if (!self) {
            co_return;
        }
    }
}

void SidecarProcess::terminateNow(Seconds grace) {
    if (!isRunning()) {
        return;
    }
    m_process->terminate();
    // Never negative: waitForFinished(-1) would wait for ever.
    const double graceMs = std::clamp(std::ceil(grace.count() * 1000.0), 0.0, 3'600'000.0);
    if (m_process->waitForFinished(static_cast<int>(graceMs))) {
        return;
    }
    m_process->kill();
    m_process->waitForFinished(2000);
}

QString SidecarProcess::helloProof(const QString& token, const QString& nonce) {
    const QByteArray message = QByteArrayLiteral("tarvine-hello:") + nonce.toUtf8();
    const QByteArray mac = QMessageAuthenticationCode::hash(message, token.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(mac.toHex());
}

QCoro::Task<bool> SidecarProcess::portAccepts(int port) {
    auto socket = std::unique_ptr<QTcpSocket, LaterDeleter>(new QTcpSocket());
    socket->setProxy(QNetworkProxy::NoProxy);
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), static_cast<quint16>(port));

    // Both an accepted and a refused connect end in a state change; a refusal would leave
    // waitForConnected() waiting for its whole time-out.
    const auto deadline = std::chrono::steady_clock::now() + connectLimit;
    while (socket->state() != QAbstractSocket::ConnectedState && socket->state() != QAbstractSocket::UnconnectedState) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        const auto changed = co_await qCoro(socket.get(), &QAbstractSocket::stateChanged, left);
        if (!changed) {
            break;
        }
    }
    const bool connected = socket->state() == QAbstractSocket::ConnectedState;
    socket->abort();
    co_return connected;
}

QCoro::Task<bool> SidecarProcess::answersAsOurs(int port, std::optional<QString> token, Seconds timeout,
                                                RandomFill random) {
    if (!token || token->isEmpty()) {
        co_return co_await portAccepts(port);
    }

    std::array<uint8_t, 16> nonceBytes{};
    if (!random || random(nonceBytes) != 0) {
        co_return false;
    }
    const QString nonce =
        QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(nonceBytes.data()), nonceBytes.size()).toHex());

    const QString address =
        QStringLiteral("http://127.0.0.1:") + QString::number(port) + QStringLiteral("/api/hello?nonce=") + nonce;
    const QUrl url = QUrl::fromEncoded(address.toUtf8(), QUrl::StrictMode);
    if (!url.isValid()) {
        co_return false;
    }

    // A session of its own for this one request: never through a proxy (the gateway itself may
    // be the system proxy), and nothing of it, its kept connection included, outlives the call.
    auto manager = std::unique_ptr<QNetworkAccessManager, LaterDeleter>(new LoopbackManager());
    manager->setProxy(QNetworkProxy::NoProxy);
    manager->setCookieJar(nullptr);

    const auto requestTimeout =
        std::max(std::chrono::milliseconds(1), std::chrono::duration_cast<std::chrono::milliseconds>(timeout));
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(requestTimeout.count()));
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // The proof is the listener's own answer: never one from wherever it points, never encoded.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("Accept-Encoding", "identity");

    QNetworkReply* reply = manager->get(request);
    BoundedReply bounded(reply, proofReplyLimit, requestTimeout + proofGrace);

    co_await qCoro(reply).waitForFinished();

    std::optional<QByteArray> received;
    const QVariant statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QByteArray body = bounded.take();
    if (!bounded.tooLarge() && !bounded.pastDeadline() && statusCode.isValid() && statusCode.toInt() == 200) {
        if (!body.isEmpty()) {
            const QJsonDocument document = QJsonDocument::fromJson(body);
            const QJsonValue proof = document.isObject() ? document.object().value(QStringLiteral("proof"))
                                                         : QJsonValue(QJsonValue::Undefined);
            if (proof.isString()) {
                received = proof.toString().toUtf8();
            }
        }
    }
    reply->deleteLater();

    if (!received) {
        co_return false;
    }
    co_return sameBytes(helloProof(*token, nonce).toUtf8(), *received);
}

} // namespace fernholm

#include "SidecarProcess.moc"

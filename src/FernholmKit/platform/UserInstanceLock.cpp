#include "FernholmKit/platform/UserInstanceLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fernholm {

namespace {

const QByteArray activatePrefix = QByteArrayLiteral("activate");
const QByteArray answer = QByteArrayLiteral("ok\n");
constexpr qsizetype longestLine = 512;

QString systemError(const QString& what, int error) {
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error)));
}

// A folder that is this user's own and that nobody else may enter or write to; links are not
// followed, so a folder given by someone else through a link does not pass.
bool isPrivateFolder(const QString& path, QString* why) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        if (why) {
            *why = systemError(path, errno);
        }
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
        if (why) {
            *why = QStringLiteral("%1 is not a folder of this user's that only this user may enter").arg(path);
        }
        return false;
    }
    return true;
}

// Activation tokens are short printable text; anything else is not passed on.
QString cleanToken(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (c <= ' ' || c > '~') {
            return {};
        }
    }
    return QString::fromLatin1(bytes);
}

} // namespace

UserInstanceLock::UserInstanceLock(QString folder, QObject* parent) : SingleInstance(parent), m_folder(std::move(folder)) {}

UserInstanceLock::~UserInstanceLock() {
    stopListening();
    if (m_lock >= 0) {
        ::close(m_lock);
    }
}

std::optional<QString> UserInstanceLock::privateFolder(const QMap<QString, QString>& env, QString* why) {
    const QString runtime = env.value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime, nullptr)) {
        return QDir::cleanPath(runtime);
    }
    QString cache = env.value(QStringLiteral("XDG_CACHE_HOME"));
    if (cache.isEmpty() || QDir::isRelativePath(cache)) {
        const QString home = env.value(QStringLiteral("HOME"));
        if (home.isEmpty() || QDir::isRelativePath(home)) {
            if (why) {
                *why = QStringLiteral("neither XDG_RUNTIME_DIR, XDG_CACHE_HOME nor HOME names a usable folder");
            }
            return std::nullopt;
        }
        cache = QDir(home).filePath(QStringLiteral(".cache"));
    }
    if (!QDir().mkpath(cache)) {
        if (why) {
            *why = QStringLiteral("%1 could not be made").arg(cache);
        }
        return std::nullopt;
    }
    const QString folder = QDir(QDir::cleanPath(cache)).filePath(QStringLiteral("com.orvendale.tarvine"));
    const QByteArray encoded = QFile::encodeName(folder);
    if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST) {
        if (why) {
            *why = systemError(folder, errno);
        }
        return std::nullopt;
    }
    // A folder of ours made with a wider mask (or by an older version) is narrowed; one that is
    // someone else's, or a link, is refused below.
    struct stat info {};
    if (::lstat(encoded.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
        (info.st_mode & 077) != 0) {
        ::chmod(encoded.constData(), 0700);
    }
    if (!isPrivateFolder(folder, why)) {
        return std::nullopt;
    }
    return folder;
}

QString UserInstanceLock::lockPath() const {
    return QDir(m_folder).filePath(lockName);
}

QString UserInstanceLock::socketPath() const {
    return QDir(m_folder).filePath(socketName);
}

SingleInstance::Claim UserInstanceLock::claim(const QString& token, std::chrono::milliseconds wait) {
    if (m_lock >= 0) {
        return Claim::first;
    }
    // Never unlinked: a lock file replaced while someone waits on the old one would let two in.
    const int lock = ::open(QFile::encodeName(lockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        m_failure = systemError(lockPath(), errno);
        return Claim::failed;
    }
    const QDeadlineTimer deadline(wait);
    for (;;) {
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            m_lock = lock;
            return listen() ? Claim::first : Claim::failed;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_failure = systemError(lockPath(), errno);
            ::close(lock);
            return Claim::failed;
        }
        if (handOver(token, std::chrono::milliseconds(deadline.remainingTime()))) {
            ::close(lock);
            return Claim::handedOver;
        }
        if (deadline.hasExpired()) {
            ::close(lock);
            m_failure = QStringLiteral("another instance holds %1 and did not answer").arg(lockPath());
            return Claim::busy;
        }
        // The holder is quitting (it no longer listens) or still starting: look again shortly.
        QThread::msleep(50);
    }
}

bool UserInstanceLock::handOver(const QString& token, std::chrono::milliseconds wait) {
    if (wait.count() <= 0) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    const QDeadlineTimer deadline(wait);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    QByteArray line = activatePrefix;
    if (!token.isEmpty()) {
        line += ' ' + token.toLatin1();
    }
    socket.write(line + '\n');
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    // The holder reads the line from its event loop: still starting, it answers once that runs.
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    return socket.readLine(longestLine) == answer;
}

bool UserInstanceLock::listen() {
    // The claim is ours, so whatever lies at the socket's name was left by an instance that is gone.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        m_failure = QStringLiteral("%1: %2").arg(socketPath(), m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &UserInstanceLock::serve);
    return true;
}

void UserInstanceLock::serve() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto read = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > longestLine) {
                    socket->abort();
                }
                return;
            }
            const QByteArray line = socket->readLine(longestLine).trimmed();
            const qsizetype space = line.indexOf(' ');
            const QByteArray word = space < 0 ? line : line.left(space);
            if (word != activatePrefix) {
                socket->abort();
                return;
            }
            socket->write(answer);
            socket->disconnectFromServer();
            Q_EMIT activationRequested(space < 0 ? QString() : cleanToken(line.mid(space + 1)));
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read();
    }
}

void UserInstanceLock::stopListening() {
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
}

} // namespace fernholm

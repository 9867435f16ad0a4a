#include "FernholmKit/control/LoopbackReply.h"

#include "FernholmKit/control/LoopbackPool.h"

#include <QHash>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QPointer>
#include <QTcpSocket>

#include <cstring>
#include <utility>

namespace fernholm {

namespace {

// The error Qt's own HTTP replies give a status of 400 or more.
QNetworkReply::NetworkError statusError(int status) {
    switch (status) {
    case 400:
    case 418:
        return QNetworkReply::ProtocolInvalidOperationError;
    case 401:
        return QNetworkReply::AuthenticationRequiredError;
    case 403:
        return QNetworkReply::ContentAccessDenied;
    case 404:
        return QNetworkReply::ContentNotFoundError;
    case 405:
        return QNetworkReply::ContentOperationNotPermittedError;
    case 407:
        return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409:
        return QNetworkReply::ContentConflictError;
    case 410:
        return QNetworkReply::ContentGoneError;
    case 500:
        return QNetworkReply::InternalServerError;
    case 501:
        return QNetworkReply::OperationNotImplementedError;
    case 503:
        return QNetworkReply::ServiceUnavailableError;
    default:
        return status > 500 ? QNetworkReply::UnknownServerError : QNetworkReply::UnknownContentError;
    }
}

QNetworkReply::NetworkError socketError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QNetworkReply::ConnectionRefusedError;
    case QAbstractSocket::RemoteHostClosedError:
        return QNetworkReply::RemoteHostClosedError;
    case QAbstractSocket::HostNotFoundError:
        return QNetworkReply::HostNotFoundError;
    case QAbstractSocket::SocketTimeoutError:
        return QNetworkReply::TimeoutError;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

} // namespace

LoopbackReply::LoopbackReply(std::weak_ptr<LoopbackPool> pool, QNetworkAccessManager::Operation operation,
                             const QNetworkRequest& request, QByteArray requestBytes, int idleTimeoutMs,
                             QObject* parent)
    : QNetworkReply(parent), m_pool(std::move(pool)), m_port(static_cast<quint16>(request.url().port(80))),
      m_requestBytes(std::move(requestBytes)), m_idleTimeoutMs(idleTimeoutMs) {
    setOperation(operation);
    setRequest(request);
    setUrl(request.url());
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.callOnTimeout(this, &LoopbackReply::abort);
    // Started from the event loop, as Qt's replies are: the caller connects to the reply first,
    // and a connection refused at once is reported to it.
    QMetaObject::invokeMethod(this, &LoopbackReply::start, Qt::QueuedConnection);
}

LoopbackReply::~LoopbackReply() {
    discardSocket();
}

template <typename F> void LoopbackReply::fromSocket(F handler) {
    QPointer<LoopbackReply> self(this);
    ++m_socketDepth;
    handler();
    if (self) {
        --m_socketDepth;
    }
}

void LoopbackReply::start() {
    if (m_done) {
        return;
    }
    touch();
    QTcpSocket* pooled = nullptr;
    if (const auto pool = m_pool.lock()) {
        pooled = pool->take(m_port);
    }
    attach(pooled, pooled != nullptr);
}

void LoopbackReply::attach(QTcpSocket* socket, bool reused) {
    m_reused = reused;
    m_ended = false;
    if (!socket) {
        socket = new QTcpSocket();
        socket->setProxy(QNetworkProxy::NoProxy);
        socket->setReadBufferSize(socketBufferSize);
    }
    socket->setParent(this);
    m_socket = socket;
    connect(socket, &QTcpSocket::readyRead, this, [this] { fromSocket([this] { pump(); }); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this] { touch(); });
    connect(socket, &QTcpSocket::disconnected, this, [this] { fromSocket([this] { onEnded(); }); });
    connect(socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) { fromSocket([this, error] { onSocketError(error); }); });
    if (reused) {
        socket->write(m_requestBytes);
        return;
    }
    connect(socket, &QTcpSocket::connected, this, [this] {
        touch();
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_socket->write(m_requestBytes);
    });
    fromSocket([this, socket] { socket->connectToHost(QHostAddress(QHostAddress::LocalHost), m_port); });
}

void LoopbackReply::onEnded() {
    if (m_done || m_ended) {
        return;
    }
    m_ended = true;
    if (m_socket->bytesAvailable() == 0 && resendOnNewConnection()) {
        return;
    }
    pump();
}

bool LoopbackReply::resendOnNewConnection() {
    // A kept-alive connection the server closed or broke just as it was taken: the request goes
    // once more, on a new connection.
    if (!m_reused || m_retried || m_responseStarted) {
        return false;
    }
    m_retried = true;
    discardSocket();
    attach(nullptr, false);
    return true;
}

void LoopbackReply::onSocketError(QAbstractSocket::SocketError error) {
    if (m_done) {
        return;
    }
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onEnded();
        return;
    }
    if (resendOnNewConnection()) {
        return;
    }
    const QString text = m_socket->errorString();
    complete(socketError(error), text);
}

void LoopbackReply::pump() {
    m_pumpQueued = false;
    if (m_done || !m_socket) {
        return;
    }
    const qint64 before = buffered();
    bool blocked = false;
    bool readSome = false;
    while (m_parser.outcome() == HttpResponseParser::Outcome::incomplete) {
        const qint64 available = m_socket->bytesAvailable();
        const qint64 room = readBufferSize() > 0 ? readBufferSize() - buffered() : available;
        if (available <= 0) {
            break;
        }
        if (room <= 0) {
            blocked = true;
            break;
        }
        const QByteArray raw = m_socket->read(std::min(room, available));
        if (raw.isEmpty()) {
            break;
        }
        m_responseStarted = true;
        readSome = true;
        m_parser.feed(raw, m_body);
    }
    if (blocked) {
        // Waiting on the reader, not on the server.
        m_idleTimer.stop();
    } else if (readSome) {
        touch();
    }

    QPointer<LoopbackReply> self(this);
    if (m_parser.hasHead() && !m_headDelivered) {
        deliverHead();
        Q_EMIT metaDataChanged();
        if (!self || m_done) {
            return;
        }
    }
    if (buffered() > before) {
        Q_EMIT readyRead();
        if (!self || m_done) {
            return;
        }
    }
    if (m_parser.outcome() == HttpResponseParser::Outcome::incomplete && m_ended && m_socket->bytesAvailable() == 0) {
        m_parser.endOfInput();
    }
    switch (m_parser.outcome()) {
    case HttpResponseParser::Outcome::incomplete:
        return;
    case HttpResponseParser::Outcome::complete:
        if (m_parser.hasHead() && !m_headDelivered) {
            deliverHead();
        }
        succeed();
        return;
    case HttpResponseParser::Outcome::malformed:
        complete(ProtocolFailure, QStringLiteral("Malformed HTTP reply: %1").arg(m_parser.failure()));
        return;
    case HttpResponseParser::Outcome::truncated:
        complete(RemoteHostClosedError, QStringLiteral("Connection closed"));
        return;
    }
}

void LoopbackReply::schedulePump() {
    if (m_pumpQueued || m_done || !m_socket) {
        return;
    }
    m_pumpQueued = true;
    QMetaObject::invokeMethod(this, &LoopbackReply::pump, Qt::QueuedConnection);
}

void LoopbackReply::deliverHead() {
    m_headDelivered = true;
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, m_parser.status());
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, m_parser.reason());
    setAttribute(QNetworkRequest::Http2WasUsedAttribute, false);
    setAttribute(QNetworkRequest::HttpPipeliningWasUsedAttribute, false);
    setAttribute(QNetworkRequest::ConnectionEncryptedAttribute, false);
    // Repeated headers come as one, joined as Qt joins them.
    QList<QByteArray> order;
    QHash<QByteArray, QByteArray> joined;
    for (const HttpResponseParser::Header& header : m_parser.headers()) {
        const QByteArray key = header.name.toLower();
        auto it = joined.find(key);
        if (it == joined.end()) {
            order.append(header.name);
            joined.insert(key, header.value);
        } else {
            *it += (key == "set-cookie" ? "\n" : ", ") + header.value;
        }
    }
    for (const QByteArray& name : order) {
        setRawHeader(name, joined.value(name.toLower()));
    }
    const int status = m_parser.status();
    if (status >= 300 && status < 400) {
        if (const auto location = m_parser.header("Location")) {
            setAttribute(QNetworkRequest::RedirectionTargetAttribute, QUrl::fromEncoded(*location));
        }
    }
}

void LoopbackReply::succeed() {
    // Kept for the next request only when this response ended exactly where the server said.
    if (m_parser.reusable() && m_socket->bytesAvailable() == 0) {
        if (const auto pool = m_pool.lock()) {
            m_socket->disconnect(this);
            pool->put(m_port, m_socket);
            m_socket = nullptr;
        }
    }
    const int status = m_parser.status();
    if (status >= 400) {
        complete(statusError(status), QStringLiteral("Error transferring %1 - server replied: %2")
                                          .arg(url().toString(), QString::fromLatin1(m_parser.reason())));
    } else {
        complete(NoError, QString());
    }
}

void LoopbackReply::complete(NetworkError error, const QString& text) {
    if (m_done) {
        return;
    }
    m_done = true;
    m_idleTimer.stop();
    // Whatever connection is still held did not end its response cleanly.
    discardSocket();
    if (error != NoError) {
        setError(error, text);
    }
    setFinished(true);
    QPointer<LoopbackReply> self(this);
    if (error != NoError) {
        Q_EMIT errorOccurred(error);
        if (!self) {
            return;
        }
    }
    Q_EMIT readChannelFinished();
    if (!self) {
        return;
    }
    Q_EMIT finished();
}

void LoopbackReply::abort() {
    if (m_done) {
        return;
    }
    QNetworkReply::close();
    m_body.clear();
    m_bodyRead = 0;
    complete(OperationCanceledError, QStringLiteral("Operation canceled"));
}

void LoopbackReply::discardSocket() {
    if (!m_socket) {
        return;
    }
    QTcpSocket* socket = std::exchange(m_socket, nullptr);
    socket->disconnect(this);
    socket->setParent(nullptr);
    socket->abort();
    if (m_socketDepth > 0) {
        socket->deleteLater();
    } else {
        delete socket;
    }
}

void LoopbackReply::touch() {
    if (m_idleTimeoutMs > 0 && !m_done) {
        m_idleTimer.start(m_idleTimeoutMs);
    }
}

qint64 LoopbackReply::bytesAvailable() const {
    return QNetworkReply::bytesAvailable() + buffered();
}

void LoopbackReply::setReadBufferSize(qint64 size) {
    QNetworkReply::setReadBufferSize(size);
    schedulePump();
}

qint64 LoopbackReply::readData(char* data, qint64 maxSize) {
    const qint64 n = std::min(maxSize, buffered());
    if (n <= 0) {
        return m_done ? -1 : 0;
    }
    std::memcpy(data, m_body.constData() + m_bodyRead, static_cast<size_t>(n));
    m_bodyRead += n;
    if (m_bodyRead == m_body.size()) {
        m_body.clear();
        m_bodyRead = 0;
    } else if (m_bodyRead > m_body.size() / 2) {
        m_body.remove(0, m_bodyRead);
        m_bodyRead = 0;
    }
    if (m_socket && m_socket->bytesAvailable() > 0) {
        schedulePump();
    }
    return n;
}

} // namespace fernholm

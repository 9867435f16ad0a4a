#include "support/TestHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace fernholm::test {

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// Parses one complete request from the front of the buffer; false when more bytes are needed.
bool takeRequest(QByteArray& buffer, RecordedRequest& out) {
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return false;
    }
    const QByteArray head = buffer.left(headerEnd);
    const QList<QByteArray> lines = head.split('\n');
    RecordedRequest request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    const qsizetype q = request.target.indexOf('?');
    request.path = q < 0 ? request.target : request.target.left(q);
    request.query = q < 0 ? QByteArray() : request.target.mid(q + 1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    const qsizetype total = headerEnd + 4 + length;
    if (buffer.size() < total) {
        return false;
    }
    request.body = buffer.mid(headerEnd + 4, length);
    request.raw = buffer.left(total);
    buffer.remove(0, total);
    out = std::move(request);
    return true;
}

} // namespace

QByteArray RecordedRequest::queryValue(const QByteArray& key) const {
    for (const QByteArray& pair : query.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq >= 0 && pair.left(eq) == key) {
            return pair.mid(eq + 1);
        }
    }
    return {};
}

TestHttpServer::TestHttpServer(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
}

TestHttpServer::~TestHttpServer() {
    close();
}

bool TestHttpServer::listen(quint16 port) {
    return m_server.listen(QHostAddress::LocalHost, port);
}

quint16 TestHttpServer::port() const {
    return m_server.serverPort();
}

void TestHttpServer::close() {
    m_server.close();
    const auto sockets = m_open.keys();
    m_open.clear();
    for (QTcpSocket* socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void TestHttpServer::setReply(const QByteArray& path, ScriptedReply reply) {
    m_replies.insert(path, std::move(reply));
}

void TestHttpServer::setHandler(const QByteArray& path, Handler handler) {
    m_handlers.insert(path, std::move(handler));
}

void TestHttpServer::setFallback(Handler handler) {
    m_fallback = std::move(handler);
}

QList<RecordedRequest> TestHttpServer::requests(const QByteArray& path) const {
    QList<RecordedRequest> out;
    for (const RecordedRequest& r : m_requests) {
        if (r.path == path) {
            out.append(r);
        }
    }
    return out;
}

void TestHttpServer::clearRecords() {
    m_requests.clear();
    m_connections = 0;
}

void TestHttpServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_connections;
        m_open.insert(socket, Connection{});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_open.remove(socket);
            socket->deleteLater();
        });
    }
}

ScriptedReply TestHttpServer::replyFor(const RecordedRequest& request) const {
    if (auto it = m_handlers.constFind(request.path); it != m_handlers.constEnd()) {
        return (*it)(request);
    }
    if (auto it = m_replies.constFind(request.path); it != m_replies.constEnd()) {
        return *it;
    }
    if (m_fallback) {
        return m_fallback(request);
    }
    return ScriptedReply::json(R"({"error":"not found"})", 404);
}

void TestHttpServer::onReadyRead(QTcpSocket* socket) {
    auto it = m_open.find(socket);
    if (it == m_open.end()) {
        return;
    }
    it->buffer += socket->readAll();
    // One request at a time per connection, as HTTP/1.1 clients without pipelining send them.
    while (!it->busy) {
        RecordedRequest request;
        if (!takeRequest(it->buffer, request)) {
            return;
        }
        m_requests.append(request);
        Q_EMIT requestReceived(request);
        const ScriptedReply reply = replyFor(request);
        switch (reply.mode) {
        case ScriptedReply::Mode::neverAnswer:
            it->busy = true;
            return;
        case ScriptedReply::Mode::cutOffMidBody:
        case ScriptedReply::Mode::stallMidBody:
            it->busy = true;
            respond(socket, reply, reply.body.size() / 2);
            if (reply.mode == ScriptedReply::Mode::stallMidBody) {
                return;
            }
            m_open.remove(socket);
            socket->disconnect(this);
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            return;
        case ScriptedReply::Mode::trickleBody:
            it->busy = true;
            respond(socket, reply, 0);
            trickle(socket, reply.body);
            return;
        case ScriptedReply::Mode::streamBody:
            it->busy = true;
            stream(socket, reply);
            return;
        case ScriptedReply::Mode::closeWithoutAnswer:
            m_open.remove(socket);
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
            return;
        case ScriptedReply::Mode::answer:
            if (reply.delay.count() > 0) {
                it->busy = true;
                QPointer<QTcpSocket> guarded(socket);
                QTimer::singleShot(reply.delay, this, [this, guarded, reply] {
                    if (!guarded || !m_open.contains(guarded)) {
                        return;
                    }
                    m_open[guarded].busy = false;
                    respond(guarded, reply);
                    onReadyRead(guarded);
                });
                return;
            }
            respond(socket, reply);
            it = m_open.find(socket);
            if (it == m_open.end()) {
                return;
            }
        }
    }
}

void TestHttpServer::respond(QTcpSocket* socket, const ScriptedReply& reply, qsizetype bodyBytes) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers) {
        out += name + ": " + value + "\r\n";
    }
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += "\r\n";
    out += bodyBytes < 0 ? reply.body : reply.body.left(bodyBytes);
    socket->write(out);
    socket->flush();
}

void TestHttpServer::trickle(QTcpSocket* socket, const QByteArray& body) {
    // The timer belongs to the socket: a client that goes away takes the rest of the body with it.
    auto* timer = new QTimer(socket);
    timer->setInterval(ScriptedReply::trickleInterval);
    connect(timer, &QTimer::timeout, this, [this, socket, timer, body, sent = qsizetype(0)]() mutable {
        if (!m_open.contains(socket)) {
            timer->deleteLater();
            return;
        }
        if (sent < body.size()) {
            socket->write(body.mid(sent, 1));
            socket->flush();
            ++sent;
        }
        if (sent == body.size()) {
            timer->deleteLater();
            m_open[socket].busy = false;
            onReadyRead(socket);
        }
    });
    timer->start();
}

void TestHttpServer::stream(QTcpSocket* socket, const ScriptedReply& reply) {
    const bool endless = reply.streamBytes < 0;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers) {
        head += name + ": " + value + "\r\n";
    }
    head += endless ? QByteArray("Transfer-Encoding: chunked\r\n")
                    : "Content-Length: " + QByteArray::number(reply.streamBytes) + "\r\n";
    socket->write(head + "\r\n");

    // Tops the socket's queue up whenever it has drained, so that what waits in it stays small.
    static constexpr qsizetype piece = 16 * 1024;
    static constexpr qint64 queued = 4 * piece;
    const QByteArray spaces(piece, ' ');
    auto sent = std::make_shared<qint64>(0);
    const auto topUp = [this, socket, endless, total = reply.streamBytes, spaces, sent] {
        if (!m_open.contains(socket)) {
            return;
        }
        while (socket->bytesToWrite() < queued && (endless || *sent < total)) {
            const qint64 size = endless ? piece : std::min<qint64>(piece, total - *sent);
            if (endless) {
                socket->write(QByteArray::number(size, 16) + "\r\n" + spaces + "\r\n");
            } else {
                socket->write(spaces.left(size));
            }
            *sent += size;
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
    topUp();
}

} // namespace fernholm::test

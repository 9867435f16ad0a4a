#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTcpServer>

#include <chrono>
#include <functional>

class QTcpSocket;

namespace fernholm::test {

// One request as it arrived.
struct RecordedRequest {
    QByteArray method;
    QByteArray target;                    // path and query exactly as sent
    QByteArray path;                      // target without the query
    QByteArray query;                     // without the "?"
    QMap<QByteArray, QByteArray> headers; // names lower-cased
    QByteArray body;
    QByteArray raw; // request line, headers and body

    bool hasHeader(const QByteArray& name) const { return headers.contains(name.toLower()); }
    QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    QByteArray queryValue(const QByteArray& key) const; // raw, still percent-encoded
};

// What the server does with one request.
struct ScriptedReply {
    enum class Mode {
        answer,
        neverAnswer,
        closeWithoutAnswer,
        // The status line, the headers (with the full Content-Length) and half of the body, then:
        cutOffMidBody, // the connection closes
        stallMidBody,  // nothing more is sent
        // The status line and the headers, then the body one byte every trickleInterval, until
        // it is all sent or the client has gone.
        trickleBody,
        // The status line and the headers, then `streamBytes` bytes of spaces, without end and
        // chunked when negative. Written as fast as the client takes them in, never all held in
        // memory.
        streamBody,
    };
    static constexpr std::chrono::milliseconds trickleInterval{100};

    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers; // extra headers
    std::chrono::milliseconds delay{0};
    Mode mode = Mode::answer;
    qint64 streamBytes = -1;

    static ScriptedReply json(QByteArray body, int status = 200) {
        ScriptedReply r;
        r.status = status;
        r.body = std::move(body);
        r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
        return r;
    }
    static ScriptedReply never() {
        ScriptedReply r;
        r.mode = Mode::neverAnswer;
        return r;
    }
    static ScriptedReply cutOff(QByteArray body, int status = 200) {
        ScriptedReply r = json(std::move(body), status);
        r.mode = Mode::cutOffMidBody;
        return r;
    }
    static ScriptedReply stalled(QByteArray body, int status = 200) {
        ScriptedReply r = json(std::move(body), status);
        r.mode = Mode::stallMidBody;
        return r;
    }
    static ScriptedReply trickled(QByteArray body, int status = 200) {
        ScriptedReply r = json(std::move(body), status);
        r.mode = Mode::trickleBody;
        return r;
    }
    static ScriptedReply streamed(qint64 bytes, int status = 200) {
        ScriptedReply r = json({}, status);
        r.mode = Mode::streamBody;
        r.streamBytes = bytes;
        return r;
    }
    static ScriptedReply closed() {
        ScriptedReply r;
        r.mode = Mode::closeWithoutAnswer;
        return r;
    }
};

// A loopback HTTP/1.1 server for tests: replies scripted per path (or computed by a handler),
// keep-alive connections, every request recorded, connections counted.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<ScriptedReply(const RecordedRequest&)>;

    explicit TestHttpServer(QObject* parent = nullptr);
    ~TestHttpServer() override;

    // Listens on 127.0.0.1; port 0 picks a free one.
    bool listen(quint16 port = 0);
    quint16 port() const;
    void close();

    // Fixed reply for a path (without query). A handler for the path wins over a fixed reply.
    void setReply(const QByteArray& path, ScriptedReply reply);
    void setHandler(const QByteArray& path, Handler handler);
    // For paths with neither: default 404.
    void setFallback(Handler handler);

    QList<RecordedRequest> requests() const { return m_requests; }
    QList<RecordedRequest> requests(const QByteArray& path) const;
    int connectionCount() const { return m_connections; }
    void clearRecords();

Q_SIGNALS:
    void requestReceived(const fernholm::test::RecordedRequest& request);

private:
    struct Connection {
        QByteArray buffer;
        bool busy = false; // a reply is pending on it (possibly never)
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    // Sends the reply; with bodyBytes >= 0 only that much of the body (Content-Length stays whole).
    void respond(QTcpSocket* socket, const ScriptedReply& reply, qsizetype bodyBytes = -1);
    void trickle(QTcpSocket* socket, const QByteArray& body);
    void stream(QTcpSocket* socket, const ScriptedReply& reply);
    ScriptedReply replyFor(const RecordedRequest& request) const;

    QTcpServer m_server;
    QHash<QTcpSocket*, Connection> m_open;
    QMap<QByteArray, ScriptedReply> m_replies;
    QMap<QByteArray, Handler> m_handlers;
    Handler m_fallback;
    QList<RecordedRequest> m_requests;
    int m_connections = 0;
};

} // namespace fernholm::test

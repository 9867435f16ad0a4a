// The loopback manager's replies over real sockets: kept-alive connections reused and given up
// when they must be, a request sent again when a kept connection was already gone, and replies
// that are aborted, time out, hold back the connection or are deleted at any moment.
#include "FernholmKit/control/LoopbackManager.h"
#include "FernholmKit/control/LoopbackReply.h"
#include "support/TestHttpServer.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace fernholm;
using fernholm::test::ScriptedReply;
using fernholm::test::TestHttpServer;

namespace {

// A listener that answers each request, whatever connection it comes on, with the next scripted
// bytes, and then keeps the connection open or closes it. Past the script it answers "ok".
class RawServer : public QObject {
public:
    struct Step {
        QByteArray bytes; // nothing: no answer
        bool close = false;
    };

    explicit RawServer(QList<Step> steps) : m_steps(std::move(steps)) {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++connections;
                ++open;
                auto buffer = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] { onReadable(socket, *buffer); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    --open;
                    socket->deleteLater();
                });
            }
        });
    }
    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QUrl url(const QByteArray& path = "/") const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()) + QString::fromLatin1(path));
    }
    quint16 port() const { return m_server.serverPort(); }

    int connections = 0;
    int open = 0;
    QByteArrayList requests; // as they arrived, head and body

private:
    void onReadable(QTcpSocket* socket, QByteArray& buffer) {
        buffer += socket->readAll();
        for (;;) {
            const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
            if (headEnd < 0) {
                return;
            }
            qsizetype length = 0;
            const qsizetype at = buffer.left(headEnd).toLower().indexOf("\r\ncontent-length: ");
            if (at >= 0) {
                length = buffer.mid(at + 18, buffer.indexOf("\r\n", at + 2) - at - 18).toLongLong();
            }
            if (buffer.size() < headEnd + 4 + length) {
                return;
            }
            requests.append(buffer.left(headEnd + 4 + length));
            buffer.remove(0, headEnd + 4 + length);
            const Step step =
                m_steps.isEmpty() ? Step{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"} : m_steps.takeFirst();
            socket->write(step.bytes);
            if (step.close) {
                socket->disconnectFromHost();
                return;
            }
        }
    }

    QTcpServer m_server;
    QList<Step> m_steps;
};

} // namespace

Q_DECLARE_METATYPE(RawServer::Step)
Q_DECLARE_METATYPE(ScriptedReply)

namespace {

const QByteArray okReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");

// Long enough that the idle time-out (half the trickle) leaves a loaded machine two seconds of
// slack between bytes.
const QByteArray trickledBody("0123456789abcdefghijklmnopqrstuvwxyzABCD");

QNetworkRequest requestFor(const QUrl& url, int timeoutMs = 10'000) {
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    return request;
}

// Waits for the reply to finish and answers its body, or nothing when it did not finish in time.
std::optional<QByteArray> bodyOf(QNetworkReply* reply) {
    QByteArray body;
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, &body] { body += reply->readAll(); });
    if (!reply->isFinished() && !QTest::qWaitFor([reply] { return reply->isFinished(); }, 10'000)) {
        return std::nullopt;
    }
    QObject::disconnect(reply, &QNetworkReply::readyRead, reply, nullptr);
    if (reply->isOpen()) { // not after an abort
        body += reply->readAll();
    }
    return body;
}

} // namespace

class LoopbackTransportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersThroughItsOwnReply() {
        TestHttpServer server;
        QVERIFY(server.listen());
        ScriptedReply scripted = ScriptedReply::json(R"({"a":1})", 404);
        scripted.headers.append(qMakePair(QByteArray("X-Twice"), QByteArray("1")));
        scripted.headers.append(qMakePair(QByteArray("X-Twice"), QByteArray("2")));
        server.setReply("/api/status", scripted);
        LoopbackManager manager;
        QNetworkRequest request =
            requestFor(QUrl(QStringLiteral("http://127.0.0.1:%1/api/status?x=1").arg(server.port())));
        request.setRawHeader("Authorization", "Bearer abc");
        std::unique_ptr<QNetworkReply> reply(manager.post(request, QByteArray("{}")));
        QVERIFY(qobject_cast<LoopbackReply*>(reply.get()));
        QSignalSpy managerFinished(&manager, &QNetworkAccessManager::finished);
        QSignalSpy metaData(reply.get(), &QNetworkReply::metaDataChanged);

        QCOMPARE(bodyOf(reply.get()), std::optional<QByteArray>(R"({"a":1})"));
        QCOMPARE(reply->error(), QNetworkReply::ContentNotFoundError);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray(), QByteArray("Not Found"));
        QCOMPARE(reply->rawHeader("content-type"), QByteArray("application/json"));
        QCOMPARE(reply->rawHeader("X-Twice"), QByteArray("1, 2"));
        QCOMPARE(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(), 7);
        QCOMPARE(metaData.size(), 1);
        QCOMPARE(managerFinished.size(), 1);

        const auto sent = server.requests().first();
        QCOMPARE(sent.target, QByteArray("/api/status?x=1"));
        QCOMPARE(sent.header("Host"), "127.0.0.1:" + QByteArray::number(server.port()));
        QCOMPARE(sent.header("Authorization"), QByteArray("Bearer abc"));
        QCOMPARE(sent.header("Content-Length"), QByteArray("2"));
        QCOMPARE(sent.body, QByteArray("{}"));
    }

    // What the loopback path does not take goes to Qt's own implementation, and still works.
    void leavesOtherRequestsToQt_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("followRedirects");
        QTest::newRow("another host name") << QStringLiteral("localhost") << false;
        QTest::newRow("redirects to follow") << QStringLiteral("127.0.0.1") << true;
    }
    void leavesOtherRequestsToQt() {
        QFETCH(QString, host);
        QFETCH(bool, followRedirects);
        TestHttpServer server;
        QVERIFY(server.listen());
        ScriptedReply moved = ScriptedReply::json({}, 302);
        moved.headers.append(qMakePair(QByteArray("Location"), QByteArray("/b")));
        server.setReply("/a", moved);
        server.setReply("/b", ScriptedReply::json("b"));
        LoopbackManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest request = requestFor(QUrl(QStringLiteral("http://%1:%2/a").arg(host).arg(server.port())));
        if (followRedirects) {
            request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        }
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        QVERIFY(!qobject_cast<LoopbackReply*>(reply.get()));
        QCOMPARE(bodyOf(reply.get()), std::optional<QByteArray>(followRedirects ? "b" : ""));
    }

    // A 3xx is a status like any other on the loopback path.
    void reportsRedirectsWithoutFollowing() {
        RawServer server(
            {{"HTTP/1.1 307 Temporary Redirect\r\nLocation: http://127.0.0.1:1/x\r\nContent-Length: 0\r\n\r\n"}});
        QVERIFY(server.listen());
        LoopbackManager manager;
        std::unique_ptr<QNetworkReply> reply(manager.get(requestFor(server.url())));
        QCOMPARE(bodyOf(reply.get()), std::optional<QByteArray>(""));
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 307);
        QCOMPARE(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl(), QUrl("http://127.0.0.1:1/x"));
        QCOMPARE(server.requests.size(), 1);
    }

    void keepAliveReusesOneConnection() {
        TestHttpServer server;
        QVERIFY(server.listen());
        server.setReply("/a", ScriptedReply::json("a"));
        LoopbackManager manager;
        for (int i = 0; i < 3; ++i) {
            std::unique_ptr<QNetworkReply> reply(
                manager.get(requestFor(QUrl(QStringLiteral("http://127.0.0.1:%1/a").arg(server.port())))));
            QCOMPARE(bodyOf(reply.get()), std::optional<QByteArray>("a"));
            QCOMPARE(reply->error(), QNetworkReply::NoError);
        }
        QCOMPARE(server.requests().size(), 3);
        QCOMPARE(server.connectionCount(), 1);
        QCOMPARE(manager.idleConnections(server.port()), 1);
    }

    // A connection that may not carry another request is not used again; the next request
    // opens a new one, although this listener would have kept the old one open.
    void givesUpConnectionsThatMayNotBeReused_data() {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("serverCloses");
        QTest::newRow("Connection: close")
            << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nok") << false;
        QTest::newRow("HTTP/1.0") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok") << false;
        QTest::newRow("bytes past the body")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokHTTP/1.1") << false;
        QTest::newRow("body until close") << QByteArray("HTTP/1.1 200 OK\r\n\r\nok") << true;
        QTest::newRow("error status with Connection: close")
            << QByteArray("HTTP/1.1 500 Oops\r\nConnection: close\r\nContent-Length: 2\r\n\r\nok") << false;
    }
    void givesUpConnectionsThatMayNotBeReused() {
        QFETCH(QByteArray, response);
        QFETCH(bool, serverCloses);
        RawServer server({{response, serverCloses}});
        QVERIFY(server.listen());
        LoopbackManager manager;
        std::unique_ptr<QNetworkReply> first(manager.get(requestFor(server.url())));
        QCOMPARE(bodyOf(first.get()), std::optional<QByteArray>("ok"));
        QCOMPARE(manager.idleConnections(server.port()), 0);
        std::unique_ptr<QNetworkReply> second(manager.get(requestFor(server.url())));
        QCOMPARE(bodyOf(second.get()), std::optional<QByteArray>("ok"));
        QCOMPARE(second->error(), QNetworkReply::NoError);
        QCOMPARE(server.connections, 2);
        QCOMPARE(server.requests.size(), 2);
    }

    // A kept connection the server closes while idle is dropped from the pool; the next request
    // goes on a new connection, once.
    void dropsIdleConnectionsTheServerCloses() {
        RawServer server({{okReply, true}});
        QVERIFY(server.listen());
        LoopbackManager manager;
        std::unique_ptr<QNetworkReply> first(manager.get(requestFor(server.url())));
        QCOMPARE(bodyOf(first.get()), std::optional<QByteArray>("ok"));
        QTRY_COMPARE(manager.idleConnections(server.port()), 0);
        std::unique_ptr<QNetworkReply> second(manager.get(requestFor(server.url())));
        QCOMPARE(bodyOf(second.get()), std::optional<QByteArray>("ok"));
        QCOMPARE(server.requests.size(), 2);
        QCOMPARE(server.connections, 2);
    }

    // A kept connection that turns out closed before any of the response arrived: the request is
    // sent again on a new connection, but only once, and never for a connection that was new.
    void resendsOnceWhenAKeptConnectionWasGone_data() {
        QTest::addColumn<QList<RawServer::Step>>("steps");
        QTest::addColumn<int>("calls");
        QTest::addColumn<QNetworkReply::NetworkError>("lastError");
        QTest::addColumn<int>("requests"); // as the server saw them
        const RawServer::Step ok{okReply};
        const RawServer::Step hangUp{QByteArray(), true};
        QTest::newRow("sent again, answered")
            << QList<RawServer::Step>{ok, hangUp, ok} << 2 << QNetworkReply::NoError << 3;
        QTest::newRow("sent again, closed again")
            << QList<RawServer::Step>{ok, hangUp, hangUp} << 2 << QNetworkReply::RemoteHostClosedError << 3;
        QTest::newRow("new connection closed")
            << QList<RawServer::Step>{hangUp} << 1 << QNetworkReply::RemoteHostClosedError << 1;
        QTest::newRow("closed after part of the response")
            << QList<RawServer::Step>{ok, {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nok", true}} << 2
            << QNetworkReply::RemoteHostClosedError << 2;
    }
    void resendsOnceWhenAKeptConnectionWasGone() {
        QFETCH(QList<RawServer::Step>, steps);
        QFETCH(int, calls);
        QFETCH(QNetworkReply::NetworkError, lastError);
        QFETCH(int, requests);
        RawServer server(steps);
        QVERIFY(server.listen());
        LoopbackManager manager;
        std::unique_ptr<QNetworkReply> reply;
        for (int i = 0; i < calls; ++i) {
            reply.reset(manager.get(requestFor(server.url())));
            QVERIFY(bodyOf(reply.get()));
        }
        QCOMPARE(reply->error(), lastError);
        QCOMPARE(server.requests.size(), requests);
    }

    // The poll asks for two things at once: neither waits for the other.
    void concurrentRequestsUseTheirOwnConnections() {
        TestHttpServer server;
        QVERIFY(server.listen());
        server.setReply("/slow", ScriptedReply::never());
        server.setReply("/fast", ScriptedReply::json("fast"));
        LoopbackManager manager;
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        std::unique_ptr<QNetworkReply> slow(manager.get(requestFor(QUrl(base + "/slow"))));
        std::unique_ptr<QNetworkReply> fast(manager.get(requestFor(QUrl(base + "/fast"))));
        QCOMPARE(bodyOf(fast.get()), std::optional<QByteArray>("fast"));
        QTRY_COMPARE(server.requests("/slow").size(), 1);
        QVERIFY(!slow->isFinished());
        QCOMPARE(server.connectionCount(), 2);

        // Both again, once the slow one is given up: the fast one's connection is reused.
        slow->abort();
        slow.reset(manager.get(requestFor(QUrl(base + "/fast"))));
        fast.reset(manager.get(requestFor(QUrl(base + "/fast"))));
        QCOMPARE(bodyOf(slow.get()), std::optional<QByteArray>("fast"));
        QCOMPARE(bodyOf(fast.get()), std::optional<QByteArray>("fast"));
        QCOMPARE(server.connectionCount(), 3);
        QCOMPARE(manager.idleConnections(server.port()), 2);
    }

    void failuresOfTheExchange_data() {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QNetworkReply::NetworkError>("error");
        QTest::addColumn<int>("status"); // 0: none set
        QTest::newRow("not HTTP") << QByteArray("SSH-2.0-OpenSSH\r\n") << QNetworkReply::ProtocolFailure << 0;
        QTest::newRow("conflicting lengths")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nok")
            << QNetworkReply::ProtocolFailure << 0;
        QTest::newRow("bad chunk size") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nxyz\r\n")
                                        << QNetworkReply::ProtocolFailure << 200;
        QTest::newRow("head too large") << "HTTP/1.1 200 OK\r\nX: " + QByteArray(70 * 1024, 'a')
                                        << QNetworkReply::ProtocolFailure << 0;
        QTest::newRow("cut off mid-body") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\npart")
                                          << QNetworkReply::RemoteHostClosedError << 200;
        QTest::newRow("error status cut off") << QByteArray("HTTP/1.1 503 Busy\r\nContent-Length: 9\r\n\r\npart")
                                              << QNetworkReply::RemoteHostClosedError << 503;
    }
    void failuresOfTheExchange() {
        QFETCH(QByteArray, response);
        QFETCH(QNetworkReply::NetworkError, error);
        QFETCH(int, status);
        RawServer server({{response, true}});
        QVERIFY(server.listen());
        LoopbackManager manager;
        std::unique_ptr<QNetworkReply> reply(manager.get(requestFor(server.url())));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(bodyOf(reply.get()));
        QCOMPARE(reply->error(), error);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(manager.idleConnections(server.port()), 0);
    }

    void refusedConnection() {
        quint16 port = 0;
        {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            port = closed.serverPort();
        }
        LoopbackManager manager;
        std::unique_ptr<QNetworkReply> reply(
            manager.get(requestFor(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)))));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(bodyOf(reply.get()));
        QCOMPARE(reply->error(), QNetworkReply::ConnectionRefusedError);
        QCOMPARE(finished.size(), 1);
    }

    void abortMidBody() {
        RawServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst part"}});
        QVERIFY(server.listen());
        LoopbackManager manager;
        std::unique_ptr<QNetworkReply> reply(manager.get(requestFor(server.url())));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QSignalSpy managerFinished(&manager, &QNetworkAccessManager::finished);
        QTRY_COMPARE(reply->bytesAvailable(), qint64(10));
        reply->abort();
        QCOMPARE(finished.size(), 1);
        QVERIFY(reply->isFinished());
        QCOMPARE(reply->error(), QNetworkReply::OperationCanceledError);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        reply->abort();

        // The connection went with the reply; the next request gets a new one, and no late signal
        // reaches the aborted reply meanwhile.
        std::unique_ptr<QNetworkReply> next(manager.get(requestFor(server.url())));
        QCOMPARE(bodyOf(next.get()), std::optional<QByteArray>("ok"));
        QCOMPARE(server.connections, 2);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(managerFinished.size(), 2);
    }

    // The time-out counts from the last sign of life on the connection.
    void idleTimeOut_data() {
        QTest::addColumn<ScriptedReply>("scripted");
        QTest::addColumn<QNetworkReply::NetworkError>("error");
        QTest::newRow("no answer") << ScriptedReply::never() << QNetworkReply::OperationCanceledError;
        QTest::newRow("stalled mid-body")
            << ScriptedReply::stalled(QByteArray(100, 'x')) << QNetworkReply::OperationCanceledError;
        // A byte every 100 ms: twice the time-out in all, never idle for long.
        QTest::newRow("trickle") << ScriptedReply::trickled(trickledBody) << QNetworkReply::NoError;
    }
    void idleTimeOut() {
        QFETCH(ScriptedReply, scripted);
        QFETCH(QNetworkReply::NetworkError, error);
        TestHttpServer server;
        QVERIFY(server.listen());
        server.setReply("/a", scripted);
        LoopbackManager manager;
        const int timeout = static_cast<int>(trickledBody.size() * ScriptedReply::trickleInterval.count() / 2);
        std::unique_ptr<QNetworkReply> reply(
            manager.get(requestFor(QUrl(QStringLiteral("http://127.0.0.1:%1/a").arg(server.port())), timeout)));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        const auto body = bodyOf(reply.get());
        QVERIFY(body);
        QCOMPARE(reply->error(), error);
        QCOMPARE(finished.size(), 1);
        if (error == QNetworkReply::NoError) {
            QCOMPARE(*body, trickledBody);
        }
    }

    // A reply may be deleted at any point of its exchange, also from its own signals; nothing is
    // emitted for it afterwards and the manager goes on working.
    void replyDeletedMidExchange_data() {
        QTest::addColumn<QByteArray>("when");
        QTest::newRow("before it starts") << QByteArray("at once");
        QTest::newRow("in metaDataChanged") << QByteArray("metaDataChanged");
        QTest::newRow("in readyRead") << QByteArray("readyRead");
        QTest::newRow("later, mid-body") << QByteArray("later");
        QTest::newRow("in finished") << QByteArray("finished");
    }
    void replyDeletedMidExchange() {
        QFETCH(QByteArray, when);
        const QByteArray partial("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst part");
        QList<RawServer::Step> steps;
        if (when == "finished") {
            steps = {{okReply}};
        } else if (when != "at once") {
            steps = {{partial}};
        }
        RawServer server(steps);
        QVERIFY(server.listen());
        LoopbackManager manager;
        QSignalSpy managerFinished(&manager, &QNetworkAccessManager::finished);
        QPointer<QNetworkReply> reply = manager.get(requestFor(server.url()));
        QNetworkReply* raw = reply.data();
        const auto deleteNow = [raw] {
            delete raw;
        };
        if (when == "at once") {
            delete raw;
        } else if (when == "metaDataChanged") {
            connect(raw, &QNetworkReply::metaDataChanged, this, deleteNow);
        } else if (when == "readyRead") {
            connect(raw, &QNetworkReply::readyRead, this, deleteNow);
        } else if (when == "finished") {
            connect(raw, &QNetworkReply::finished, this, deleteNow);
        } else {
            QTRY_COMPARE(reply->bytesAvailable(), qint64(10));
            reply->deleteLater();
        }
        QTRY_VERIFY(reply.isNull());
        const int finishedBefore = int(managerFinished.size());
        QCOMPARE(finishedBefore, when == "finished" ? 1 : 0);

        std::unique_ptr<QNetworkReply> next(manager.get(requestFor(server.url())));
        QCOMPARE(bodyOf(next.get()), std::optional<QByteArray>("ok"));
        QCOMPARE(managerFinished.size(), finishedBefore + 1);
    }

    // The manager goes, with a kept connection, a reply waiting for its answer and one mid-body:
    // the replies go with it, every connection is closed, and nothing is emitted.
    void managerDeletedWithRepliesOutstanding() {
        RawServer server({{okReply}, {QByteArray()}, {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst part"}});
        QVERIFY(server.listen());
        auto* manager = new LoopbackManager();
        std::unique_ptr<QNetworkReply> done(manager->get(requestFor(server.url())));
        QCOMPARE(bodyOf(done.get()), std::optional<QByteArray>("ok"));
        done.reset();
        QPointer<QNetworkReply> waiting = manager->get(requestFor(server.url()));
        QTRY_COMPARE(server.requests.size(), 2);
        QPointer<QNetworkReply> midBody = manager->get(requestFor(server.url()));
        QTRY_COMPARE(midBody->bytesAvailable(), qint64(10));
        QSignalSpy waitingFinished(waiting.data(), &QNetworkReply::finished);
        QSignalSpy midBodyFinished(midBody.data(), &QNetworkReply::finished);
        QCOMPARE(server.open, 2);

        delete manager;
        QVERIFY(waiting.isNull());
        QVERIFY(midBody.isNull());
        QCOMPARE(waitingFinished.size(), 0);
        QCOMPARE(midBodyFinished.size(), 0);
        QTRY_COMPARE(server.open, 0);
    }

    // With a read buffer, the reply holds no more of the body than it allows and takes in the
    // rest as the reader makes room; the whole body arrives intact.
    void readBufferHoldsBackTheConnection() {
        QByteArray body(1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < body.size(); ++i) {
            body[i] = static_cast<char>('a' + (i * 7) % 26);
        }
        RawServer server(
            {{"HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body}});
        QVERIFY(server.listen());
        LoopbackManager manager;
        std::unique_ptr<QNetworkReply> reply(manager.get(requestFor(server.url())));
        constexpr qint64 limit = 16 * 1024;
        reply->setReadBufferSize(limit);
        qint64 most = 0;
        connect(reply.get(), &QNetworkReply::readyRead, this, [&] { most = std::max(most, reply->bytesAvailable()); });
        QTRY_COMPARE(reply->bytesAvailable(), limit);
        // Nothing read: the reply stays at its limit, however long the reader takes.
        QTest::qWait(50);
        QCOMPARE(reply->bytesAvailable(), limit);
        QVERIFY(!reply->isFinished());

        QByteArray received;
        connect(reply.get(), &QNetworkReply::readyRead, this,
                [&] { received += reply->read(reply->bytesAvailable()); });
        received += reply->read(limit);
        QTRY_VERIFY(reply->isFinished());
        received += reply->readAll();
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QVERIFY(received == body);
        QVERIFY2(most <= limit, QByteArray::number(most).constData());
    }
};

QTEST_GUILESS_MAIN(LoopbackTransportTest)
#include "tst_loopbacktransport.moc"

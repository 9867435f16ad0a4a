#include "FernholmKit/control/GatewayClient.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/TestHttpServer.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

#include <QCoroTask>

using namespace fernholm;
using fernholm::test::jsonObject;
using fernholm::test::provenGate;
using fernholm::test::ScriptedReply;
using fernholm::test::TestHttpServer;
using fernholm::test::testToken;

namespace {

QByteArray statusBody() {
    QFile file(QStringLiteral(FERNHOLM_TEST_DATA "/status/minimal.json"));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Calls one endpoint and answers its error, or nothing when it succeeded.
using Call = std::function<std::optional<GatewayError>(const GatewayClient&)>;

template <typename T> std::optional<GatewayError> outcome(const Result<T>& result) {
    return result ? std::nullopt : std::optional<GatewayError>(result.error());
}

const std::map<QString, Call>& endpoints() {
    static const std::map<QString, Call> calls = {
        {"status",
         [](const GatewayClient& c) {
             return outcome(QCoro::waitFor(c.status()));
         }},
        {"protection on",
         [](const GatewayClient& c) {
             return outcome(QCoro::waitFor(c.setProtection(true)));
         }},
        {"protection off",
         [](const GatewayClient& c) {
             return outcome(QCoro::waitFor(c.setProtection(false)));
         }},
        {"install CA",
         [](const GatewayClient& c) {
             return outcome(QCoro::waitFor(c.installCA()));
         }},
        {"remove CA",
         [](const GatewayClient& c) {
             return outcome(QCoro::waitFor(c.removeCA()));
         }},
        {"retire",
         [](const GatewayClient& c) {
             return outcome(QCoro::waitFor(c.retireOldRoots()));
         }},
        {"data key reset at",
         [](const GatewayClient& c) {
             return outcome(QCoro::waitFor(c.reportDataKeyReset(QStringLiteral("2026-12-01T10:00:00Z"))));
         }},
        {"data key reset dismissed",
         [](const GatewayClient& c) {
             return outcome(QCoro::waitFor(c.reportDataKeyReset(std::nullopt)));
         }},
        {"rules cleared",
         [](const GatewayClient& c) {
             return outcome(QCoro::waitFor(c.dismissRulesCleared()));
         }},
    };
    return calls;
}

} // namespace

class GatewayClientTest : public QObject {
    Q_OBJECT

    TestHttpServer* m_server = nullptr;

    void scriptReplies() {
        m_server->setReply("/api/status", ScriptedReply::json(statusBody()));
        m_server->setReply("/api/protection", ScriptedReply::json(statusBody()));
        m_server->setReply("/api/data_key_reset", ScriptedReply::json(statusBody()));
        m_server->setReply("/api/rules_cleared/dismiss", ScriptedReply::json(statusBody()));
        m_server->setReply("/api/ca/install", ScriptedReply::json(R"({"ok": true})"));
        m_server->setReply("/api/ca/remove", ScriptedReply::json(R"({"ok": false, "error": "busy"})"));
        m_server->setReply("/api/ca/retire", ScriptedReply::json(R"({"old_roots_trusted": [], "errors": []})"));
    }

private Q_SLOTS:
    void init() {
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
        scriptReplies();
    }
    void cleanup() {
        delete m_server;
        m_server = nullptr;
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }

    void sendsTheEndpointsRequest_data() {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("body"); // JSON, or empty for none
        QTest::newRow("status") << "status" << QByteArray("GET") << QByteArray("/api/status") << QByteArray();
        QTest::newRow("protection on") << "protection on" << QByteArray("POST") << QByteArray("/api/protection")
                                       << QByteArray(R"({"on":true})");
        QTest::newRow("protection off") << "protection off" << QByteArray("POST") << QByteArray("/api/protection")
                                        << QByteArray(R"({"on":false})");
        QTest::newRow("install CA") << "install CA" << QByteArray("POST") << QByteArray("/api/ca/install")
                                    << QByteArray("{}");
        QTest::newRow("remove CA") << "remove CA" << QByteArray("POST") << QByteArray("/api/ca/remove")
                                   << QByteArray("{}");
        QTest::newRow("retire") << "retire" << QByteArray("POST") << QByteArray("/api/ca/retire") << QByteArray("{}");
        QTest::newRow("data key reset at")
            << "data key reset at" << QByteArray("POST") << QByteArray("/api/data_key_reset")
            << QByteArray(R"({"at":"2026-12-01T10:00:00Z"})");
        QTest::newRow("data key reset dismissed") << "data key reset dismissed" << QByteArray("POST")
                                                  << QByteArray("/api/data_key_reset") << QByteArray(R"({"at":null})");
        QTest::newRow("rules cleared") << "rules cleared" << QByteArray("POST")
                                       << QByteArray("/api/rules_cleared/dismiss") << QByteArray("{}");
    }
    void sendsTheEndpointsRequest() {
        QFETCH(QString, endpoint);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, body);

        const GatewayClient client(m_server->port(), testToken, provenGate());
        QCOMPARE(endpoints().at(endpoint)(client), std::nullopt);

        QCOMPARE(m_server->requests().size(), 1);
        const auto request = m_server->requests().first();
        QCOMPARE(request.method, method);
        QCOMPARE(request.target, target);
        QCOMPARE(request.header("Authorization"), "Bearer " + testToken.toUtf8());
        if (body.isEmpty()) {
            QVERIFY(request.body.isEmpty());
            QVERIFY(!request.hasHeader("Content-Type"));
        } else {
            QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
            QCOMPARE(QJsonDocument::fromJson(request.body).object(), QJsonDocument::fromJson(body).object());
            QVERIFY2(!request.body.contains('\n'), request.body.constData());
        }
    }

    void emptyTokenStillSendsTheBearerHeader() {
        const GatewayClient client(m_server->port(), QString(), provenGate());
        QVERIFY(QCoro::waitFor(client.status()));
        QVERIFY2(m_server->requests().first().raw.contains("\r\nAuthorization: Bearer \r\n"),
                 m_server->requests().first().raw.constData());
    }

    void decodedRepliesComeBackUnchanged() {
        const GatewayClient client(m_server->port(), testToken, provenGate());
        auto removed = QCoro::waitFor(client.removeCA());
        QVERIFY(removed);
        QCOMPARE(removed.value().ok, false);
        QCOMPARE(removed.value().error, std::optional<QString>(QStringLiteral("busy")));
        auto status = QCoro::waitFor(client.status());
        QVERIFY(status);
        QCOMPARE(status.value().proxyPort, 48080);
    }

    void unprovenGatewayIsNeverContacted() {
        for (const auto& [name, call] : endpoints()) {
            const GatewayClient client(m_server->port(), testToken, std::make_shared<ProofGate>());
            QCOMPARE(call(client), std::optional<GatewayError>(GatewayError::unverified()));
        }
        QCOMPARE(m_server->connectionCount(), 0);
        QVERIFY(m_server->requests().isEmpty());
    }

    void clientWithoutGateNeverRefuses() {
        const GatewayClient client(m_server->port(), testToken);
        QVERIFY(QCoro::waitFor(client.status()));
        m_server->setReply("/api/status", ScriptedReply::closed());
        QCOMPARE(QCoro::waitFor(client.status()).error().kind(), GatewayError::Kind::transport);
        m_server->setReply("/api/status", ScriptedReply::json(statusBody()));
        QVERIFY(QCoro::waitFor(client.status()));
    }

    void statusCodes_data() {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<GatewayError>>("expected");
        const QByteArray html("<html>Internal Server Error</html>");
        QTest::newRow("protection 500 with a status")
            << "protection on" << QByteArray("/api/protection") << 500 << statusBody() << std::optional<GatewayError>();
        QTest::newRow("protection 500 with html") << "protection on" << QByteArray("/api/protection") << 500 << html
                                                  << std::optional<GatewayError>(GatewayError::decoding(QString()));
        QTest::newRow("protection 503") << "protection on" << QByteArray("/api/protection") << 503 << statusBody()
                                        << std::optional<GatewayError>(GatewayError::http(503));
        QTest::newRow("status 500") << "status" << QByteArray("/api/status") << 500 << statusBody()
                                    << std::optional<GatewayError>(GatewayError::http(500));
        QTest::newRow("install 500") << "install CA" << QByteArray("/api/ca/install") << 500
                                     << QByteArray(R"({"ok":true})")
                                     << std::optional<GatewayError>(GatewayError::http(500));
        // Qt files some statuses under protocol, proxy or authentication errors; still answers.
        for (int code : {400, 401, 407, 418}) {
            QTest::addRow("status %d", code) << "status" << QByteArray("/api/status") << code << statusBody()
                                             << std::optional<GatewayError>(GatewayError::http(code));
        }
        QTest::newRow("status 404") << "status" << QByteArray("/api/status") << 404 << statusBody()
                                    << std::optional<GatewayError>(GatewayError::http(404));
        QTest::newRow("status 200 not json") << "status" << QByteArray("/api/status") << 200 << html
                                             << std::optional<GatewayError>(GatewayError::decoding(QString()));
        QTest::newRow("dismiss 200 wrong record")
            << "rules cleared" << QByteArray("/api/rules_cleared/dismiss") << 200 << QByteArray(R"({"ok":true})")
            << std::optional<GatewayError>(GatewayError::decoding(QString()));
    }
    void statusCodes() {
        QFETCH(QString, endpoint);
        QFETCH(QByteArray, path);
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        QFETCH(std::optional<GatewayError>, expected);
        m_server->setReply(path, ScriptedReply::json(body, code));
        auto gate = provenGate();
        const GatewayClient client(m_server->port(), testToken, gate);
        const auto error = endpoints().at(endpoint)(client);
        QCOMPARE(error.has_value(), expected.has_value());
        if (expected) {
            QCOMPARE(error->kind(), expected->kind());
            if (expected->kind() == GatewayError::Kind::http) {
                QCOMPARE(*error, *expected);
            }
        }
        QVERIFY(gate->holds()); // an answer, any answer, leaves the proof standing
    }

    void refusedConnectionDropsTheProof() {
        const quint16 port = m_server->port();
        m_server->close();
        auto gate = provenGate();
        const GatewayClient client(port, testToken, gate);

        const auto refused = QCoro::waitFor(client.status());
        QCOMPARE(refused.error().kind(), GatewayError::Kind::transport);
        QVERIFY(!refused.error().text().isEmpty());
        QVERIFY(!gate->holds());

        // The port answers again, but the client does not try until the gateway proves itself.
        QVERIFY(m_server->listen(port));
        QCOMPARE(QCoro::waitFor(client.status()).error(), GatewayError::unverified());
        QCOMPARE(m_server->connectionCount(), 0);
    }

    // A connection that breaks or stalls is a failed exchange even when a status line arrived.
    void brokenExchangeDropsTheProof_data() {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::newRow("closed without an answer") << ScriptedReply::closed();
        QTest::newRow("200 cut off mid-body") << ScriptedReply::cutOff(statusBody());
        QTest::newRow("200 stalled mid-body") << ScriptedReply::stalled(statusBody());
    }
    void brokenExchangeDropsTheProof() {
        QFETCH(ScriptedReply, reply);
        m_server->setReply("/api/status", reply);
        auto gate = provenGate();
        auto session = std::make_shared<GatewaySession>(testToken, std::chrono::milliseconds(300));
        const GatewayClient client(m_server->port(), session, gate);
        QCOMPARE(QCoro::waitFor(client.status()).error().kind(), GatewayError::Kind::transport);
        QVERIFY(!gate->holds());
    }

    void refusedStatusIsTheAnswerWhateverBecameOfItsBody() {
        m_server->setReply("/api/status", ScriptedReply::cutOff(statusBody(), 503));
        auto gate = provenGate();
        const GatewayClient client(m_server->port(), testToken, gate);
        QCOMPARE(QCoro::waitFor(client.status()).error(), GatewayError::http(503));
        QVERIFY(gate->holds());
    }

    // The control API never redirects. Followed, a redirect would hand the bearer token, and a
    // prompt's text, to whatever listens where it points, and pass its answer off as the gateway's.
    void redirectsAreNotFollowed_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("check"); // a prompt check (POST with the text), else a status (GET)
        for (int code : {302, 307, 308}) {
            QTest::addRow("%d, status", code) << code << false;
            QTest::addRow("%d, prompt check", code) << code << true;
        }
    }
    void redirectsAreNotFollowed() {
        QFETCH(int, code);
        QFETCH(bool, check);
        TestHttpServer elsewhere;
        QVERIFY(elsewhere.listen());
        elsewhere.setFallback([](const fernholm::test::RecordedRequest&) {
            return ScriptedReply::json(R"({"before_text": "", "after_text": "", "details": []})");
        });
        const QByteArray path = check ? "/api/scan" : "/api/status";
        ScriptedReply redirect = ScriptedReply::json({}, code);
        redirect.headers.append({"Location", "http://127.0.0.1:" + QByteArray::number(elsewhere.port()) + path});
        m_server->setReply(path, redirect);
        auto gate = provenGate();
        const GatewayClient client(m_server->port(), testToken, gate);

        const auto error = check ? outcome(QCoro::waitFor(client.scan(QStringLiteral("Jan Kowalski"), {})))
                                 : outcome(QCoro::waitFor(client.status()));
        QCOMPARE(error, std::optional(GatewayError::http(code)));
        QCOMPARE(m_server->requests(path).size(), 1);
        QCOMPARE(elsewhere.connectionCount(), 0);
        QVERIFY(gate->holds());
    }

    void callersCancellationKeepsTheProof() {
        m_server->setReply("/api/status", ScriptedReply::never());
        auto gate = provenGate();
        const GatewayClient client(m_server->port(), testToken, gate);
        const CancelToken cancel = CancelToken::create();
        connect(m_server, &TestHttpServer::requestReceived, this, [cancel] { cancel.cancel(); });

        const auto result = QCoro::waitFor(client.status(cancel));
        QCOMPARE(result.error().kind(), GatewayError::Kind::transport);
        QCOMPARE(m_server->requests().size(), 1);
        QVERIFY(gate->holds());
    }

    // The caller cancels after the exchange has failed but before the call has taken in its end
    // (the awaiting call resumes through a queued connection): the failure stays what it was, and
    // the proof is dropped as for any failed exchange.
    void cancelAfterTheReplyFinishedChangesNothing_data() {
        QTest::addColumn<bool>("refused"); // else timed out
        QTest::newRow("refused connection") << true;
        QTest::newRow("time-out") << false;
    }
    void cancelAfterTheReplyFinishedChangesNothing() {
        QFETCH(bool, refused);
        const quint16 port = m_server->port();
        if (refused) {
            m_server->close();
        } else {
            m_server->setReply("/api/status", ScriptedReply::never());
        }
        auto gate = provenGate();
        auto session = std::make_shared<GatewaySession>(testToken, std::chrono::milliseconds(200));
        const GatewayClient client(port, session, gate);
        const CancelToken cancel = CancelToken::create();
        bool cancelled = false;
        connect(
            session->manager(), &QNetworkAccessManager::finished, this,
            [&] {
                cancel.cancel();
                cancelled = true;
            },
            Qt::QueuedConnection);

        const auto result = QCoro::waitFor(client.status(cancel));
        QVERIFY(cancelled);
        QCOMPARE(result.error().kind(), GatewayError::Kind::transport);
        QVERIFY2(result.error().text() != QStringLiteral("The request was cancelled."),
                 qPrintable(result.error().rendered()));
        QVERIFY(!gate->holds());
    }

    void alreadyCancelledSendsNothing() {
        auto gate = provenGate();
        const GatewayClient client(m_server->port(), testToken, gate);
        const CancelToken cancel = CancelToken::create();
        cancel.cancel();
        QCOMPARE(QCoro::waitFor(client.status(cancel)).error().kind(), GatewayError::Kind::transport);
        QVERIFY(m_server->requests().isEmpty());
        QVERIFY(gate->holds());
    }

    void timeOutDropsTheProof() {
        m_server->setReply("/api/status", ScriptedReply::never());
        auto gate = provenGate();
        auto session = std::make_shared<GatewaySession>(testToken, std::chrono::milliseconds(200));
        const GatewayClient client(m_server->port(), session, gate);
        const auto result = QCoro::waitFor(client.status());
        QCOMPARE(result.error().kind(), GatewayError::Kind::transport);
        QVERIFY(!gate->holds());
    }

    void copiesShareTheGateAndTheSession() {
        auto gate = provenGate();
        const GatewayClient original(m_server->port(), testToken, gate);
        const GatewayClient copy = original;
        QCOMPARE(copy.session().get(), original.session().get());
        gate->revoke();
        QCOMPARE(QCoro::waitFor(copy.status()).error(), GatewayError::unverified());
        QCOMPARE(original.baseURL(), QStringLiteral("http://127.0.0.1:%1").arg(m_server->port()));
    }

    void ignoresTheApplicationProxy() {
        // A proxy that goes nowhere: a request sent through it would fail. (Qt itself also exempts
        // loopback addresses from the application proxy; the session's own NoProxy does not rely on it.)
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 1));
        const GatewayClient client(m_server->port(), testToken, provenGate());
        QVERIFY(QCoro::waitFor(client.status()));
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(client.session()->manager()->proxy().type(), QNetworkProxy::NoProxy);
    }

    void concurrentCallsAreIndependent() {
        // The first call's reply is held back; the second must not queue behind it.
        m_server->setReply("/api/ca/install", [] {
            auto r = ScriptedReply::json(R"({"ok": true})");
            r.delay = std::chrono::milliseconds(2000);
            return r;
        }());
        const GatewayClient client(m_server->port(), testToken, provenGate());
        auto slow = client.installCA();
        auto fast = client.status();
        QVERIFY(QCoro::waitFor(fast));
        QVERIFY(!slow.isReady());
        QVERIFY(QCoro::waitFor(slow));
    }
};

QTEST_GUILESS_MAIN(GatewayClientTest)
#include "tst_gatewayclient.moc"

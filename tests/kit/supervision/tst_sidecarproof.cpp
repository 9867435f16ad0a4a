#include "FernholmKit/supervision/SidecarProcess.h"
#include "support/TestHttpServer.h"

#include <QNetworkProxy>
#include <QRegularExpression>
#include <QTest>

#include <QCoroTask>

using namespace fernholm;
using fernholm::test::RecordedRequest;
using fernholm::test::ScriptedReply;
using fernholm::test::TestHttpServer;
using namespace std::chrono_literals;

namespace {

const QString token = QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");

bool prove(int port, std::optional<QString> withToken, Seconds timeout = 1s, RandomFill random = secureRandomFill) {
    return QCoro::waitFor(SidecarProcess::answersAsOurs(port, std::move(withToken), timeout, std::move(random)));
}

// A port that nothing listens on: one the system just handed out and took back.
quint16 closedPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class SidecarProofTest : public QObject {
    Q_OBJECT

    TestHttpServer* m_server = nullptr;

    // Answers the hello with `bodyTemplate`, "%P" standing for the right proof of the nonce asked.
    void answerHello(int status, const QByteArray& bodyTemplate, std::chrono::milliseconds delay = 0ms) {
        m_server->setHandler("/api/hello", [=](const RecordedRequest& request) {
            const QString nonce = QString::fromLatin1(request.queryValue("nonce"));
            QByteArray body = bodyTemplate;
            body.replace("%P", SidecarProcess::helloProof(token, nonce).toLatin1());
            ScriptedReply reply = ScriptedReply::json(body, status);
            reply.delay = delay;
            return reply;
        });
    }

private Q_SLOTS:
    void init() {
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
    }
    void cleanup() {
        delete m_server;
        m_server = nullptr;
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }

    void proofMatchesAnIndependentlyComputedValue_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("nonce");
        QTest::addColumn<QString>("proof");
        // Computed with a separate HMAC-SHA256 implementation over "tarvine-hello:" + nonce.
        QTest::newRow("64-digit token") << token << "00112233445566778899aabbccddeeff"
                                        << "f3c8f17f5778d75417a2fa09e359cddd03a65e062d790b50a495d4415e964903";
        QTest::newRow("short token") << "short"
                                     << "00112233445566778899aabbccddeeff"
                                     << "46d9f2b45e3b6205c34291045feed9f0b6fe4f79b96ad4e9cc675d854810fe75";
    }
    void proofMatchesAnIndependentlyComputedValue() {
        QFETCH(QString, key);
        QFETCH(QString, nonce);
        QFETCH(QString, proof);
        QCOMPARE(SidecarProcess::helloProof(key, nonce), proof);
    }

    void proofIsAlways64LowerCaseHexDigits() {
        const QRegularExpression shape(QStringLiteral("^[0-9a-f]{64}$"));
        for (const QString& key : {QString(), QStringLiteral("k"), token + token + token}) {
            QVERIFY(shape.match(SidecarProcess::helloProof(key, QStringLiteral("ffffffffffffffffffffffffffffffff")))
                        .hasMatch());
        }
    }

    void judgesTheAnswer_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right proof") << 200 << QByteArray(R"({"proof":"%P"})") << true;
        QTest::newRow("right proof and further keys")
            << 200 << QByteArray(R"({"version":"1.2","proof":"%P","ok":true})") << true;
        QTest::newRow("right proof in upper case")
            << 200 << QByteArray(R"({"proof":"%P"})").replace("%P", "%Q") << false;
        QTest::newRow("status 401") << 401 << QByteArray(R"({"proof":"%P"})") << false;
        QTest::newRow("status 500") << 500 << QByteArray(R"({"proof":"%P"})") << false;
        QTest::newRow("JSON array") << 200 << QByteArray(R"(["%P"])") << false;
        QTest::newRow("not JSON") << 200 << QByteArray("%P") << false;
        QTest::newRow("empty body") << 200 << QByteArray() << false;
        QTest::newRow("no proof key") << 200 << QByteArray(R"({"hello":"%P"})") << false;
        QTest::newRow("proof a number") << 200 << QByteArray(R"({"proof":42})") << false;
        QTest::newRow("proof null") << 200 << QByteArray(R"({"proof":null})") << false;
        QTest::newRow("proof one digit short") << 200 << QByteArray(R"({"proof":"%S"})") << false;
        QTest::newRow("proof one digit long") << 200 << QByteArray(R"({"proof":"%P0"})") << false;
        QTest::newRow("proof with the last digit changed") << 200 << QByteArray(R"({"proof":"%L"})") << false;
    }
    void judgesTheAnswer() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, accepted);
        m_server->setHandler("/api/hello", [=](const RecordedRequest& request) {
            const QByteArray proof =
                SidecarProcess::helloProof(token, QString::fromLatin1(request.queryValue("nonce"))).toLatin1();
            QByteArray lastChanged = proof;
            lastChanged.back() = lastChanged.back() == '0' ? '1' : '0';
            QByteArray filled = body;
            filled.replace("%P", proof).replace("%Q", proof.toUpper()).replace("%S", proof.chopped(1));
            filled.replace("%L", lastChanged);
            return ScriptedReply::json(filled, status);
        });
        QCOMPARE(prove(m_server->port(), token), accepted);
        QCOMPARE(m_server->requests("/api/hello").size(), 1);
    }

    void sendsAPlainGetWithAFreshNonce() {
        answerHello(200, R"({"proof":"%P"})");
        QVERIFY(prove(m_server->port(), token));
        QVERIFY(prove(m_server->port(), token));

        const auto requests = m_server->requests();
        QCOMPARE(requests.size(), 2);
        const QRegularExpression nonceShape(QStringLiteral("^[0-9a-f]{32}$"));
        for (const RecordedRequest& request : requests) {
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(request.path, QByteArray("/api/hello"));
            QVERIFY(nonceShape.match(QString::fromLatin1(request.queryValue("nonce"))).hasMatch());
            QCOMPARE(request.target, "/api/hello?nonce=" + request.queryValue("nonce"));
            QVERIFY2(!request.hasHeader("Authorization"), request.raw.constData());
            QVERIFY(!request.raw.contains(token.toLatin1()));
            QVERIFY(request.body.isEmpty());
        }
        QVERIFY(requests.at(0).queryValue("nonce") != requests.at(1).queryValue("nonce"));
    }

    void nonceComesFromTheInjectedSource() {
        answerHello(200, R"({"proof":"%P"})");
        const auto fixed = [](std::span<uint8_t> buffer) {
            for (std::size_t i = 0; i < buffer.size(); ++i) {
                buffer[i] = static_cast<uint8_t>(0xf0 + i);
            }
            return int32_t(0);
        };
        QVERIFY(prove(m_server->port(), token, 1s, fixed));
        QCOMPARE(m_server->requests().first().queryValue("nonce"), QByteArray("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff"));
    }

    void failingRandomSourceSendsNothing() {
        answerHello(200, R"({"proof":"%P"})");
        QVERIFY(!prove(m_server->port(), token, 1s, [](std::span<uint8_t>) { return int32_t(5); }));
        QCOMPARE(m_server->connectionCount(), 0);
    }

    void replyTiming_data() {
        QTest::addColumn<double>("timeout");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("in time") << 1.0 << 50 << true;
        QTest::newRow("later than time-out + 0.5 s") << 0.2 << 1500 << false;
        QTest::newRow("never") << 0.2 << -1 << false;
    }
    void replyTiming() {
        QFETCH(double, timeout);
        QFETCH(int, delayMs);
        QFETCH(bool, accepted);
        if (delayMs < 0) {
            m_server->setReply("/api/hello", ScriptedReply::never());
        } else {
            answerHello(200, R"({"proof":"%P"})", std::chrono::milliseconds(delayMs));
        }
        QCOMPARE(prove(m_server->port(), token, Seconds(timeout)), accepted);
    }

    void lateReplyIsDropped() {
        // The answer is given up before the reply comes; the reply arriving afterwards finds
        // nothing waiting for it.
        answerHello(200, R"({"proof":"%P"})", 900ms);
        QVERIFY(!prove(m_server->port(), token, 0.1s));
        answerHello(200, R"({"proof":"%P"})");
        QVERIFY(prove(m_server->port(), token));
    }

    // Every byte comes well within the transfer time-out, which thus never ends the wait: only
    // the proof's own deadline, time-out + 0.5 s, does. The whole body would take 7.6 s.
    void tricklingReplyIsRefusedAtTheDeadline() {
        m_server->setHandler("/api/hello", [](const RecordedRequest& request) {
            const QString nonce = QString::fromLatin1(request.queryValue("nonce"));
            return ScriptedReply::trickled("{\"proof\":\"" + SidecarProcess::helloProof(token, nonce).toLatin1() +
                                           "\"}");
        });
        QVERIFY(!prove(m_server->port(), token, 0.5s));
        QCOMPARE(m_server->requests("/api/hello").size(), 1);
    }

    // A listener on the port before our gateway, an impostor, could stream a body without end
    // into memory; past a small bound the reply is given up.
    void boundsTheReply_data() {
        QTest::addColumn<int>("size"); // of a body with the right proof, padded
        QTest::addColumn<bool>("accepted");
        QTest::newRow("64 KiB") << 64 * 1024 << true;
        QTest::newRow("one byte more") << 64 * 1024 + 1 << false;
        QTest::newRow("4 MiB") << 4 * 1024 * 1024 << false;
    }
    void boundsTheReply() {
        QFETCH(int, size);
        QFETCH(bool, accepted);
        m_server->setHandler("/api/hello", [size](const RecordedRequest& request) {
            const QString nonce = QString::fromLatin1(request.queryValue("nonce"));
            QByteArray body = "{\"proof\":\"" + SidecarProcess::helloProof(token, nonce).toLatin1() + "\",\"pad\":\"";
            body += QByteArray(size - body.size() - 2, 'x') + "\"}";
            return ScriptedReply::json(body);
        });
        QCOMPARE(prove(m_server->port(), token, 5s), accepted);
    }

    // The proof is the listener's own answer, never that of wherever it points.
    void redirectIsNotFollowed_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("302") << 302;
        QTest::newRow("307") << 307;
        QTest::newRow("308") << 308;
    }
    void redirectIsNotFollowed() {
        QFETCH(int, code);
        TestHttpServer elsewhere;
        QVERIFY(elsewhere.listen());
        elsewhere.setHandler("/api/hello", [](const RecordedRequest& request) {
            const QString nonce = QString::fromLatin1(request.queryValue("nonce"));
            return ScriptedReply::json("{\"proof\":\"" + SidecarProcess::helloProof(token, nonce).toLatin1() + "\"}");
        });
        m_server->setHandler("/api/hello", [&elsewhere, code](const RecordedRequest& request) {
            ScriptedReply redirect = ScriptedReply::json({}, code);
            redirect.headers.append(
                {"Location", "http://127.0.0.1:" + QByteArray::number(elsewhere.port()) + request.target});
            return redirect;
        });
        QVERIFY(!prove(m_server->port(), token));
        QCOMPARE(m_server->requests("/api/hello").size(), 1);
        QCOMPARE(elsewhere.connectionCount(), 0);
    }

    void applicationProxyChangesNothing() {
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 1));
        answerHello(200, R"({"proof":"%P"})");
        QVERIFY(prove(m_server->port(), token));
        QVERIFY(QCoro::waitFor(SidecarProcess::portAccepts(m_server->port())));
    }

    void withoutTokenOnlyConnects_data() {
        QTest::addColumn<std::optional<QString>>("withToken");
        QTest::addColumn<bool>("listening");
        QTest::newRow("absent, listening") << std::optional<QString>() << true;
        QTest::newRow("empty, listening") << std::optional<QString>(QString()) << true;
        QTest::newRow("absent, closed") << std::optional<QString>() << false;
        QTest::newRow("empty, closed") << std::optional<QString>(QString()) << false;
    }
    void withoutTokenOnlyConnects() {
        QFETCH(std::optional<QString>, withToken);
        QFETCH(bool, listening);
        answerHello(200, R"({"proof":"%P"})");
        const int port = listening ? m_server->port() : closedPort();
        QCOMPARE(prove(port, withToken), listening);
        if (listening) {
            QTRY_COMPARE(m_server->connectionCount(), 1);
        }
        QVERIFY(m_server->requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(SidecarProofTest)
#include "tst_sidecarproof.moc"

#include "FernholmKit/control/EventModels.h"
#include "FernholmKit/control/GatewayClient.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/TestHttpServer.h"

#include <QTest>

#include <QCoroTask>

#include <cmath>
#include <limits>

using namespace fernholm;
using fernholm::test::jsonObject;
using fernholm::test::provenGate;
using fernholm::test::ScriptedReply;
using fernholm::test::TestHttpServer;
using fernholm::test::testToken;

namespace {

QString optionalText(const std::optional<QString>& text) {
    return text ? QLatin1Char('"') + *text + QLatin1Char('"') : QStringLiteral("-");
}

// Every field of a reduced detail in one line, so a table row can state the whole expected record.
QString summary(const std::optional<DetailRecord>& record) {
    if (!record) {
        return QStringLiteral("none");
    }
    QStringList details;
    for (const DetectionDetail& d : record->details) {
        details << d.id() + QLatin1Char('/') + d.detectedBy + QLatin1Char('/') + d.action + QLatin1Char('/') +
                       d.confidencePercent();
    }
    return QStringLiteral("req=%1 ts=%2 surface=%3 latency=%4 details=[%5] before=%6 after=%7 reason=%8")
        .arg(record->reqId, record->ts, record->surface,
             record->latencyMs ? QString::number(*record->latencyMs) : QStringLiteral("-"),
             details.join(QLatin1Char(',')), optionalText(record->beforeText), optionalText(record->afterText),
             optionalText(record->reason));
}

QByteArray detectionJson(const char* value, const char* token) {
    return QByteArray(R"({"entity_type": "PERSON", "detected_by": "ner", "action": "replaced", "value": ")") + value +
           R"(", "token": ")" + token + R"(", "confidence": 0.5})";
}

} // namespace

class EventsTest : public QObject {
    Q_OBJECT

    TestHttpServer* m_server = nullptr;

private Q_SLOTS:
    void init() {
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
    }
    void cleanup() {
        delete m_server;
        m_server = nullptr;
    }

    // --- Events ---

    void eventsAsksFromTheCursor_data() {
        QTest::addColumn<qint64>("after");
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("start") << qint64(0) << QByteArray("/api/events?after=0");
        QTest::newRow("negative") << qint64(-1) << QByteArray("/api/events?after=-1");
        QTest::newRow("large") << qint64(9007199254740993) << QByteArray("/api/events?after=9007199254740993");
    }
    void eventsAsksFromTheCursor() {
        QFETCH(qint64, after);
        QFETCH(QByteArray, target);
        m_server->setReply("/api/events", ScriptedReply::json(R"({"events": [], "cursor": 17})"));
        const GatewayClient client(m_server->port(), testToken, provenGate());
        const auto page = QCoro::waitFor(client.events(after));
        QVERIFY2(page, qPrintable(failureText(page)));
        QVERIFY(page.value().events.isEmpty());
        QCOMPARE(page.value().cursor, 17);
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(m_server->requests().first().method, QByteArray("GET"));
        QCOMPARE(m_server->requests().first().target, target);
    }

    void eventsPageDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("failingPath"); // part of the decoding error

        QTest::newRow("empty list") << QByteArray(R"({"events": [], "cursor": 17})") << true << QString();
        QTest::newRow("optionals absent")
            << QByteArray(R"({"events": [{"ts": "t", "surface": "s", "entities": {}, "tokens": [],
                 "status": "passed"}], "cursor": 1})")
            << true << QString();
        QTest::newRow("optionals null") << QByteArray(
                                               R"({"events": [{"ts": "t", "surface": "s", "entities": {}, "tokens": [],
                 "status": "passed", "reason": null, "route": null, "fingerprint": null}], "cursor": 1})")
                                        << true << QString();
        QTest::newRow("tokens null") << QByteArray(
                                            R"({"events": [{"ts": "t", "surface": "s", "entities": {}, "tokens": null,
                 "status": "passed"}], "cursor": 1})")
                                     << false << QStringLiteral("events[0].tokens");
        QTest::newRow("token not text")
            << QByteArray(R"({"events": [{"ts": "t", "surface": "s", "entities": {}, "tokens": ["[A]", 3],
                 "status": "passed"}], "cursor": 1})")
            << false << QStringLiteral("events[0].tokens[1]");
        QTest::newRow("fractional entity count")
            << QByteArray(R"({"events": [{"ts": "t", "surface": "s", "entities": {"EMAIL": 1.5}, "tokens": [],
                 "status": "passed"}], "cursor": 1})")
            << false << QStringLiteral("events[0].entities.EMAIL");
        QTest::newRow("second event without status")
            << QByteArray(R"({"events": [{"ts": "t", "surface": "s", "entities": {}, "tokens": [], "status": "x"},
                 {"ts": "u", "surface": "s", "entities": {}, "tokens": []}], "cursor": 1})")
            << false << QStringLiteral("events[1]");
        QTest::newRow("no cursor") << QByteArray(R"({"events": []})") << false << QStringLiteral("cursor");
        QTest::newRow("fractional cursor")
            << QByteArray(R"({"events": [], "cursor": 2.5})") << false << QStringLiteral("cursor");
        QTest::newRow("no events") << QByteArray(R"({"cursor": 3})") << false << QStringLiteral("events");
    }
    void eventsPageDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(QString, failingPath);
        m_server->setReply("/api/events", ScriptedReply::json(body));
        const GatewayClient client(m_server->port(), testToken, provenGate());
        const auto page = QCoro::waitFor(client.events(0));
        if (decodes) {
            QVERIFY2(page, qPrintable(failureText(page)));
            for (const Event& e : page.value().events) {
                QCOMPARE(e.reason, std::nullopt);
                QCOMPARE(e.route, std::nullopt);
                QCOMPARE(e.fingerprint, std::nullopt);
            }
        } else {
            QVERIFY(!page);
            QCOMPARE(page.error().kind(), GatewayError::Kind::decoding);
            QVERIFY2(page.error().text().contains(failingPath), qPrintable(page.error().text()));
        }
    }

    void fullEventDecodes() {
        const auto page = json::decode<EventsPage>(R"({"cursor": 42, "events": [{"ts": "2026-05-01T10:00:00+02:00",
            "surface": "claude_web", "entities": {"EMAIL": 2, "PERSON": 1}, "tokens": ["[EMAIL_1]", "[PERSON_1]"],
            "status": "blocked", "reason": "secret", "route": "upload", "fingerprint": "f1", "extra": true}]})");
        QVERIFY(page);
        QCOMPARE(page.value().cursor, 42);
        QCOMPARE(page.value().events.size(), 1);
        Event expected;
        expected.ts = QStringLiteral("2026-05-01T10:00:00+02:00");
        expected.surface = QStringLiteral("claude_web");
        expected.entities = {{QStringLiteral("PERSON"), 1}, {QStringLiteral("EMAIL"), 2}};
        expected.tokens = {QStringLiteral("[EMAIL_1]"), QStringLiteral("[PERSON_1]")};
        expected.status = QStringLiteral("blocked");
        expected.reason = QStringLiteral("secret");
        expected.route = QStringLiteral("upload");
        expected.fingerprint = QStringLiteral("f1");
        QVERIFY(page.value().events.first() == expected);
        Event other = expected;
        other.tokens = {QStringLiteral("[PERSON_1]"), QStringLiteral("[EMAIL_1]")};
        QVERIFY(!(other == expected));
        other = expected;
        other.fingerprint.reset();
        QVERIFY(!(other == expected));
    }

    void eventId_data() {
        QTest::addColumn<QStringList>("tokens");
        QTest::addColumn<QString>("id");
        QTest::newRow("two tokens") << QStringList{"x", "y"} << QStringLiteral("t|s|x,y");
        QTest::newRow("one token") << QStringList{"x"} << QStringLiteral("t|s|x");
        QTest::newRow("no tokens") << QStringList{} << QStringLiteral("t|s|");
    }
    void eventId() {
        QFETCH(QStringList, tokens);
        QFETCH(QString, id);
        Event e;
        e.ts = QStringLiteral("t");
        e.surface = QStringLiteral("s");
        e.tokens = tokens;
        QCOMPARE(e.id(), id);
    }

    // --- Detections ---

    void detectionIdPutsTheTokenBeforeTheValue() {
        DetectionDetail d;
        d.entityType = QStringLiteral("e");
        d.token = QStringLiteral("k");
        d.value = QStringLiteral("v");
        QCOMPARE(d.id(), QStringLiteral("e|k|v"));
    }

    void confidencePercent_data() {
        QTest::addColumn<std::optional<double>>("confidence");
        QTest::addColumn<QString>("text");
        QTest::newRow("eighth") << std::optional<double>(0.125) << QStringLiteral("13%");
        QTest::newRow("seven eighths") << std::optional<double>(0.875) << QStringLiteral("88%");
        QTest::newRow("just below one") << std::optional<double>(0.994) << QStringLiteral("99%");
        QTest::newRow("one") << std::optional<double>(1.0) << QStringLiteral("100%");
        QTest::newRow("zero") << std::optional<double>(0.0) << QStringLiteral("0%");
        QTest::newRow("rounds to minus zero") << std::optional<double>(-0.004) << QStringLiteral("0%");
        QTest::newRow("negative half") << std::optional<double>(-0.125) << QStringLiteral("-13%");
        QTest::newRow("above one") << std::optional<double>(12.5) << QStringLiteral("1250%");
        QTest::newRow("none") << std::optional<double>() << QStringLiteral("\u2014");
        QTest::newRow("huge") << std::optional<double>(1e300) << QStringLiteral("\u2014");
        QTest::newRow("huge negative") << std::optional<double>(-1e300) << QStringLiteral("\u2014");
        QTest::newRow("2^63 percent") << std::optional<double>(9223372036854775808.0 / 100) << QStringLiteral("\u2014");
        QTest::newRow("nan") << std::optional<double>(std::numeric_limits<double>::quiet_NaN())
                             << QStringLiteral("\u2014");
        QTest::newRow("infinity") << std::optional<double>(std::numeric_limits<double>::infinity())
                                  << QStringLiteral("\u2014");
    }
    void confidencePercent() {
        QFETCH(std::optional<double>, confidence);
        QFETCH(QString, text);
        DetectionDetail d;
        d.confidence = confidence;
        QCOMPARE(d.confidencePercent(), text);
    }

    void detectionDecoding_data() {
        QTest::addColumn<QByteArray>("detection");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("complete") << detectionJson("Ann", "[P1]") << true;
        QTest::newRow("confidence null")
            << QByteArray(R"({"entity_type": "E", "detected_by": "d", "action": "a", "value": "v", "token": "k",
                 "confidence": null})")
            << true;
        QTest::newRow("confidence as text")
            << QByteArray(R"({"entity_type": "E", "detected_by": "d", "action": "a", "value": "v", "token": "k",
                 "confidence": "high"})")
            << false;
        QTest::newRow("no token") << QByteArray(R"({"entity_type": "E", "detected_by": "d", "action": "a",
                 "value": "v"})") << false;
        QTest::newRow("value null") << QByteArray(R"({"entity_type": "E", "detected_by": "d", "action": "a",
                 "value": null, "token": "k"})")
                                    << false;
    }
    void detectionDecoding() {
        QFETCH(QByteArray, detection);
        QFETCH(bool, decodes);
        const auto page = json::decode<DetailPage>(R"({"details": [)" + detection + "]}");
        QCOMPARE(page.ok(), decodes);
    }

    // --- Request detail ---

    void detailReduction_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        const QByteArray r1 = QByteArray(R"({"req_id": "r1", "ts": "t1", "surface": "s1", "latency_ms": 12.5,
            "details": [)") + detectionJson("Ann", "[P1]") +
                              R"(], "before_text": "b", "after_text": "a",
            "reason": "why"})";
        const QByteArray r2 = R"({"req_id": "r2", "ts": "t2", "surface": "s2", "details": []})";
        const QByteArray bare = detectionJson("Bo", "[P2]");

        QTest::newRow("empty object") << QByteArray("{}") << QStringLiteral("none");
        QTest::newRow("both null") << QByteArray(R"({"records": null, "details": null})") << QStringLiteral("none");
        QTest::newRow("no records") << QByteArray(R"({"records": []})") << QStringLiteral("none");
        QTest::newRow("both empty") << QByteArray(R"({"records": [], "details": []})") << QStringLiteral("none");
        QTest::newRow("bare detections")
            << QByteArray(R"({"details": [)" + bare + "]}")
            << QStringLiteral("req=a b+02:00 ts= surface= latency=- details=[PERSON|[P2]|Bo/ner/replaced/50%] "
                              "before=- after=- reason=-");
        QTest::newRow("empty records, bare detections")
            << QByteArray(R"({"records": [], "details": [)" + bare + "]}")
            << QStringLiteral("req=a b+02:00 ts= surface= latency=- details=[PERSON|[P2]|Bo/ner/replaced/50%] "
                              "before=- after=- reason=-");
        QTest::newRow("first record wins")
            << QByteArray(R"({"records": [)" + r1 + "," + r2 + R"(], "details": [)" + bare + "]}")
            << QStringLiteral("req=r1 ts=t1 surface=s1 latency=12.5 details=[PERSON|[P1]|Ann/ner/replaced/50%] "
                              "before=\"b\" after=\"a\" reason=\"why\"");
        QTest::newRow("record with no detections")
            << QByteArray(R"({"records": [)" + r2 + "]}")
            << QStringLiteral("req=r2 ts=t2 surface=s2 latency=- details=[] before=- after=- reason=-");
    }
    void detailReduction() {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        m_server->setReply("/api/detail", ScriptedReply::json(body));
        const GatewayClient client(m_server->port(), testToken, provenGate());
        const auto detail = QCoro::waitFor(client.detail(QStringLiteral("a b+02:00")));
        QVERIFY2(detail, qPrintable(failureText(detail)));
        QCOMPARE(summary(detail.value()), expected);
    }

    void detailFailsWholeOnABrokenRecord_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("second record without ts") << QByteArray(R"({"records": [{"req_id": "r1", "ts": "t",
            "surface": "s", "details": []}, {"req_id": "r2", "surface": "s", "details": []}]})");
        QTest::newRow("record detection without value") << QByteArray(R"({"records": [{"req_id": "r1", "ts": "t",
            "surface": "s", "details": [{"entity_type": "E", "detected_by": "d", "action": "a", "token": "k"}]}]})");
        QTest::newRow("broken bare detection beside a good record") << QByteArray(R"({"records": [{"req_id": "r1",
            "ts": "t", "surface": "s", "details": []}], "details": [{"entity_type": "E"}]})");
        QTest::newRow("records not a list") << QByteArray(R"({"records": {}})");
        QTest::newRow("not json") << QByteArray("<html>");
    }
    void detailFailsWholeOnABrokenRecord() {
        QFETCH(QByteArray, body);
        m_server->setReply("/api/detail", ScriptedReply::json(body));
        const GatewayClient client(m_server->port(), testToken, provenGate());
        const auto detail = QCoro::waitFor(client.detail(QStringLiteral("r1")));
        QVERIFY(!detail);
        QCOMPARE(detail.error().kind(), GatewayError::Kind::decoding);
    }

    void detailEncodesTheRequestId_data() {
        QTest::addColumn<QString>("reqId");
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("space, number sign, ampersand")
            << QStringLiteral("a b#c&d") << QByteArray("/api/detail?req_id=a%20b%23c%26d");
        QTest::newRow("time stamp with offset")
            << QStringLiteral("2026-05-01T10:00:00.123+02:00")
            << QByteArray("/api/detail?req_id=2026-05-01T10%3A00%3A00.123%2B02%3A00");
        QTest::newRow("reserved characters")
            << QStringLiteral("=/?!$'()*,;@") << QByteArray("/api/detail?req_id=%3D%2F%3F%21%24%27%28%29%2A%2C%3B%40");
        QTest::newRow("unreserved stay") << QStringLiteral("aZ09-._~") << QByteArray("/api/detail?req_id=aZ09-._~");
        QTest::newRow("non-ASCII as UTF-8") << QStringLiteral("zażółć\U0001F600")
                                            << QByteArray("/api/detail?req_id=za%C5%BC%C3%B3%C5%82%C4%87%F0%9F%98%80");
        QTest::newRow("percent sign") << QStringLiteral("100%") << QByteArray("/api/detail?req_id=100%25");
        QTest::newRow("empty") << QString() << QByteArray("/api/detail?req_id=");
    }
    void detailEncodesTheRequestId() {
        QFETCH(QString, reqId);
        QFETCH(QByteArray, target);
        m_server->setReply("/api/detail", ScriptedReply::json("{}"));
        const GatewayClient client(m_server->port(), testToken, provenGate());
        const auto detail = QCoro::waitFor(client.detail(reqId));
        QVERIFY2(detail, qPrintable(failureText(detail)));
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(m_server->requests().first().target, target);
        QCOMPARE(QByteArray::fromPercentEncoding(m_server->requests().first().queryValue("req_id")), reqId.toUtf8());
    }

    void detailWithAnIllFormedIdSendsNothing() {
        const QString broken = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
        m_server->setReply("/api/detail", ScriptedReply::json("{}"));
        const GatewayClient client(m_server->port(), testToken, provenGate());
        const auto detail = QCoro::waitFor(client.detail(broken));
        QVERIFY(!detail);
        QCOMPARE(detail.error().kind(), GatewayError::Kind::transport);
        QCOMPARE(m_server->connectionCount(), 0);
    }

    void detailErrors_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("not found") << 404;
        QTest::newRow("server error") << 500;
        QTest::newRow("no content") << 204;
    }
    void detailErrors() {
        QFETCH(int, status);
        const GatewayError error = GatewayError::http(status);
        m_server->setReply("/api/detail", ScriptedReply::json(R"({"records": []})", status));
        const GatewayClient client(m_server->port(), testToken, provenGate());
        const auto detail = QCoro::waitFor(client.detail(QStringLiteral("r")));
        QVERIFY(!detail);
        QCOMPARE(detail.error(), error);
    }

    void unprovenGatewayIsNotAsked() {
        const GatewayClient client(m_server->port(), testToken, std::make_shared<ProofGate>());
        QCOMPARE(QCoro::waitFor(client.events(0)).error(), GatewayError::unverified());
        QCOMPARE(QCoro::waitFor(client.detail(QStringLiteral("r"))).error(), GatewayError::unverified());
        QCOMPARE(m_server->connectionCount(), 0);
    }
};

QTEST_GUILESS_MAIN(EventsTest)
#include "tst_events.moc"

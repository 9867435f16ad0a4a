#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/control/ScanModels.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/TestHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <QCoroTask>

using namespace fernholm;
using fernholm::test::jsonObject;
using fernholm::test::provenGate;
using fernholm::test::ScriptedReply;
using fernholm::test::TestHttpServer;
using fernholm::test::testToken;

namespace {

const QByteArray scanReply = R"({"before_text": "Ann Smith", "after_text": "[PERSON_1]", "details": [
    {"entity_type": "PERSON", "detected_by": "ner", "action": "replaced", "value": "Ann Smith",
     "token": "[PERSON_1]", "confidence": 0.91}]})";

} // namespace

class ScanTest : public QObject {
    Q_OBJECT

    TestHttpServer* m_server = nullptr;

    GatewayClient client() const { return GatewayClient(m_server->port(), testToken, provenGate()); }

private Q_SLOTS:
    void init() {
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
        m_server->setReply("/api/scan", ScriptedReply::json(scanReply));
        m_server->setReply("/api/restore", ScriptedReply::json(R"({"text": "", "unrestored": [], "restored": []})"));
        m_server->setReply("/api/stamp_copy", ScriptedReply::json(R"({"data_b64": ""})"));
    }
    void cleanup() {
        delete m_server;
        m_server = nullptr;
    }

    // --- Requests ---

    void scanSendsTheChoices_data() {
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no choices") << QStringList{} << QStringList{} << QByteArray(R"({"text": "Hi Ann"})");
        QTest::newRow("kept only") << QStringList{"Ann"} << QStringList{}
                                   << QByteArray(R"({"text": "Hi Ann", "keep": ["Ann"]})");
        QTest::newRow("hidden only") << QStringList{} << QStringList{"Hi", "x"}
                                     << QByteArray(R"({"text": "Hi Ann", "hide": ["Hi", "x"]})");
        QTest::newRow("both") << QStringList{"Ann"} << QStringList{"Hi"}
                              << QByteArray(R"({"text": "Hi Ann", "keep": ["Ann"], "hide": ["Hi"]})");
    }
    void scanSendsTheChoices() {
        QFETCH(QStringList, kept);
        QFETCH(QStringList, hidden);
        QFETCH(QByteArray, expected);
        const auto result = QCoro::waitFor(client().scan(QStringLiteral("Hi Ann"), WorkbenchChoices{kept, hidden}));
        QVERIFY2(result, qPrintable(failureText(result)));
        QCOMPARE(m_server->requests().size(), 1);
        const auto request = m_server->requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/api/scan"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(jsonObject(request.body), QJsonDocument::fromJson(expected).object());
    }

    void scanTakesTheChoicesAsTheyStoodAtTheStart() {
        WorkbenchChoices choices;
        choices.hide(QStringLiteral("Ann"));
        auto task = client().scan(QStringLiteral("Hi Ann"), choices);
        choices.restore(QStringLiteral("Ann"));
        choices.restore(QStringLiteral("Hi"));
        QVERIFY(QCoro::waitFor(std::move(task)));
        QCOMPARE(jsonObject(m_server->requests().first().body),
                 QJsonDocument::fromJson(R"({"text": "Hi Ann", "hide": ["Ann"]})").object());
    }

    void restoreSendsTheTextAlone() {
        const auto result = QCoro::waitFor(client().restore(QStringLiteral("Dear [PERSON_1],")));
        QVERIFY2(result, qPrintable(failureText(result)));
        const auto request = m_server->requests().first();
        QCOMPARE(request.target, QByteArray("/api/restore"));
        QCOMPARE(jsonObject(request.body), QJsonDocument::fromJson(R"({"text": "Dear [PERSON_1],"})").object());
    }

    // --- Scan replies ---

    void scanReplyDecodes() {
        const auto result = QCoro::waitFor(client().scan(QStringLiteral("Ann Smith"), {}));
        QVERIFY2(result, qPrintable(failureText(result)));
        const ScanResult& scan = result.value();
        QCOMPARE(scan.beforeText, QStringLiteral("Ann Smith"));
        QCOMPARE(scan.afterText, QStringLiteral("[PERSON_1]"));
        QCOMPARE(scan.details.size(), 1);
        QCOMPARE(scan.details.first().id(), QStringLiteral("PERSON|[PERSON_1]|Ann Smith"));
        QCOMPARE(scan.typeNames, std::nullopt);
        QCOMPARE(scan.latencyMs, std::nullopt);
    }

    void scanReplyDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<bool>("hasTypeNames");
        QTest::newRow("type names absent")
            << QByteArray(R"({"before_text": "a", "after_text": "a", "details": []})") << true << false;
        QTest::newRow("type names null")
            << QByteArray(R"({"before_text": "a", "after_text": "a", "details": [], "type_names": null})") << true
            << false;
        QTest::newRow("type names empty")
            << QByteArray(R"({"before_text": "a", "after_text": "a", "details": [], "type_names": {}})") << true
            << true;
        QTest::newRow("type name not text")
            << QByteArray(R"({"before_text": "a", "after_text": "a", "details": [], "type_names": {"E": 1}})") << false
            << false;
        QTest::newRow("no details") << QByteArray(R"({"before_text": "a", "after_text": "a"})") << false << false;
        QTest::newRow("no after text") << QByteArray(R"({"before_text": "a", "details": []})") << false << false;
        QTest::newRow("before text null")
            << QByteArray(R"({"before_text": null, "after_text": "a", "details": []})") << false << false;
        QTest::newRow("detection without detector")
            << QByteArray(R"({"before_text": "a", "after_text": "[E]", "details": [{"entity_type": "E",
                 "action": "replaced", "value": "a", "token": "[E]"}]})")
            << false << false;
    }
    void scanReplyDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(bool, hasTypeNames);
        m_server->setReply("/api/scan", ScriptedReply::json(body));
        const auto result = QCoro::waitFor(client().scan(QStringLiteral("a"), {}));
        QCOMPARE(result.ok(), decodes);
        if (decodes) {
            QCOMPARE(result.value().typeNames.has_value(), hasTypeNames);
        } else {
            QCOMPARE(result.error().kind(), GatewayError::Kind::decoding);
        }
    }

    void typeNamesAndLatencyDecode() {
        const auto scan = json::decode<ScanResult>(R"({"before_text": "a", "after_text": "a", "details": [],
            "type_names": {"PERSON": "Person", "EMAIL_ADDRESS": "Email address"}, "latency_ms": 4.25})");
        QVERIFY(scan);
        const QMap<QString, QString> names{{"PERSON", "Person"}, {"EMAIL_ADDRESS", "Email address"}};
        QCOMPARE(scan.value().typeNames, std::optional(names));
        QCOMPARE(scan.value().latencyMs, std::optional(4.25));
    }

    // --- Restore replies ---

    void restoreReplyDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("complete") << QByteArray(R"({"text": "Dear Ann", "unrestored": ["[X_9]"],
            "restored": [{"start": 5, "end": 8, "token": "[PERSON_1]"}]})")
                                  << true;
        QTest::newRow("fractional start") << QByteArray(R"({"text": "Dear Ann", "unrestored": [],
            "restored": [{"start": 5.5, "end": 8, "token": "[PERSON_1]"}]})")
                                          << false;
        QTest::newRow("span without token") << QByteArray(R"({"text": "Dear Ann", "unrestored": [],
            "restored": [{"start": 5, "end": 8}]})")
                                            << false;
        QTest::newRow("span without end") << QByteArray(R"({"text": "Dear Ann", "unrestored": [],
            "restored": [{"start": 5, "token": "[PERSON_1]"}]})")
                                          << false;
        QTest::newRow("no unrestored") << QByteArray(R"({"text": "Dear Ann", "restored": []})") << false;
        QTest::newRow("no restored") << QByteArray(R"({"text": "Dear Ann", "unrestored": []})") << false;
        QTest::newRow("no text") << QByteArray(R"({"unrestored": [], "restored": []})") << false;
    }
    void restoreReplyDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        m_server->setReply("/api/restore", ScriptedReply::json(body));
        const auto result = QCoro::waitFor(client().restore(QStringLiteral("Dear [PERSON_1]")));
        QCOMPARE(result.ok(), decodes);
        if (decodes) {
            const RestoreResult expected{QStringLiteral("Dear Ann"),
                                         {QStringLiteral("[X_9]")},
                                         {RestoredSpan{5, 8, QStringLiteral("[PERSON_1]")}}};
            QVERIFY(result.value() == expected);
        } else {
            QCOMPARE(result.error().kind(), GatewayError::Kind::decoding);
        }
    }

    // --- Copy stamping ---

    void stampSendsStandardBase64_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sent");
        QTest::newRow("no bytes") << QByteArray() << QString();
        QTest::newRow("one byte, padded") << QByteArray("A") << QStringLiteral("QQ==");
        QTest::newRow("plus and slash, no line breaks")
            << QByteArray::fromHex("fbefbe").repeated(20) + QByteArray(60, char(0xFF))
            << QString(80, u'+') + QString(80, u'/');
    }
    void stampSendsStandardBase64() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sent);
        QVERIFY(QCoro::waitFor(client().stampCopy(bytes)));
        const auto request = m_server->requests().first();
        QCOMPARE(request.target, QByteArray("/api/stamp_copy"));
        const QJsonObject body = jsonObject(request.body);
        QCOMPARE(body.keys(), QStringList{"data_b64"});
        QVERIFY(body.value("data_b64").isString());
        QCOMPARE(body.value("data_b64").toString(), sent);
    }

    void stampReply_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty is no bytes") << QByteArray(R"({"data_b64": ""})") << true << QByteArray();
        QTest::newRow("whole groups") << QByteArray(R"({"data_b64": "QUJD"})") << true << QByteArray("ABC");
        QTest::newRow("one pad") << QByteArray(R"({"data_b64": "QUI="})") << true << QByteArray("AB");
        QTest::newRow("two pads") << QByteArray(R"({"data_b64": "QQ=="})") << true << QByteArray("A");
        QTest::newRow("plus and slash") << QByteArray(R"({"data_b64": "+/8="})") << true << QByteArray("\xfb\xff", 2);
        QTest::newRow("line break") << QByteArray(R"({"data_b64": "QUJD\nQUJD"})") << false << QByteArray();
        QTest::newRow("trailing line break") << QByteArray(R"({"data_b64": "QUJD\n"})") << false << QByteArray();
        QTest::newRow("space") << QByteArray(R"({"data_b64": "QU JD"})") << false << QByteArray();
        QTest::newRow("unpadded") << QByteArray(R"({"data_b64": "QQ"})") << false << QByteArray();
        QTest::newRow("three pads") << QByteArray(R"({"data_b64": "Q==="})") << false << QByteArray();
        QTest::newRow("pad inside") << QByteArray(R"({"data_b64": "QQ==QUJD"})") << false << QByteArray();
        QTest::newRow("pad before a letter") << QByteArray(R"({"data_b64": "QQ=A"})") << false << QByteArray();
        QTest::newRow("URL-safe alphabet") << QByteArray(R"({"data_b64": "-_8="})") << false << QByteArray();
        QTest::newRow("non-ASCII") << QByteArray(R"({"data_b64": "QUJé"})") << false << QByteArray();
    }
    void stampReply() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(QByteArray, bytes);
        m_server->setReply("/api/stamp_copy", ScriptedReply::json(body));
        const auto result = QCoro::waitFor(client().stampCopy(QByteArray("x")));
        QCOMPARE(result.ok(), decodes);
        if (decodes) {
            QCOMPARE(result.value(), bytes);
        } else {
            QCOMPARE(result.error(), GatewayError::decoding(QStringLiteral("undecodable data_b64 in stamp reply")));
        }
    }

    void stampReplyWithoutData() {
        m_server->setReply("/api/stamp_copy", ScriptedReply::json(R"({"data": "QUJD"})"));
        const auto result = QCoro::waitFor(client().stampCopy(QByteArray("x")));
        QVERIFY(!result);
        QCOMPARE(result.error().kind(), GatewayError::Kind::decoding);
        QVERIFY2(result.error().text().contains(QLatin1String("data_b64")), qPrintable(result.error().text()));
    }

    void failuresPassThrough() {
        m_server->setReply("/api/scan", ScriptedReply::json(scanReply, 500));
        m_server->setReply("/api/restore", ScriptedReply::json("{}", 404));
        m_server->setReply("/api/stamp_copy", ScriptedReply::json(R"({"data_b64": ""})", 413));
        QCOMPARE(QCoro::waitFor(client().scan(QStringLiteral("a"), {})).error(), GatewayError::http(500));
        QCOMPARE(QCoro::waitFor(client().restore(QStringLiteral("a"))).error(), GatewayError::http(404));
        QCOMPARE(QCoro::waitFor(client().stampCopy(QByteArray("a"))).error(), GatewayError::http(413));

        const GatewayClient unproven(m_server->port(), testToken, std::make_shared<ProofGate>());
        QCOMPARE(QCoro::waitFor(unproven.scan(QStringLiteral("a"), {})).error(), GatewayError::unverified());
        QCOMPARE(QCoro::waitFor(unproven.stampCopy(QByteArray("a"))).error(), GatewayError::unverified());
        QCOMPARE(m_server->requests().size(), 3);
    }
};

QTEST_GUILESS_MAIN(ScanTest)
#include "tst_scan.moc"

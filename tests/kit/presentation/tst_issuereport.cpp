#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/control/IssueModels.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/TestHttpServer.h"

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

const QByteArray emptyDraft = R"({"attachments": {}, "events_until": 0})";

} // namespace

class IssueReportTest : public QObject {
    Q_OBJECT

    TestHttpServer* m_server = nullptr;

    GatewayClient client() const { return GatewayClient(m_server->port(), testToken, provenGate()); }

private Q_SLOTS:
    void init() {
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
        m_server->setReply("/api/issue_draft", ScriptedReply::json(emptyDraft));
        m_server->setReply("/api/issue_preview", ScriptedReply::json(R"({"description": "Hi [PERSON_1]"})"));
        m_server->setReply("/api/report_issue", ScriptedReply::json(R"({"ok": true, "id": "R-17"})"));
    }
    void cleanup() {
        delete m_server;
        m_server = nullptr;
    }

    // --- Draft ---

    void draftPath_data() {
        QTest::addColumn<std::optional<QString>>("row");
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("no row") << std::optional<QString>() << QByteArray("/api/issue_draft");
        QTest::newRow("empty row") << std::optional<QString>(QString()) << QByteArray("/api/issue_draft?row=");
        QTest::newRow("letters, digits, hyphens")
            << std::optional<QString>(QStringLiteral("row-17-abc")) << QByteArray("/api/issue_draft?row=row-17-abc");
        QTest::newRow("space and number sign")
            << std::optional<QString>(QStringLiteral("a b#c")) << QByteArray("/api/issue_draft?row=a%20b%23c");
        QTest::newRow("ampersand, equals, plus, slash, colon")
            << std::optional<QString>(QStringLiteral("a&b=c+d/e:f"))
            << QByteArray("/api/issue_draft?row=a%26b%3Dc%2Bd%2Fe%3Af");
        QTest::newRow("time stamp with offset") << std::optional<QString>(QStringLiteral("2026-05-01T10:00:00+02:00"))
                                                << QByteArray("/api/issue_draft?row=2026-05-01T10%3A00%3A00%2B02%3A00");
        QTest::newRow("non-ASCII") << std::optional<QString>(QStringLiteral("ż"))
                                   << QByteArray("/api/issue_draft?row=%C5%BC");
    }
    void draftPath() {
        QFETCH(std::optional<QString>, row);
        QFETCH(QByteArray, target);
        const auto draft = QCoro::waitFor(client().issueDraft(row));
        QVERIFY2(draft, qPrintable(failureText(draft)));
        QCOMPARE(m_server->requests().size(), 1);
        const auto request = m_server->requests().first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.target, target);
        if (row) {
            // What a form-style parser makes of it is the row, unchanged.
            QCOMPARE(QString::fromUtf8(QByteArray::fromPercentEncoding(request.queryValue("row"))), *row);
        }
    }

    void draftDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<std::optional<QStringList>>("events");
        QTest::newRow("bare minimum") << emptyDraft << true << std::optional<QStringList>();
        QTest::newRow("events null") << QByteArray(R"({"attachments": {}, "events_until": 0, "events": null})") << true
                                     << std::optional<QStringList>();
        QTest::newRow("events empty") << QByteArray(R"({"attachments": {}, "events_until": 0, "events": []})") << true
                                      << std::optional<QStringList>(QStringList{});
        QTest::newRow("events listed")
            << QByteArray(R"({"attachments": {}, "events_until": 0, "events": ["10:00 blocked", "10:01 passed"]})")
            << true << std::optional<QStringList>(QStringList{"10:00 blocked", "10:01 passed"});
        QTest::newRow("no cursor") << QByteArray(R"({"attachments": {}})") << false << std::optional<QStringList>();
        QTest::newRow("fractional cursor")
            << QByteArray(R"({"attachments": {}, "events_until": 1.5})") << false << std::optional<QStringList>();
        QTest::newRow("no attachments") << QByteArray(R"({"events_until": 0})") << false
                                        << std::optional<QStringList>();
        QTest::newRow("attachments null")
            << QByteArray(R"({"attachments": null, "events_until": 0})") << false << std::optional<QStringList>();
        QTest::newRow("site switch not a Boolean")
            << QByteArray(R"({"attachments": {"sites": {"claude": "on"}}, "events_until": 0})") << false
            << std::optional<QStringList>();
        QTest::newRow("row not an object") << QByteArray(R"({"attachments": {"row": "r"}, "events_until": 0})") << false
                                           << std::optional<QStringList>();
    }
    void draftDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(std::optional<QStringList>, events);
        m_server->setReply("/api/issue_draft", ScriptedReply::json(body));
        const auto draft = QCoro::waitFor(client().issueDraft(std::nullopt));
        QCOMPARE(draft.ok(), decodes);
        if (decodes) {
            QCOMPARE(draft.value().events, events);
            QCOMPARE(draft.value().appVersion, std::nullopt);
            QVERIFY(draft.value().attachments == IssueAttachments());
            QCOMPARE(draft.value().eventsUntil, 0);
        } else {
            QCOMPARE(draft.error().kind(), GatewayError::Kind::decoding);
        }
    }

    void fullDraftDecodes() {
        m_server->setReply("/api/issue_draft", ScriptedReply::json(R"({"app_version": "1.4.0", "events_until": 88,
            "events": ["e1"], "attachments": {"os": "Debian 12", "protection": "on",
            "sites": {"claude": true, "grok": false}, "row": {"reason": "secret", "surface": "claude_web",
            "method": "POST", "route": "upload", "ts": "2026-05-01T10:00:00+02:00", "extra": 1}}})"));
        const auto draft = QCoro::waitFor(client().issueDraft(QStringLiteral("r")));
        QVERIFY2(draft, qPrintable(failureText(draft)));
        IssueDraft expected;
        expected.appVersion = QStringLiteral("1.4.0");
        expected.eventsUntil = 88;
        expected.events = QStringList{QStringLiteral("e1")};
        expected.attachments.os = QStringLiteral("Debian 12");
        expected.attachments.protection = QStringLiteral("on");
        expected.attachments.sites =
            QMap<QString, bool>{{QStringLiteral("claude"), true}, {QStringLiteral("grok"), false}};
        expected.attachments.row =
            IssueRow{QStringLiteral("secret"), QStringLiteral("claude_web"), QStringLiteral("POST"),
                     QStringLiteral("upload"), QStringLiteral("2026-05-01T10:00:00+02:00")};
        QVERIFY(draft.value() == expected);
    }

    // --- Preview ---

    void previewSendsTheDescription() {
        const auto preview = QCoro::waitFor(client().issuePreview(QStringLiteral("Hi Ann, \"quoted\"")));
        QVERIFY2(preview, qPrintable(failureText(preview)));
        QCOMPARE(preview.value().description, QStringLiteral("Hi [PERSON_1]"));
        const auto request = m_server->requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/api/issue_preview"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(jsonObject(request.body), (QJsonObject{{"description", "Hi Ann, \"quoted\""}}));
    }

    void previewWithoutDescriptionFails() {
        m_server->setReply("/api/issue_preview", ScriptedReply::json(R"({"text": "x"})"));
        const auto preview = QCoro::waitFor(client().issuePreview(QStringLiteral("x")));
        QVERIFY(!preview);
        QCOMPARE(preview.error().kind(), GatewayError::Kind::decoding);
    }

    // --- Report ---

    void reportBody_data() {
        QTest::addColumn<std::optional<QString>>("row");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("without a row")
            << std::optional<QString>()
            << QByteArray(R"({"category": "leak", "description": "It let my IBAN through", "events_until": 1234,
                  "include": {"app_version": true, "os": false, "sites": true, "protection": true, "row": true,
                  "events": true}})");
        QTest::newRow("with a row")
            << std::optional<QString>(QStringLiteral("2026-05-01T10:00:00+02:00"))
            << QByteArray(R"({"category": "leak", "description": "It let my IBAN through", "events_until": 1234,
                  "row": "2026-05-01T10:00:00+02:00", "include": {"app_version": true, "os": false, "sites": true,
                  "protection": true, "row": true, "events": true}})");
        QTest::newRow("with an empty row")
            << std::optional<QString>(QString())
            << QByteArray(R"({"category": "leak", "description": "It let my IBAN through", "events_until": 1234,
                  "row": "", "include": {"app_version": true, "os": false, "sites": true, "protection": true,
                  "row": true, "events": true}})");
    }
    void reportBody() {
        QFETCH(std::optional<QString>, row);
        QFETCH(QByteArray, expected);
        IssueInclude include;
        include.set(QStringLiteral("os"), false);
        const auto result = QCoro::waitFor(
            client().reportIssue(QStringLiteral("leak"), QStringLiteral("It let my IBAN through"), include, row, 1234));
        QVERIFY2(result, qPrintable(failureText(result)));
        const auto request = m_server->requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/api/report_issue"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        const QJsonObject body = jsonObject(request.body);
        QCOMPARE(body, jsonObject(expected));
        QVERIFY(body.value("include").isObject());
        QVERIFY(!request.body.contains("null"));
    }

    void includeTravelsAsTheMapStands() {
        IssueInclude include;
        include.set(QStringLiteral("screenshot"), true);
        include.on.remove(QStringLiteral("events"));
        QVERIFY(QCoro::waitFor(client().reportIssue(QStringLiteral("other"), QString(), include, std::nullopt, 0)));
        const QJsonObject sent = jsonObject(m_server->requests().first().body).value("include").toObject();
        QCOMPARE(sent, (QJsonObject{{"app_version", true},
                                    {"os", true},
                                    {"sites", true},
                                    {"protection", true},
                                    {"row", true},
                                    {"screenshot", true}}));
    }

    void resultDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<std::optional<QString>>("error");
        QTest::newRow("sent") << QByteArray(R"({"ok": true, "id": "R-17"})") << true << true
                              << std::optional<QString>();
        QTest::newRow("refused with a code") << QByteArray(R"({"ok": false, "error": "rate_limited", "id": null})")
                                             << true << false << std::optional<QString>(QStringLiteral("rate_limited"));
        QTest::newRow("no ok") << QByteArray(R"({"id": "R-17"})") << false << false << std::optional<QString>();
        QTest::newRow("ok as text") << QByteArray(R"({"ok": "true"})") << false << false << std::optional<QString>();
    }
    void resultDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(bool, ok);
        QFETCH(std::optional<QString>, error);
        m_server->setReply("/api/report_issue", ScriptedReply::json(body));
        const auto result =
            QCoro::waitFor(client().reportIssue(QStringLiteral("bug"), QStringLiteral("d"), {}, std::nullopt, 0));
        QCOMPARE(result.ok(), decodes);
        if (decodes) {
            QCOMPARE(result.value().ok, ok);
            QCOMPARE(result.value().error, error);
        } else {
            QCOMPARE(result.error().kind(), GatewayError::Kind::decoding);
        }
    }

    void refusedReportIsAnHttpFailure() {
        m_server->setReply("/api/report_issue", ScriptedReply::json(R"({"ok": false, "error": "x"})", 400));
        const auto result =
            QCoro::waitFor(client().reportIssue(QStringLiteral("bug"), QStringLiteral("d"), {}, std::nullopt, 0));
        QVERIFY(!result);
        QCOMPARE(result.error(), GatewayError::http(400));
    }

    // --- Attachment choice ---

    void includeDefaultsAndWrites() {
        IssueInclude include;
        QCOMPARE(IssueInclude::keys, (QStringList{"app_version", "os", "sites", "protection", "row", "events"}));
        for (const QString& key : IssueInclude::keys) {
            QVERIFY2(include[key], qPrintable(key));
        }
        QCOMPARE(include[QStringLiteral("screenshot")], false);
        QCOMPARE(include.on.size(), 6); // reading an unknown key adds nothing

        include.set(QStringLiteral("os"), false);
        QCOMPARE(include[QStringLiteral("os")], false);
        for (const QString& key : IssueInclude::keys) {
            QCOMPARE(include[key], key != QLatin1String("os"));
        }
        include.set(QStringLiteral("screenshot"), true);
        QCOMPARE(include[QStringLiteral("screenshot")], true);
        QCOMPARE(include.on.size(), 7);
    }

    void unprovenGatewayIsNotAsked() {
        const GatewayClient unproven(m_server->port(), testToken, std::make_shared<ProofGate>());
        QCOMPARE(QCoro::waitFor(unproven.issueDraft(std::nullopt)).error(), GatewayError::unverified());
        QCOMPARE(QCoro::waitFor(unproven.issuePreview(QStringLiteral("d"))).error(), GatewayError::unverified());
        QCOMPARE(QCoro::waitFor(unproven.reportIssue(QStringLiteral("bug"), QStringLiteral("d"), {}, std::nullopt, 0))
                     .error(),
                 GatewayError::unverified());
        QCOMPARE(m_server->connectionCount(), 0);
    }
};

QTEST_GUILESS_MAIN(IssueReportTest)
#include "tst_issuereport.moc"

// The stand-in gateway (tests/fakegateway) speaks the control API with state: launched as the
// application launches the gateway and spoken to through the real client.
#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/control/Telemetry.h"
#include "support/ClientFixtures.h"
#include "support/KitPrinters.h"
#include "support/StandInGateway.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <QCoroTask>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;

namespace {

// A request time stamp whose offset and ampersand a form parser would garble unless encoded.
const QString oddStamp = QStringLiteral("2024-05-01T14:03:07+02:00 & more");

QStringList degradedCodes(const Status& status) {
    QStringList codes;
    for (const Degraded& condition : status.degraded.value_or(QList<Degraded>())) {
        codes.append(condition.code);
    }
    return codes;
}

RedactionType* firstType(RedactionPage& page, bool locked) {
    for (RedactionCategory& category : page.categories) {
        for (RedactionType& type : category.types) {
            if (type.locked == locked) {
                return &type;
            }
        }
    }
    return nullptr;
}

QJsonObject passing(const QString& text, const QString& ts = {}) {
    QJsonObject body{{QStringLiteral("text"), text}, {QStringLiteral("surface"), QStringLiteral("claude_web")}};
    if (!ts.isEmpty()) {
        body.insert(QStringLiteral("ts"), ts);
    }
    return body;
}

} // namespace

class FakeGatewayTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StandInGateway> m_gateway;

    GatewayClient client() const { return m_gateway->client(); }

    // A request passes through the gateway; answers its event's time stamp.
    QString pass(const QJsonObject& body) {
        const auto reply = m_gateway->hook("POST", QStringLiteral("/fake/request"), body);
        if (!reply) {
            qWarning("request hook failed: %s", qPrintable(reply.error().rendered()));
            return {};
        }
        return jsonObject(reply.value()).value(QLatin1String("event")).toObject().value(QLatin1String("ts")).toString();
    }

    // Posts the rules and reads them back: both must equal `expected`.
    void roundTrip(const RedactionPage& posted, const RedactionPage& expected) {
        const auto answer = QCoro::waitFor(client().postRedaction(posted));
        QVERIFY2(answer, qPrintable(failureText(answer)));
        QVERIFY(answer.value() == expected);
        const auto reread = QCoro::waitFor(client().redaction());
        QVERIFY2(reread, qPrintable(failureText(reread)));
        QVERIFY(reread.value() == expected);
    }

private Q_SLOTS:
    void init() {
        m_gateway = std::make_unique<StandInGateway>(QStringLiteral(FERNHOLM_FAKE_GATEWAY));
        QCOMPARE(m_gateway->start(), SidecarState::ready());
    }
    void cleanup() { m_gateway.reset(); }

    void rulesRoundTrip() {
        const auto read = QCoro::waitFor(client().redaction());
        QVERIFY2(read, qPrintable(failureText(read)));
        const RedactionPage original = read.value();
        QVERIFY(!original.categories.isEmpty());

        RedactionPage edited = original;
        RedactionType* type = firstType(edited, false);
        QVERIFY(type && type->enabled);
        type->enabled = false;
        edited.allowlist = QStringList{QStringLiteral("Heron Street Bakery"), QStringLiteral("ACME")};
        edited.blocklist = {{QStringLiteral("Blue Falcon"), QStringLiteral("codename")},
                            {QStringLiteral("hunter2"), QStringLiteral("custom_secret")}};
        edited.document = {QStringLiteral("black"), QStringLiteral("keep")};
        QVERIFY(!(edited == original));
        roundTrip(edited, edited);

        // And back, with empty lists.
        RedactionPage restored = edited;
        firstType(restored, false)->enabled = true;
        restored.allowlist.clear();
        restored.blocklist.clear();
        restored.document = {};
        roundTrip(restored, restored);
    }

    // The answer is the rules as held, which need not be what was posted.
    void lockedTypeKeepsItsSwitch() {
        const auto read = QCoro::waitFor(client().redaction());
        QVERIFY2(read, qPrintable(failureText(read)));
        RedactionPage posted = read.value();
        RedactionType* locked = firstType(posted, true);
        QVERIFY(locked && locked->enabled);
        locked->enabled = false;
        roundTrip(posted, read.value());
    }

    void malformedRulesChangeNothing_data() {
        QTest::addColumn<QJsonObject>("body");
        const QJsonObject document{{QStringLiteral("box_style"), QStringLiteral("black")},
                                   {QStringLiteral("codes"), QStringLiteral("keep")}};
        const auto with = [&](const char* key, const QJsonValue& value) {
            return QJsonObject{{QLatin1String(key), value}, {QStringLiteral("document"), document}};
        };
        QTest::newRow("allowlist not a list") << with("allowlist", QStringLiteral("ACME"));
        QTest::newRow("a type key not a text") << with("disabled_types", QJsonArray{QStringLiteral("PERSON"), 7});
        QTest::newRow("blocklist entry without a label")
            << with("blocklist", QJsonArray{QJsonObject{{QStringLiteral("keyword"), QStringLiteral("x")}}});
        QTest::newRow("unknown box style") << QJsonObject{
            {QStringLiteral("document"), QJsonObject{{QStringLiteral("box_style"), QStringLiteral("red")},
                                                     {QStringLiteral("codes"), QStringLiteral("keep")}}}};
        QTest::newRow("document without codes") << QJsonObject{
            {QStringLiteral("document"), QJsonObject{{QStringLiteral("box_style"), QStringLiteral("black")}}}};
    }
    void malformedRulesChangeNothing() {
        QFETCH(QJsonObject, body);
        const auto before = QCoro::waitFor(client().redaction());
        QVERIFY2(before, qPrintable(failureText(before)));
        const auto answer = QCoro::waitFor(GatewayClient::exchange(client(), GatewayClient::Method::post,
                                                                   QStringLiteral("/api/redaction"),
                                                                   GatewayClient::compactJson(body), {200}, {}));
        QVERIFY(!answer);
        QCOMPARE(answer.error(), GatewayError::http(400));
        const auto after = QCoro::waitFor(client().redaction());
        QVERIFY2(after, qPrintable(failureText(after)));
        QVERIFY(after.value() == before.value());
    }

    // Like a live gateway, the stand-in's uptime grows with time and its latency moves from one
    // reply to the next; a value a test set stays as set.
    void telemetryMovesAsALiveGatewaysDoes() {
        const auto first = QCoro::waitFor(client().status());
        QVERIFY2(first, qPrintable(failureText(first)));
        const auto second = QCoro::waitFor(client().status());
        QVERIFY2(second, qPrintable(failureText(second)));
        QVERIFY(first.value().uptimeS && first.value().memoryMb && first.value().counters.medianLatencyMs);
        QVERIFY(second.value().counters.medianLatencyMs != first.value().counters.medianLatencyMs);
        QCOMPARE(withoutTelemetry(second.value()), withoutTelemetry(first.value()));
        const qint64 uptime = *first.value().uptimeS;
        QTRY_VERIFY_WITH_TIMEOUT(QCoro::waitFor(client().status()).value().uptimeS > uptime, 10'000);

        QVERIFY(m_gateway->hook("POST", QStringLiteral("/fake/status"), {{QStringLiteral("uptime_s"), 7}}));
        QCOMPARE(QCoro::waitFor(client().status()).value().uptimeS, std::optional<qint64>(7));
        QCOMPARE(QCoro::waitFor(client().status()).value().uptimeS, std::optional<qint64>(7));
    }

    void protectionAndCertificate() {
        const auto on = QCoro::waitFor(client().setProtection(true));
        QVERIFY2(on, qPrintable(failureText(on)));
        QCOMPARE(on.value().protection, Protection::on);
        const auto polled = QCoro::waitFor(client().status());
        QVERIFY2(polled, qPrintable(failureText(polled)));
        QVERIFY(withoutTelemetry(polled.value()) == withoutTelemetry(on.value()));
        QVERIFY(polled.value().sysproxy.enabled);
        const auto off = QCoro::waitFor(client().setProtection(false));
        QVERIFY2(off, qPrintable(failureText(off)));
        QCOMPARE(off.value().protection, Protection::off);

        const auto installed = QCoro::waitFor(client().installCA());
        QVERIFY2(installed && installed.value().ok, qPrintable(failureText(installed)));
        QCOMPARE(QCoro::waitFor(client().status()).value().ca, CAStatus::ok);
        const auto removed = QCoro::waitFor(client().removeCA());
        QVERIFY2(removed && removed.value().ok, qPrintable(failureText(removed)));
        QCOMPARE(QCoro::waitFor(client().status()).value().ca, CAStatus::missing);

        QVERIFY(m_gateway->hook("POST", QStringLiteral("/fake/status"),
                                {{QStringLiteral("old_roots_trusted"), QJsonArray{QStringLiteral("Old Root 2023")}}}));
        const auto retired = QCoro::waitFor(client().retireOldRoots());
        QVERIFY2(retired, qPrintable(failureText(retired)));
        QCOMPARE(retired.value().oldRootsTrusted, QStringList());
        QCOMPARE(QCoro::waitFor(client().status()).value().oldRootsTrusted, std::optional(QStringList()));
    }

    void noticesComeAndGo() {
        const QJsonObject rulesCleared{{QStringLiteral("code"), QStringLiteral("rules_cleared")}};
        const QJsonObject other{{QStringLiteral("code"), QStringLiteral("proxy_gated")}};
        QVERIFY(m_gateway->hook("POST", QStringLiteral("/fake/status"),
                                {{QStringLiteral("degraded"), QJsonArray{rulesCleared, other}}}));

        const QString at = QStringLiteral("2024-05-01T12:00:00Z");
        const auto reported = QCoro::waitFor(client().reportDataKeyReset(at));
        QVERIFY2(reported, qPrintable(failureText(reported)));
        QCOMPARE(degradedCodes(reported.value()), QStringList({"rules_cleared", "proxy_gated", "data_key_reset"}));
        QCOMPARE(reported.value().degraded->last().detail, std::optional(at));

        const auto dismissed = QCoro::waitFor(client().reportDataKeyReset(std::nullopt));
        QVERIFY2(dismissed, qPrintable(failureText(dismissed)));
        QCOMPARE(degradedCodes(dismissed.value()), QStringList({"rules_cleared", "proxy_gated"}));

        const auto cleared = QCoro::waitFor(client().dismissRulesCleared());
        QVERIFY2(cleared, qPrintable(failureText(cleared)));
        QCOMPARE(degradedCodes(cleared.value()), QStringList({"proxy_gated"}));
        QVERIFY(withoutTelemetry(QCoro::waitFor(client().status()).value()) == withoutTelemetry(cleared.value()));
    }

    void eventsAfterACursorAndTheirDetail() {
        const auto empty = QCoro::waitFor(client().events(0));
        QVERIFY2(empty, qPrintable(failureText(empty)));
        QCOMPARE(empty.value().events.size(), 0);
        QCOMPARE(empty.value().cursor, 0);

        const QString first = pass(passing(QStringLiteral("Write to anna@example.com"), oddStamp));
        pass(passing(QStringLiteral("Nothing here")));
        const auto page = QCoro::waitFor(client().events(0));
        QVERIFY2(page, qPrintable(failureText(page)));
        QCOMPARE(page.value().events.size(), 2);
        QCOMPARE(page.value().events.first().ts, first);
        QCOMPARE(page.value().events.first().status, QStringLiteral("redacted"));
        QCOMPARE(page.value().events.first().entities, (QMap<QString, qint64>{{QStringLiteral("EMAIL_ADDRESS"), 1}}));
        QCOMPARE(page.value().events.last().status, QStringLiteral("passed"));

        pass(passing(QStringLiteral("Call Jan Kowalski")));
        const auto later = QCoro::waitFor(client().events(page.value().cursor));
        QVERIFY2(later, qPrintable(failureText(later)));
        QCOMPARE(later.value().events.size(), 1);
        QCOMPARE(later.value().events.first().tokens.size(), 1);
        QCOMPARE(later.value().cursor, 3);
        QCOMPARE(QCoro::waitFor(client().events(3)).value().events.size(), 0);

        const auto detail = QCoro::waitFor(client().detail(first));
        QVERIFY2(detail, qPrintable(failureText(detail)));
        QVERIFY(detail.value().has_value());
        QCOMPARE(detail.value()->reqId, first);
        QCOMPARE(detail.value()->details.size(), 1);
        QCOMPARE(detail.value()->details.first().value, QStringLiteral("anna@example.com"));
        QCOMPARE(detail.value()->afterText,
                 std::optional(QStringLiteral("Write to ") + page.value().events.first().tokens.first()));

        const auto unknown = QCoro::waitFor(client().detail(QStringLiteral("2024-05-01T14:03:07+02:00")));
        QVERIFY2(unknown, qPrintable(failureText(unknown)));
        QVERIFY(!unknown.value().has_value());
    }

    void scanThenRestore() {
        WorkbenchChoices choices;
        choices.restore(QStringLiteral("JAN@example.com"));
        choices.hide(QStringLiteral("Blue Falcon"));
        const QString text = QStringLiteral("Mail anna@example.com or jan@example.com about Blue Falcon, IBAN "
                                            "PL61 1090 1014 0000 0712 1981 2874.");
        const auto scanned = QCoro::waitFor(client().scan(text, choices));
        QVERIFY2(scanned, qPrintable(failureText(scanned)));
        const ScanResult& result = scanned.value();
        QCOMPARE(result.beforeText, text);
        QCOMPARE(result.details.size(), 3);
        QStringList kinds;
        for (const DetectionDetail& detail : result.details) {
            kinds.append(detail.entityType);
            QVERIFY2(result.afterText.contains(detail.token) && !result.afterText.contains(detail.value),
                     qPrintable(result.afterText));
        }
        QCOMPARE(kinds, QStringList({"EMAIL_ADDRESS", "HIDDEN", "IBAN"}));
        QVERIFY(result.afterText.contains(QStringLiteral("jan@example.com"))); // kept
        QVERIFY(result.typeNames && result.typeNames->contains(QStringLiteral("IBAN")));

        // An AI reply quoting two of the tokens and one the gateway never handed out, after a
        // character that takes two UTF-16 code units.
        const QString email = result.details.at(0).token;
        const QString hidden = result.details.at(1).token;
        const QString reply = QStringLiteral("\U0001F600 %1 wrote about %2 and [PERSON_99].").arg(email, hidden);
        const auto restoredReply = QCoro::waitFor(client().restore(reply));
        QVERIFY2(restoredReply, qPrintable(failureText(restoredReply)));
        const RestoreResult& restored = restoredReply.value();
        QCOMPARE(restored.text, QStringLiteral("\U0001F600 anna@example.com wrote about Blue Falcon and [PERSON_99]."));
        QCOMPARE(restored.unrestored, QStringList({"[PERSON_99]"}));
        QCOMPARE(restored.restored, (QList<RestoredSpan>{{3, 19, email}, {32, 43, hidden}}));
    }

    void stampedCopy() {
        const QByteArray bytes("%PDF-1.7\n\x00\xff binary", 19);
        const auto stamped = QCoro::waitFor(client().stampCopy(bytes));
        QVERIFY2(stamped, qPrintable(failureText(stamped)));
        QVERIFY(stamped.value().startsWith(bytes));
        QVERIFY(stamped.value().size() > bytes.size());
    }

    void providers() {
        const auto listed = QCoro::waitFor(client().providers());
        QVERIFY2(listed, qPrintable(failureText(listed)));
        QVERIFY(listed.value().providers.size() > 1);
        const Provider first = listed.value().providers.first();

        const auto switched = QCoro::waitFor(client().setProvider(first.name, !first.enabled));
        QVERIFY2(switched, qPrintable(failureText(switched)));
        QCOMPARE(switched.value().providers.first().enabled, !first.enabled);
        QList<Provider> expected = listed.value().providers;
        expected.first().enabled = !first.enabled;
        QCOMPARE(QCoro::waitFor(client().providers()).value().providers, expected);

        const auto unknown = QCoro::waitFor(client().setProvider(QStringLiteral("no-such-provider"), true));
        QVERIFY(!unknown);
        QCOMPARE(unknown.error(), GatewayError::http(404));
    }

    void problemReport() {
        const QString ts = pass(passing(QStringLiteral("Blocked upload"), oddStamp));
        const auto bare = QCoro::waitFor(client().issueDraft(std::nullopt));
        QVERIFY2(bare, qPrintable(failureText(bare)));
        QCOMPARE(bare.value().attachments.row, std::nullopt);
        QCOMPARE(bare.value().eventsUntil, 1);
        QCOMPARE(bare.value().events->size(), 1);

        const auto aboutRow = QCoro::waitFor(client().issueDraft(ts));
        QVERIFY2(aboutRow, qPrintable(failureText(aboutRow)));
        QVERIFY(aboutRow.value().attachments.row.has_value());
        QCOMPARE(aboutRow.value().attachments.row->ts, std::optional(ts));
        QCOMPARE(aboutRow.value().attachments.row->surface, std::optional(QStringLiteral("claude_web")));

        const auto preview = QCoro::waitFor(client().issuePreview(QStringLiteral("Jan Kowalski saw it")));
        QVERIFY2(preview, qPrintable(failureText(preview)));
        QVERIFY2(preview.value().description.startsWith(QStringLiteral("[PERSON_")) &&
                     preview.value().description.endsWith(QStringLiteral("] saw it")),
                 qPrintable(preview.value().description));

        IssueInclude include;
        include.set(QStringLiteral("os"), false);
        const auto sent = QCoro::waitFor(
            client().reportIssue(QStringLiteral("wrongly_blocked"), QStringLiteral("It blocked me"), include, ts, 1));
        QVERIFY2(sent, qPrintable(failureText(sent)));
        QVERIFY(sent.value().ok);
        QVERIFY(sent.value().id.has_value());

        const auto kept = m_gateway->hook("GET", QStringLiteral("/fake/report"));
        QVERIFY2(kept, qPrintable(failureText(kept)));
        const QJsonObject report = jsonObject(kept.value());
        QCOMPARE(report.value(QLatin1String("id")).toString(), *sent.value().id);
        QCOMPARE(report.value(QLatin1String("row")).toString(), ts);
        QCOMPARE(report.value(QLatin1String("category")).toString(), QStringLiteral("wrongly_blocked"));
        QCOMPARE(report.value(QLatin1String("include")).toObject(), include.toJson());
    }

    // Scripted replies stand in, in order, for one path's handler; the log shows what came in.
    void scriptedRepliesAndTheLog() {
        const QJsonObject scripted{
            {QStringLiteral("path"), QStringLiteral("/api/status")},
            {QStringLiteral("replies"),
             QJsonArray{QJsonObject{{QStringLiteral("status"), 500}},
                        QJsonObject{{QStringLiteral("body"), QStringLiteral(R"({"protection": "on")")}}}},
        };
        const auto queued = m_gateway->hook("POST", QStringLiteral("/fake/script"), scripted);
        QVERIFY2(queued, qPrintable(failureText(queued)));

        const auto first = QCoro::waitFor(client().status());
        QVERIFY(!first);
        QCOMPARE(first.error(), GatewayError::http(500));
        const auto second = QCoro::waitFor(client().status());
        QVERIFY(!second);
        QCOMPARE(second.error().kind(), GatewayError::Kind::decoding);
        const auto third = QCoro::waitFor(client().status());
        QVERIFY2(third, qPrintable(failureText(third)));
        QCOMPARE(third.value().protection, Protection::off);
        QVERIFY(QCoro::waitFor(client().setProtection(true)));

        const auto log = m_gateway->hook("GET", QStringLiteral("/fake/log"));
        QVERIFY2(log, qPrintable(failureText(log)));
        QStringList seen;
        QString protectionBody;
        for (const QJsonValue& entry : jsonObject(log.value()).value(QLatin1String("requests")).toArray()) {
            const QJsonObject request = entry.toObject();
            seen.append(request.value(QLatin1String("method")).toString() + u' ' +
                        request.value(QLatin1String("path")).toString());
            if (request.value(QLatin1String("path")).toString() == QLatin1String("/api/protection")) {
                protectionBody = request.value(QLatin1String("body")).toString();
                QCOMPARE(request.value(QLatin1String("headers")).toObject().value(QLatin1String("authorization")),
                         QJsonValue(QStringLiteral("Bearer ") + m_gateway->token()));
            }
        }
        // The launch's own proof comes first; the hooks are not listed.
        QCOMPARE(seen.last(4),
                 (QStringList{"GET /api/status", "GET /api/status", "GET /api/status", "POST /api/protection"}));
        QVERIFY(seen.first().startsWith(QLatin1String("GET /api/hello")));
        QCOMPARE(jsonObject(protectionBody.toUtf8()), (QJsonObject{{QStringLiteral("on"), true}}));
    }

    // A reply that never comes, or comes late, holds the call until the client gives up; the
    // next request is answered as usual.
    void scriptedWait_data() {
        QTest::addColumn<QJsonObject>("reply");
        QTest::newRow("hang") << QJsonObject{{QStringLiteral("hang"), true}};
        QTest::newRow("delay") << QJsonObject{{QStringLiteral("delay_ms"), 5000},
                                              {QStringLiteral("body"), QStringLiteral(R"({"providers": []})")}};
    }
    void scriptedWait() {
        QFETCH(QJsonObject, reply);
        const QJsonObject scripted{
            {QStringLiteral("path"), QStringLiteral("/api/providers")},
            {QStringLiteral("replies"), QJsonArray{reply}},
        };
        QVERIFY(m_gateway->hook("POST", QStringLiteral("/fake/script"), scripted));
        const GatewayClient impatient(
            m_gateway->port(), std::make_shared<GatewaySession>(m_gateway->token(), std::chrono::milliseconds(300)),
            provenGate());
        const auto answer = QCoro::waitFor(impatient.providers());
        QVERIFY(!answer);
        QCOMPARE(answer.error().kind(), GatewayError::Kind::transport);
        const auto next = QCoro::waitFor(client().providers());
        QVERIFY2(next, qPrintable(failureText(next)));
        QVERIFY(!next.value().providers.isEmpty());
    }

    void malformedScriptsAreRefused_data() {
        QTest::addColumn<QJsonObject>("body");
        QTest::newRow("no path") << QJsonObject{{QStringLiteral("replies"), QJsonArray()}};
        QTest::newRow("no replies") << QJsonObject{{QStringLiteral("path"), QStringLiteral("/api/status")}};
        QTest::newRow("a body that is not text")
            << QJsonObject{{QStringLiteral("path"), QStringLiteral("/api/status")},
                           {QStringLiteral("replies"), QJsonArray{QJsonObject{{QStringLiteral("body"), 1}}}}};
    }
    void malformedScriptsAreRefused() {
        QFETCH(QJsonObject, body);
        const auto reply = m_gateway->hook("POST", QStringLiteral("/fake/script"), body);
        QVERIFY(!reply);
        QCOMPARE(reply.error(), GatewayError::http(400));
        QVERIFY(QCoro::waitFor(client().status()));
    }

    void hooksWantTheToken() {
        const GatewayClient stranger(m_gateway->port(), testToken, provenGate());
        const auto reply = QCoro::waitFor(GatewayClient::exchange(stranger, GatewayClient::Method::get,
                                                                  QStringLiteral("/fake/report"), {}, {200}, {}));
        QVERIFY(!reply);
        QCOMPARE(reply.error(), GatewayError::http(401));
    }
};

QTEST_GUILESS_MAIN(FakeGatewayTest)
#include "tst_fakegateway.moc"

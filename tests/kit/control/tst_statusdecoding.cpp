#include "FernholmKit/control/Models.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <limits>
#include <optional>

using namespace fernholm;

namespace {

QByteArray fixture(const QString& name) {
    QFile file(QStringLiteral(FERNHOLM_TEST_DATA "/status/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("missing fixture %s", qPrintable(name));
    }
    return file.readAll();
}

// A fixture with one member (a dotted path) removed or set to null.
QByteArray mutate(const QString& file, const QString& dottedPath, bool makeNull) {
    QJsonObject root = QJsonDocument::fromJson(fixture(file)).object();
    const QStringList parts = dottedPath.split(u'.');
    if (parts.size() == 1) {
        if (makeNull) {
            root.insert(parts[0], QJsonValue::Null);
        } else {
            root.remove(parts[0]);
        }
    } else {
        QJsonObject inner = root.value(parts[0]).toObject();
        if (makeNull) {
            inner.insert(parts[1], QJsonValue::Null);
        } else {
            inner.remove(parts[1]);
        }
        root.insert(parts[0], inner);
    }
    return QJsonDocument(root).toJson();
}

Status decodeOk(const QByteArray& body) {
    auto result = json::decode<Status>(body);
    if (!result) {
        qFatal("decode failed: %s", qPrintable(result.error().rendered()));
    }
    return result.value();
}

} // namespace

class StatusDecodingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void minimalLeavesOptionalsAbsent() {
        const Status s = decodeOk(fixture(QStringLiteral("minimal.json")));
        QCOMPARE(s.protection, Protection::off);
        QCOMPARE(s.ca, CAStatus::missing);
        QCOMPARE(s.proxyPort, 48080);
        QVERIFY(!s.protected_);
        QVERIFY(!s.degraded);
        QVERIFY(!s.browserBypass);
        QVERIFY(!s.error && !s.caRenewal && !s.oldRootsTrusted && !s.retireErrors);
        QVERIFY(!s.uptimeS && !s.memoryMb && !s.detector && !s.modelError);
        QVERIFY(!s.sysproxy.service && !s.sysproxy.host && !s.sysproxy.port);
        QCOMPARE(s.counters, Counters::empty);
    }

    void fullDecodesEveryMember() {
        const Status s = decodeOk(fixture(QStringLiteral("full.json")));
        QCOMPARE(s.protection, Protection::on);
        QCOMPARE(s.protected_, std::optional<bool>(true));
        QVERIFY(!s.error); // null reads as absent
        QCOMPARE(s.sysproxy.service, std::optional<QString>(QStringLiteral("Wi-Fi")));
        QCOMPARE(s.sysproxy.port, std::optional<qint64>(48080));
        QVERIFY(isTrusted(s.ca));
        QCOMPARE(s.oldRootsTrusted, std::optional<QStringList>(QStringList{QStringLiteral("Tarvine Root 2024")}));
        QCOMPARE(s.retireErrors, std::optional<QStringList>(QStringList{}));
        QCOMPARE(s.uptimeS, std::optional<qint64>(86400));
        QCOMPARE(s.memoryMb, std::optional<double>(212.5));
        QCOMPARE(s.counters.entities.value(QStringLiteral("PL_PESEL")), 9);
        QCOMPARE(s.counters.unfilteredHosts.size(), 2);
        QCOMPARE(s.counters.medianLatencyMs, std::optional<double>(41.7));
        QCOMPARE(s.detector, std::optional<QString>(QStringLiteral("mmbert")));

        QVERIFY(s.degraded);
        QCOMPARE(s.degraded->size(), 2);
        const Degraded& renewal = s.degraded->at(0);
        QCOMPARE(renewal.detail, std::optional<QString>(QStringLiteral("in 12 days")));
        QCOMPARE(renewal.title.value(QStringLiteral("pl")), QStringLiteral("Czas odnowić certyfikat"));
        QVERIFY(!renewal.isCritical());
        QVERIFY(s.degraded->at(1).isCritical());

        QVERIFY(s.browserBypass);
        QCOMPARE(s.browserBypass->size(), 3);
        const BrowserFinding& firefox = s.browserBypass->at(0);
        QCOMPARE(firefox.id(), QStringLiteral("bypass:ff-default"));
        QCOMPARE(firefox.setBy, std::optional<QString>(QStringLiteral("settings")));
        QCOMPARE(firefox.extensions.size(), 1);
        QCOMPARE(firefox.extensions[0].mode, std::optional<QString>(QStringLiteral("on_request")));
        QVERIFY(s.browserBypass->at(1).extensions.isEmpty()); // null list reads as empty
        QCOMPARE(s.browserBypass->at(2).id(), QStringLiteral("unsupported_app:"));
    }

    void requiredMemberMissingOrNull_data() {
        QTest::addColumn<QString>("member");
        QTest::addColumn<bool>("makeNull");
        QTest::addColumn<QString>("named"); // what the error must name
        const QStringList required = {"protection",
                                      "proxy_alive",
                                      "sysproxy",
                                      "ca",
                                      "proxy_port",
                                      "counters",
                                      "sysproxy.enabled",
                                      "counters.total",
                                      "counters.redacted",
                                      "counters.blocked",
                                      "counters.passed",
                                      "counters.entities",
                                      "counters.unfiltered_hosts"};
        for (const QString& member : required) {
            const QString key = member.section(u'.', -1);
            QTest::addRow("%s missing", qPrintable(member)) << member << false << key;
            QTest::addRow("%s null", qPrintable(member)) << member << true << key;
        }
    }
    void requiredMemberMissingOrNull() {
        QFETCH(QString, member);
        QFETCH(bool, makeNull);
        QFETCH(QString, named);
        auto result = json::decode<Status>(mutate(QStringLiteral("minimal.json"), member, makeNull));
        QVERIFY(!result);
        QCOMPARE(result.error().kind(), GatewayError::Kind::decoding);
        QVERIFY2(result.error().text().contains(QLatin1Char('"') + named + QLatin1Char('"')),
                 qPrintable(result.error().text()));
        if (member.contains(u'.')) {
            // The coding path names the record that lacks it.
            QVERIFY2(result.error().text().contains(member.section(u'.', 0, 0)), qPrintable(result.error().text()));
        }
    }

    void optionalCountersMemberMayBeMissing() {
        QVERIFY(decodeOk(fixture(QStringLiteral("full.json"))).counters.medianLatencyMs);
        const Status s =
            decodeOk(mutate(QStringLiteral("full.json"), QStringLiteral("counters.median_latency_ms"), false));
        QVERIFY(!s.counters.medianLatencyMs);
    }

    // Keys are read in a fixed order, so of two faults the error names the first one read.
    void firstFaultReadIsNamed_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("notNamed");
        QTest::newRow("protection before proxy_alive")
            << QByteArray(R"({"protection": "ON", "sysproxy": {"enabled": false}, "ca": "ok", "proxy_port": 1,
                 "counters": {"total": 0, "redacted": 0, "blocked": 0, "passed": 0, "entities": {}, "unfiltered_hosts": []}})")
            << "\"ON\""
            << "proxy_alive";
        QTest::newRow("counters before proxy_port")
            << QByteArray(R"({"protection": "on", "proxy_alive": true, "sysproxy": {"enabled": false}, "ca": "ok",
                 "counters": {"total": 0, "redacted": 0, "blocked": 0, "passed": 0, "entities": {}}})")
            << "unfiltered_hosts"
            << "proxy_port";
        QTest::newRow("ca before degraded")
            << QByteArray(R"({"protection": "on", "proxy_alive": true, "sysproxy": {"enabled": false}, "ca": "nope",
                 "proxy_port": 1, "degraded": [{"severity": 1}],
                 "counters": {"total": 0, "redacted": 0, "blocked": 0, "passed": 0, "entities": {}, "unfiltered_hosts": []}})")
            << "\"nope\""
            << "degraded";
    }
    void firstFaultReadIsNamed() {
        QFETCH(QByteArray, body);
        QFETCH(QString, named);
        QFETCH(QString, notNamed);
        auto result = json::decode<Status>(body);
        QVERIFY(!result);
        QVERIFY2(result.error().text().contains(named), qPrintable(result.error().text()));
        QVERIFY2(!result.error().text().contains(notNamed), qPrintable(result.error().text()));
    }

    // Integers decode exactly within the 64-bit range and fail, naming their key, outside it, also
    // where the number rounds onto the range's end as a double, which the JSON reader then gives
    // as that integer.
    void integerRange_data() {
        QTest::addColumn<QByteArray>("number");
        QTest::addColumn<bool>("inEntities");                // a map entry in counters.entities, else proxy_port
        QTest::addColumn<std::optional<qint64>>("expected"); // nothing: a decoding error
        const auto smallest = std::optional<qint64>(std::numeric_limits<qint64>::min());
        const auto none = std::optional<qint64>();
        QTest::newRow("smallest") << QByteArray("-9223372036854775808") << false << smallest;
        QTest::newRow("smallest with an exponent") << QByteArray("-9.223372036854775808e18") << false << smallest;
        QTest::newRow("largest") << QByteArray("9223372036854775807") << false
                                 << std::optional<qint64>(std::numeric_limits<qint64>::max());
        QTest::newRow("one below the smallest") << QByteArray("-9223372036854775809") << false << none;
        QTest::newRow("below the smallest, short") << QByteArray("-9.223372036854776e18") << false << none;
        QTest::newRow("far below the smallest") << QByteArray("-9223372036854777000") << false << none;
        QTest::newRow("one above the largest") << QByteArray("9223372036854775808") << false << none;
        QTest::newRow("whole number with an exponent") << QByteArray("4.8e4") << false << std::optional<qint64>(48000);
        QTest::newRow("smallest in a map") << QByteArray("-9223372036854775808") << true << smallest;
        QTest::newRow("one below the smallest in a map") << QByteArray("-9223372036854775809") << true << none;
    }
    void integerRange() {
        QFETCH(QByteArray, number);
        QFETCH(bool, inEntities);
        QFETCH(std::optional<qint64>, expected);
        QByteArray body = fixture("minimal.json");
        if (inEntities) {
            // The same text in a string, before it, is no number.
            body.replace("\"entities\": {}", "\"entities\": {\"a\\\"b\": 1, \"PERSON\": " + number + "}");
            body.replace("\"ca\": \"missing\"", "\"ca\": \"missing\", \"error\": \"" + number + "\"");
        } else {
            body.replace("48080", number);
        }
        const auto result = json::decode<Status>(body);
        QCOMPARE(result.ok(), expected.has_value());
        const QString key = inEntities ? "\"counters.entities.PERSON\"" : "\"proxy_port\"";
        if (!expected) {
            QCOMPARE(result.error().kind(), GatewayError::Kind::decoding);
            QVERIFY2(result.error().text().contains(key), qPrintable(result.error().text()));
        } else if (inEntities) {
            QCOMPARE(result.value().counters.entities.value("PERSON"), *expected);
        } else {
            QCOMPARE(result.value().proxyPort, *expected);
        }
    }

    void faultyFixturesFail_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("protection in another case") << "protection-wrong-case.json"
                                                    << "\"On\"";
        QTest::newRow("unknown certificate state") << "ca-unknown.json"
                                                   << "\"expired\"";
        QTest::newRow("numeric severity") << "severity-number.json"
                                          << "degraded[0].severity";
        QTest::newRow("fractional count") << "count-fractional.json"
                                          << "counters.total";
    }
    void faultyFixturesFail() {
        QFETCH(QString, file);
        QFETCH(QString, mentions);
        auto result = json::decode<Status>(fixture(file));
        QVERIFY(!result);
        QCOMPARE(result.error().kind(), GatewayError::Kind::decoding);
        QVERIFY2(result.error().text().contains(mentions), qPrintable(result.error().text()));
    }

    void notJsonOrNotAnObject_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("html page") << QByteArray("<html><body>Internal Server Error</body></html>");
        QTest::newRow("empty body") << QByteArray();
        QTest::newRow("array") << QByteArray("[1,2]");
        QTest::newRow("string") << QByteArray("\"status\"");
    }
    void notJsonOrNotAnObject() {
        QFETCH(QByteArray, body);
        auto result = json::decode<Status>(body);
        QVERIFY(!result);
        QCOMPARE(result.error().kind(), GatewayError::Kind::decoding);
    }

    void degradedReadsTolerantMembers() {
        const Status s = decodeOk(fixture(QStringLiteral("degraded-tolerant.json")));
        QCOMPARE(s.degraded->size(), 3);
        const Degraded& bare = s.degraded->at(0);
        QCOMPARE(bare.severity, QStringLiteral("warning"));
        QVERIFY(!bare.isCritical());
        QVERIFY(bare.title.isEmpty() && bare.body.isEmpty() && !bare.detail);

        const Degraded& odd = s.degraded->at(1);
        QCOMPARE(odd.code, QStringLiteral("rules_cleared"));
        QCOMPARE(odd.severity, QStringLiteral("warning")); // null severity
        QVERIFY(!odd.detail);                              // numeric detail
        QVERIFY(odd.title.isEmpty());                      // plain string title
        QCOMPARE(odd.body.value(QStringLiteral("en")), QStringLiteral("Rules were reset."));

        const Degraded& capital = s.degraded->at(2);
        QCOMPARE(capital.severity, QStringLiteral("Critical"));
        QVERIFY(!capital.isCritical());
        QVERIFY(capital.title.isEmpty()); // a map with a non-text value
    }

    void findingDefaults() {
        const Status s = decodeOk(fixture(QStringLiteral("findings-defaults.json")));
        const BrowserFinding& empty = s.browserBypass->at(0);
        QCOMPARE(empty.kind, QStringLiteral("unknown"));
        QCOMPARE(empty.id(), QStringLiteral("unknown:"));
        QVERIFY(!empty.browser && !empty.family && !empty.manage && !empty.profileId && !empty.profile);
        QVERIFY(!empty.setBy && !empty.mode && empty.extensions.isEmpty());
        QCOMPARE(s.browserBypass->at(1).id(), QStringLiteral("bypass:p1"));
        QCOMPARE(s.browserBypass->at(2).extensions.at(0).id, QString());
        QCOMPARE(s.browserBypass->at(2).extensions.at(0).name, std::optional<QString>(QStringLiteral("No id")));
    }

    void extraKeysAreIgnored() {
        const Status withExtras = decodeOk(fixture(QStringLiteral("extra-keys.json")));
        Status plain = decodeOk(fixture(QStringLiteral("minimal.json")));
        Degraded x;
        x.code = QStringLiteral("x");
        plain.degraded = QList<Degraded>{x};
        QCOMPARE(withExtras, plain);
    }

    void certificateReplies_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("ok") << QByteArray(R"({"ok": true})") << true << true;
        QTest::newRow("refused without text") << QByteArray(R"({"ok": false})") << true << false;
        QTest::newRow("no ok") << QByteArray(R"({"error": "denied"})") << false << false;
    }
    void certificateReplies() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(bool, ok);
        auto result = json::decode<CAInstallResult>(body);
        QCOMPARE(result.ok(), decodes);
        if (decodes) {
            QCOMPARE(result.value().ok, ok);
            QVERIFY(!result.value().error);
        }
    }

    void retireNeedsBothLists() {
        QVERIFY(!json::decode<RetireResult>(R"({"errors": []})"));
        auto both = json::decode<RetireResult>(R"({"old_roots_trusted": ["A"], "errors": ["no admin"]})");
        QVERIFY(both);
        QCOMPARE(both.value().oldRootsTrusted, QStringList{QStringLiteral("A")});
    }
};

QTEST_GUILESS_MAIN(StatusDecodingTest)
#include "tst_statusdecoding.moc"

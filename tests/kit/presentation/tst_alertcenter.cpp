#include "FernholmKit/presentation/AlertCenter.h"
#include "FernholmKit/platform/Defaults.h"

#include "support/MemoryDefaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;
using namespace std::chrono_literals;

using Alerts = QList<AppAlert>;

namespace {

const Time t0 = timeFromSeconds(1'700'000'000);

AppAlert warning(const QString& id) {
    return AppAlert{id, AlertLevel::warning, id, QString(), std::nullopt, std::nullopt, std::nullopt};
}

AppAlert critical(const QString& id) {
    AppAlert a = warning(id);
    a.level = AlertLevel::critical;
    return a;
}

Alerts warnings(const QStringList& ids) {
    Alerts out;
    for (const QString& id : ids) {
        out.append(warning(id));
    }
    return out;
}

QStringList shown(const AlertLayout& layout) {
    QStringList out;
    for (const AppAlert& a : layout.warnings) {
        out.append(a.id);
    }
    return out;
}

} // namespace

class AlertCenterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newestWarningsOnTop() {
        MemoryDefaults defaults;
        AlertCenter center(defaults);
        QSignalSpy changed(&center, &AlertCenter::snoozesChanged);

        AlertLayout layout = center.layout(warnings({"a", "b", "c", "d", "e"}), t0);
        QCOMPARE(shown(layout), (QStringList{"a", "b"}));
        QCOMPARE(layout.moreWarnings, 3);
        QCOMPARE(layout.badgeCount(), 5);

        layout = center.layout(warnings({"a", "b", "c", "d", "e", "f"}), t0 + 10s);
        QCOMPARE(shown(layout), (QStringList{"f", "a"}));
        QCOMPARE(layout.moreWarnings, 4);

        // "b" vanishes for one render and comes back as new.
        center.layout(warnings({"a", "c", "d", "e", "f"}), t0 + 20s);
        layout = center.layout(warnings({"a", "b", "c", "d", "e", "f"}), t0 + 30s);
        QCOMPARE(shown(layout), (QStringList{"b", "f"}));

        // Seeing the same alerts again changes nothing.
        layout = center.layout(warnings({"a", "b", "c", "d", "e", "f"}), t0 + 40s);
        QCOMPARE(shown(layout), (QStringList{"b", "f"}));

        QCOMPARE(changed.count(), 0);
        QCOMPARE(defaults.writes(), 0);
    }

    // A second list arranged from the same sightings (fewer alerts, snoozes in force) leaves
    // them alone: what it leaves out does not count as new when the full list shows it again.
    void arrangingLeavesTheSightingsAlone() {
        MemoryDefaults defaults;
        AlertCenter center(defaults);
        center.layout(warnings({"a", "b"}), t0);
        center.layout(warnings({"a", "b", "c"}), t0 + 10s);
        center.snooze(warning("c"), t0 + 15s);

        const AlertLayout fewer = center.arranged(warnings({"a", "c"}), t0 + 20s);
        QCOMPARE(shown(fewer), (QStringList{"a"}));

        const AlertLayout full = center.layout(warnings({"a", "b", "c"}), t0 + 30s);
        QCOMPARE(shown(full), (QStringList{"a", "b"}));
        QCOMPARE(center.arranged(warnings({"b", "c", "a"}), t0 + 30s + 86400s).warnings.first().id, "c");
    }

    void snoozedWarningReturnsExactlyAtItsEnd() {
        MemoryDefaults defaults;
        AlertCenter center(defaults);
        QSignalSpy changed(&center, &AlertCenter::snoozesChanged);
        const Alerts alerts = warnings({"a", "b", "c"});

        center.layout(alerts, t0);
        center.snooze(warning("a"), t0 + 1s);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(defaults.writes(), 1);

        AlertLayout layout = center.layout(alerts, t0 + 1s + 86399s);
        QCOMPARE(shown(layout), (QStringList{"b", "c"}));
        QCOMPARE(layout.moreWarnings, 0);
        QCOMPARE(layout.badgeCount(), 2);

        layout = center.layout(alerts, t0 + 1s + 86400s);
        QCOMPARE(shown(layout), (QStringList{"a", "b"}));
        QCOMPARE(layout.moreWarnings, 1);
        QCOMPARE(layout.badgeCount(), 3);
        QCOMPARE(defaults.writes(), 1); // expiry itself writes nothing
    }

    void criticalCannotBeSnoozed() {
        MemoryDefaults defaults;
        AlertCenter center(defaults);
        QSignalSpy changed(&center, &AlertCenter::snoozesChanged);

        center.snooze(critical("sidecar_stopped"), t0);
        QCOMPARE(defaults.writes(), 0);
        QCOMPARE(changed.count(), 0);
        QVERIFY(center.snoozes().isEmpty());

        // A stored snooze under a critical alert's id does not hide it either.
        defaults.setValue(AlertCenter::snoozeKey, QVariantMap{{"sidecar_stopped", secondsSince1970(t0 + 1h)}});
        AlertCenter restored(defaults);
        const AlertLayout layout = restored.layout({critical("sidecar_stopped")}, t0);
        QCOMPARE(layout.critical.size(), 1);
    }

    void snoozeDropsExpiredEntries() {
        MemoryDefaults defaults;
        defaults.setValue(AlertCenter::snoozeKey,
                          QVariantMap{{"old", secondsSince1970(t0)}, {"live", secondsSince1970(t0 + 2h)}});
        AlertCenter center(defaults);
        QCOMPARE(center.snoozes().size(), 2); // loaded as they are

        center.snooze(warning("live"), t0);
        center.snooze(warning("new"), t0 + 1h);
        const QVariantMap stored = defaults.value(AlertCenter::snoozeKey).toMap();
        QCOMPARE(stored.keys(), (QStringList{"live", "new"}));
        QCOMPARE(stored.value("live").toDouble(), secondsSince1970(t0 + 86400s));
        QCOMPARE(stored.value("new").toDouble(), secondsSince1970(t0 + 1h + 86400s));
    }

    void storedSnoozes_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("loaded");

        const double later = secondsSince1970(t0 + 1h);
        QTest::newRow("absent") << QVariant() << QStringList{};
        QTest::newRow("not a map") << QVariant(QStringLiteral("a")) << QStringList{};
        QTest::newRow("numbers") << QVariant(QVariantMap{{"a", later}, {"b", 1'700'000'000}}) << QStringList{"a", "b"};
        QTest::newRow("numbers as text") << QVariant(QVariantMap{{"a", QString::number(later, 'f', 3)}})
                                         << QStringList{"a"};
        QTest::newRow("one entry not a number")
            << QVariant(QVariantMap{{"a", later}, {"b", QStringLiteral("tomorrow")}}) << QStringList{};
        QTest::newRow("one entry a list")
            << QVariant(QVariantMap{{"a", later}, {"b", QVariantList{later}}}) << QStringList{};
        QTest::newRow("not a moment") << QVariant(QVariantMap{{"a", later}, {"b", qQNaN()}}) << QStringList{};
        QTest::newRow("far future is kept") << QVariant(QVariantMap{{"a", 1e300}}) << QStringList{"a"};
    }

    void storedSnoozes() {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, loaded);
        MemoryDefaults defaults;
        if (stored.isValid()) {
            defaults.setValue(AlertCenter::snoozeKey, stored);
        }
        AlertCenter center(defaults);
        QStringList keys = center.snoozes().keys();
        keys.sort();
        QCOMPARE(keys, loaded);
        if (!loaded.isEmpty()) {
            QCOMPARE(center.layout(warnings({"a"}), t0).warnings.size(), 0);
        }
    }

    void snoozeSurvivesARestart() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("defaults.ini"));
        {
            SettingsDefaults defaults(path);
            AlertCenter center(defaults);
            center.snooze(warning("bypass:bypass:Profile 1"), t0);
            defaults.sync();
        }
        SettingsDefaults defaults(path);
        AlertCenter center(defaults);
        QCOMPARE(center.snoozes().value(QStringLiteral("bypass:bypass:Profile 1")), t0 + 86400s);
        const Alerts alerts = warnings({"bypass:bypass:Profile 1", "other"});
        QCOMPARE(shown(center.layout(alerts, t0 + 86399s)), QStringList{"other"});
        QCOMPARE(shown(center.layout(alerts, t0 + 86400s)), (QStringList{"bypass:bypass:Profile 1", "other"}));
    }

    void nonNumberInTheFileDropsAllSnoozes() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("defaults.ini"));
        {
            SettingsDefaults defaults(path);
            defaults.setValue(AlertCenter::snoozeKey,
                              QVariantMap{{"a", secondsSince1970(t0 + 1h)}, {"b", QStringLiteral("soon")}});
            defaults.sync();
        }
        SettingsDefaults defaults(path);
        AlertCenter center(defaults);
        QVERIFY(center.snoozes().isEmpty());
        QCOMPARE(shown(center.layout(warnings({"a", "b"}), t0)), (QStringList{"a", "b"}));
    }
};

QTEST_GUILESS_MAIN(AlertCenterTest)
#include "tst_alertcenter.moc"

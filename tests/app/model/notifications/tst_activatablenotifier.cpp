// The system notifier on a private bus where the notification service can only be activated, and
// its activation fails (see notifications.cmake): an activatable service counts as there, and
// what it then fails to show is logged with the notice's kind.
#include "FernholmApp/model/SystemNotifier.h"
#include "FernholmKit/platform/DBusNotificationCenter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

using namespace fernholm;

namespace {

QStringList logged;
QtMessageHandler passOn = nullptr;

void catchLogLines(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category && QLatin1String(context.category) == QLatin1String("com.orvendale.tarvine.notifications")) {
        logged.append(message);
        return;
    }
    passOn(type, context, message);
}

} // namespace

class ActivatableNotifierTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        passOn = qInstallMessageHandler(catchLogLines);
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        QVERIFY2(bus, "no session bus: run through notifications.cmake's dbus-run-session (ctest does)");
        QVERIFY(!bus->isServiceRegistered(DBusNotificationCenter::serviceName).value());
        QVERIFY2(bus->activatableServiceNames().value().contains(DBusNotificationCenter::serviceName),
                 "run on the bus of notifications/activation/session.conf");
    }

    void anActivatableServiceIsAskedAndItsFailureLogged() {
        auto center = std::make_shared<DBusNotificationCenter>(QDBusConnection::sessionBus(), std::nullopt);
        SystemNotifier notifier(center);
        notifier.post(bypassNotificationPrefix + QStringLiteral("firefox"), QStringLiteral("a"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(logged.size(), 1, 20'000);
        notifier.post(blockNotificationIdentifier, QStringLiteral("b"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(logged.size(), 2, 20'000);
        QVERIFY2(logged.at(0).startsWith(QLatin1String("bypass notification failed: ")), qPrintable(logged.at(0)));
        QVERIFY2(logged.at(1).startsWith(QLatin1String("block notification failed: ")), qPrintable(logged.at(1)));
        // The bus's own reason comes along.
        QVERIFY(logged.at(0).size() > QLatin1String("bypass notification failed: ").size());
    }
};

QTEST_GUILESS_MAIN(ActivatableNotifierTest)
#include "tst_activatablenotifier.moc"

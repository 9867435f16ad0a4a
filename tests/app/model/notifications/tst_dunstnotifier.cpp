// The system notifier against dunst, a real notification service, started by with-dunst.sh
// inside xvfb-run and dbus-run-session (see notifications.cmake); read back through dunstctl.
#include "FernholmApp/model/SystemNotifier.h"
#include "FernholmKit/platform/DBusNotificationCenter.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;

namespace {

// dunstctl's answer, or a failed check.
QString dunstctl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("dunstctl"), arguments);
    if (!process.waitForFinished(10'000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("dunstctl %s failed: %s", qPrintable(arguments.join(u' ')),
                 process.readAllStandardError().constData());
        return QStringLiteral("failed");
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

int displayed() {
    return dunstctl({QStringLiteral("count"), QStringLiteral("displayed")}).toInt();
}

// The summaries of the closed notifications dunst keeps, newest first.
QStringList history() {
    const QJsonObject reply = QJsonDocument::fromJson(dunstctl({QStringLiteral("history")}).toUtf8()).object();
    QStringList summaries;
    for (const QJsonValue& entry : reply.value(QLatin1String("data")).toArray().at(0).toArray()) {
        summaries.append(
            entry.toObject().value(QLatin1String("summary")).toObject().value(QLatin1String("data")).toString());
    }
    return summaries;
}

// A round trip to the service on the session bus connection the notifier uses: what the
// notifier sent before it has been handled when this returns.
QString serverName() {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(DBusNotificationCenter::serviceName, DBusNotificationCenter::objectPath,
                                       DBusNotificationCenter::serviceName, QStringLiteral("GetServerInformation")));
    return reply.arguments().value(0).toString();
}

} // namespace

class DunstNotifierTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(qEnvironmentVariable("FERNHOLM_DUNST") == QLatin1String("1"),
                 "run through tests/app/notifications/with-dunst.sh (ctest does)");
        QCOMPARE(serverName(), QStringLiteral("dunst"));
    }

    void postReplaceClickRemove() {
        QTemporaryDir temp;
        auto center =
            std::make_shared<DBusNotificationCenter>(QDBusConnection::sessionBus(), temp.filePath(QStringLiteral("n")));
        SystemNotifier notifier(center);
        QList<NotificationTarget> clicks;
        notifier.onClick = [&clicks](NotificationTarget target) {
            clicks.append(target);
        };
        const QString identifier = bypassNotificationPrefix + QStringLiteral("firefox");

        notifier.post(identifier, QStringLiteral("Firefox skips Tarvine"), QStringLiteral("first"));
        QTRY_COMPARE(displayed(), 1);

        notifier.post(identifier, QStringLiteral("Firefox still skips Tarvine"), QStringLiteral("second"));
        QTRY_VERIFY(notifier.pendingIdentifiers().isEmpty());
        serverName();
        QCOMPARE(displayed(), 1);

        QCOMPARE(dunstctl({QStringLiteral("action"), QStringLiteral("0")}), QString());
        QTRY_COMPARE(clicks, QList<NotificationTarget>{NotificationTarget::home});

        notifier.remove({identifier});
        QTRY_COMPARE(displayed(), 0);
        // Only the replacement was ever a notification of its own.
        QCOMPARE(history(), QStringList{"Firefox still skips Tarvine"});
    }
};

QTEST_GUILESS_MAIN(DunstNotifierTest)
#include "tst_dunstnotifier.moc"

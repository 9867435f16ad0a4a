#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/theme/Theme.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QHBoxLayout>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace fernholm;

// An assistive technology flips the switch over the real accessibility bus: the application is on
// an X server with Qt's AT-SPI bridge on, and a pyatspi client finds the switch by its label and
// runs its "Toggle" action.
class SwitchAtspiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void toggleOverTheAccessibilityBus() {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 qPrintable(QStringLiteral("needs an X server, runs on %1").arg(QGuiApplication::platformName())));
        // Qt's bridge joins the accessibility bus once that bus's launcher is on the session bus;
        // asking for its address starts it (a desktop session starts it at login).
        const QDBusReply<QString> address = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                           QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
        QVERIFY2(address.isValid(), qPrintable(address.error().message()));

        QWidget window;
        window.setWindowTitle(QStringLiteral("Switch"));
        auto* layout = new QHBoxLayout(&window);
        auto* control =
            new VSwitch(VSwitch::Size::hero, Theme::live, Theme::heroOffTrack, QStringLiteral("Protection"));
        layout->addWidget(control);
        connect(control, &VSwitch::toggleRequested, control, &VSwitch::setOn);
        QSignalSpy requested(control, &VSwitch::toggleRequested);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 20000); // the bridge connects to the bus in the background

        QProcess client;
        client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's own interpreter, the one python3-pyatspi is installed for.
        client.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(FERNHOLM_ATSPI_CLIENT), QString::number(QCoreApplication::applicationPid()),
                      QStringLiteral("Protection")});
        QVERIFY2(client.waitForStarted(), qPrintable(client.errorString()));
        // The client calls into this process: the event loop has to run while it works.
        QTRY_VERIFY_WITH_TIMEOUT(client.state() == QProcess::NotRunning, 45000);
        const QString output = QString::fromUtf8(client.readAllStandardOutput());
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QVERIFY2(client.exitCode() == 0, qPrintable(output));
        QCOMPARE(output.trimmed(), QStringLiteral("toggled"));
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.first().at(0).toBool(), true);
        QVERIFY(control->isOn());
    }
};

QTEST_MAIN(SwitchAtspiTest)
#include "tst_switchatspi.moc"

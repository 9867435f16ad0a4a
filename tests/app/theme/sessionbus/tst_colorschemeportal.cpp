// Runs on a private session bus with a stand-in settings portal: see tst_colorschemeportal.cmake.
#include "FernholmApp/theme/Appearance.h"
#include "FernholmKit/platform/ColorSchemePortal.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QTest>

using namespace fernholm;

namespace {

// The settings portal as a desktop runs it, on a bus connection of its own. Read answers as the
// test sets it: the value wrapped in a variant inside a variant (as the portal does), in one
// variant, an error, or a text.
class StandInPortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    enum class Answer { nested, plain, error, text };

    explicit StandInPortal(const QString& connectionName)
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)) {}
    ~StandInPortal() override {
        m_bus.unregisterObject(ColorSchemePortal::path);
        m_bus.unregisterService(ColorSchemePortal::service);
        QDBusConnection::disconnectFromBus(m_bus.name());
    }

    bool start() {
        return m_bus.isConnected() &&
               m_bus.registerObject(ColorSchemePortal::path, this, QDBusConnection::ExportAllSlots) &&
               m_bus.registerService(ColorSchemePortal::service);
    }

    void changeSetting(const QString& settingsNamespace, const QString& key, const QVariant& value) {
        QDBusMessage signal = QDBusMessage::createSignal(ColorSchemePortal::path, ColorSchemePortal::interface,
                                                         QStringLiteral("SettingChanged"));
        signal << settingsNamespace << key << QVariant::fromValue(QDBusVariant(value));
        m_bus.send(signal);
    }

    Answer answer = Answer::nested;
    uint value = 0;
    int reads = 0;

public Q_SLOTS:
    QDBusVariant Read(const QString& settingsNamespace, const QString& key) {
        ++reads;
        if (answer == Answer::error || settingsNamespace != ColorSchemePortal::settingsNamespace ||
            key != ColorSchemePortal::key) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such setting"));
            return {};
        }
        if (answer == Answer::text) {
            return QDBusVariant(QVariant::fromValue(QDBusVariant(QStringLiteral("dark"))));
        }
        if (answer == Answer::plain) {
            return QDBusVariant(QVariant(value));
        }
        return QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant(value))));
    }

private:
    QDBusConnection m_bus;
};

bool waitForAnswer(ColorSchemePortal& portal) {
    if (portal.hasAnswered()) {
        return true;
    }
    QSignalSpy answered(&portal, &ColorSchemePortal::answered);
    return answered.wait(5000);
}

} // namespace

class ColorSchemePortalTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(qEnvironmentVariable("FERNHOLM_PRIVATE_BUS") == QLatin1String("1"),
                 "runs only on a private session bus (with-secret-service.sh --keyring none)");
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void read_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<uint>("value");
        QTest::addColumn<std::optional<uint>>("expected");
        QTest::newRow("dark, as the portal wraps it")
            << int(StandInPortal::Answer::nested) << 1u << std::optional<uint>(1);
        QTest::newRow("light") << int(StandInPortal::Answer::nested) << 2u << std::optional<uint>(2);
        QTest::newRow("no preference") << int(StandInPortal::Answer::nested) << 0u << std::optional<uint>(0);
        QTest::newRow("in one variant") << int(StandInPortal::Answer::plain) << 1u << std::optional<uint>(1);
        QTest::newRow("an error") << int(StandInPortal::Answer::error) << 1u << std::optional<uint>();
        QTest::newRow("not a number") << int(StandInPortal::Answer::text) << 1u << std::optional<uint>();
    }

    void read() {
        QFETCH(int, answer);
        QFETCH(uint, value);
        QFETCH(std::optional<uint>, expected);
        StandInPortal desktop(QStringLiteral("portal-read"));
        desktop.answer = StandInPortal::Answer(answer);
        desktop.value = value;
        QVERIFY(desktop.start());

        ColorSchemePortal portal;
        QVERIFY(!portal.hasAnswered()); // never waits for the bus
        QVERIFY(waitForAnswer(portal));
        QCOMPARE(desktop.reads, 1);
        QCOMPARE(portal.colorScheme(), expected);
    }

    void noPortal() {
        ColorSchemePortal portal(QDBusConnection::sessionBus(), nullptr, QStringLiteral("org.fernholm.test.NoPortal"));
        QVERIFY(waitForAnswer(portal));
        QCOMPARE(portal.colorScheme(), std::nullopt);

        ColorSchemePortal noBus(QDBusConnection(QStringLiteral("not connected")));
        QVERIFY(noBus.hasAnswered());
        QCOMPARE(noBus.colorScheme(), std::nullopt);
    }

    void followsChanges() {
        StandInPortal desktop(QStringLiteral("portal-changes"));
        desktop.value = 2;
        QVERIFY(desktop.start());
        ColorSchemePortal portal;
        QVERIFY(waitForAnswer(portal));
        QCOMPARE(portal.colorScheme(), std::optional<uint>(2));

        QSignalSpy changes(&portal, &ColorSchemeSource::colorSchemeChanged);
        desktop.changeSetting(ColorSchemePortal::settingsNamespace, ColorSchemePortal::key, 1u);
        QVERIFY(changes.wait(5000));
        QCOMPARE(portal.colorScheme(), std::optional<uint>(1));

        // Other settings pass by; a change arrives after them, in order.
        desktop.changeSetting(ColorSchemePortal::settingsNamespace, QStringLiteral("accent-color"), 2u);
        desktop.changeSetting(QStringLiteral("org.gnome.desktop.interface"), ColorSchemePortal::key, 2u);
        desktop.changeSetting(ColorSchemePortal::settingsNamespace, ColorSchemePortal::key, 0u);
        QVERIFY(changes.wait(5000));
        QCOMPARE(changes.size(), 2);
        QCOMPARE(portal.colorScheme(), std::optional<uint>(0));
    }

    void theAppFollowsTheDesktop() {
        StandInPortal desktop(QStringLiteral("portal-app"));
        desktop.value = 1;
        QVERIFY(desktop.start());
        Appearance& appearance = Appearance::instance();
        appearance.setAppAppearance(QStringLiteral("system"));
        QSignalSpy changes(&appearance, &Appearance::schemeChanged);
        appearance.followDesktop();
        QTRY_COMPARE(appearance.scheme(), ColorScheme::dark);

        desktop.changeSetting(ColorSchemePortal::settingsNamespace, ColorSchemePortal::key, 2u);
        QTRY_COMPARE(appearance.scheme(), ColorScheme::light);
        QCOMPARE(changes.size(), 2);
    }
};

QTEST_MAIN(ColorSchemePortalTest)
#include "tst_colorschemeportal.moc"

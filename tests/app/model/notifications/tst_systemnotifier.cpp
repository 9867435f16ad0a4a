// The system notifier over the desktop notification service, on a private session bus on which
// nothing is activatable (see notifications.cmake). The service is a fake on a bus connection and
// a thread of its own, so that it can be absent, present or restarted at will.
#include "FernholmApp/model/SystemNotifier.h"
#include "FernholmKit/platform/DBusNotificationCenter.h"
#include "support/MemoryNotificationCenter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>
#include <vector>

using namespace fernholm;

namespace {

const QString blocked = blockNotificationIdentifier;
const QString bypassA = bypassNotificationPrefix + QStringLiteral("firefox-a");
const QString bypassB = bypassNotificationPrefix + QStringLiteral("chromium-b");

// The notification service, as far as the notifier uses it. Its calls arrive on its own thread.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notified {
        QString app;
        uint replaces = 0;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
    };

    // Each call as "Notify(replaces,summary,body)=id" or "Close(id)", in order.
    QStringList log() const {
        QMutexLocker lock(&m_lock);
        return m_log;
    }
    QList<Notified> notified() const {
        QMutexLocker lock(&m_lock);
        return m_notified;
    }

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout) {
        QMutexLocker lock(&m_lock);
        const uint id = replaces != 0 && m_shown.contains(replaces) ? replaces : ++m_lastId;
        m_shown.insert(id);
        m_notified.append({app, replaces, icon, summary, body, actions, hints, timeout});
        m_log.append(QStringLiteral("Notify(%1,%2,%3)=%4").arg(replaces).arg(summary, body).arg(id));
        return id;
    }
    void CloseNotification(uint id) {
        bool wasShown = false;
        {
            QMutexLocker lock(&m_lock);
            m_log.append(QStringLiteral("Close(%1)").arg(id));
            wasShown = m_shown.remove(id);
        }
        if (wasShown) {
            Q_EMIT NotificationClosed(id, 3);
        }
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }

    void invoke(uint id, const QString& action) { Q_EMIT ActionInvoked(id, action); }
    void expire(uint id) {
        {
            QMutexLocker lock(&m_lock);
            m_shown.remove(id);
        }
        Q_EMIT NotificationClosed(id, 1);
    }

Q_SIGNALS:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString& action);

private:
    mutable QMutex m_lock;
    uint m_lastId = 0;
    QSet<uint> m_shown;
    QStringList m_log;
    QList<Notified> m_notified;
};

// Runs fake services on a thread of their own; each start() is a new bus connection, and so a
// new unique name, as a restarted service would have.
class ServerHost {
public:
    ServerHost() { m_thread.start(); }
    ~ServerHost() {
        stop();
        // Each goes in its own thread, where its signal relay lives.
        for (std::unique_ptr<FakeNotificationServer>& server : m_servers) {
            FakeNotificationServer* gone = server.release();
            QMetaObject::invokeMethod(
                gone, [gone] { delete gone; }, Qt::BlockingQueuedConnection);
        }
        m_thread.quit();
        m_thread.wait();
    }

    void start(bool ownName = true) {
        stop();
        m_connection = QStringLiteral("fake-notifications-%1").arg(m_servers.size());
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connection);
        QVERIFY2(bus.isConnected(), "no session bus");
        m_servers.push_back(std::make_unique<FakeNotificationServer>());
        server()->moveToThread(&m_thread);
        // Registered from its own thread: the signal relay becomes the object's child there.
        bool registered = false;
        QMetaObject::invokeMethod(
            server(),
            [&] {
                registered = bus.registerObject(DBusNotificationCenter::objectPath, server(),
                                                QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
            },
            Qt::BlockingQueuedConnection);
        QVERIFY(registered);
        if (ownName) {
            takeName();
        }
    }
    void takeName() { QVERIFY(bus().registerService(DBusNotificationCenter::serviceName)); }
    void stop() {
        if (m_connection.isEmpty()) {
            return;
        }
        bus().unregisterService(DBusNotificationCenter::serviceName);
        bus().unregisterObject(DBusNotificationCenter::objectPath);
        QDBusConnection::disconnectFromBus(m_connection);
        m_connection.clear();
    }

    FakeNotificationServer* server() const { return m_servers.back().get(); }
    QString uniqueName() const { return bus().baseService(); }

    // Emits from the service's own thread, as the service would.
    void invoke(uint id, const QString& action) {
        QMetaObject::invokeMethod(
            server(), [server = server(), id, action] { server->invoke(id, action); }, Qt::BlockingQueuedConnection);
    }
    void expire(uint id) {
        QMetaObject::invokeMethod(
            server(), [server = server(), id] { server->expire(id); }, Qt::BlockingQueuedConnection);
    }

private:
    QDBusConnection bus() const { return QDBusConnection(m_connection); }

    QThread m_thread;
    QString m_connection;
    std::vector<std::unique_ptr<FakeNotificationServer>> m_servers;
};

// The notifier's log lines, caught on the way out.
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

class SystemNotifierTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<ServerHost> m_host;
    QList<NotificationTarget> m_clicks;

    QString shownFile() const { return m_temp->filePath(QStringLiteral("shown.json")); }

    // A notifier as one run of the application makes it.
    std::unique_ptr<SystemNotifier> makeNotifier() {
        auto center = std::make_shared<DBusNotificationCenter>(QDBusConnection::sessionBus(), shownFile());
        auto notifier = std::make_unique<SystemNotifier>(center);
        notifier->onClick = [this](NotificationTarget target) {
            m_clicks.append(target);
        };
        return notifier;
    }

    FakeNotificationServer& server() { return *m_host->server(); }

    // The file in which a run notes what it showed.
    QString noted() const {
        QFile file(shownFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private Q_SLOTS:
    void initTestCase() {
        passOn = qInstallMessageHandler(catchLogLines);
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        QVERIFY2(bus, "no session bus: run through notifications.cmake's dbus-run-session (ctest does)");
        // On the desktop's own bus a real service could show what this test posts, or be started.
        QVERIFY2(!bus->isServiceRegistered(DBusNotificationCenter::serviceName).value(),
                 "a notification service is already on this bus");
        QVERIFY2(!bus->activatableServiceNames().value().contains(DBusNotificationCenter::serviceName),
                 "a notification service can be activated on this bus");
    }

    void init() {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
        m_host = std::make_unique<ServerHost>();
        m_clicks.clear();
        logged.clear();
    }
    void cleanup() { m_host.reset(); }

    void postsQueuedBeforeTheAnswerGoOutOnceWithTheirLastText() {
        m_host->start();
        const auto notifier = makeNotifier();
        notifier->post(bypassA, QStringLiteral("first"), QStringLiteral("one"));
        notifier->post(blocked, QStringLiteral("blocked"), QStringLiteral("b"));
        notifier->post(bypassA, QStringLiteral("second"), QStringLiteral("two"));
        QCOMPARE(notifier->pendingIdentifiers(), (QStringList{bypassA, blocked}));
        QTRY_COMPARE(server().log(), (QStringList{"Notify(0,second,two)=1", "Notify(0,blocked,b)=2"}));
        QVERIFY(notifier->pendingIdentifiers().isEmpty());

        const FakeNotificationServer::Notified first = server().notified().first();
        QCOMPARE(first.app, QStringLiteral("Tarvine"));
        QCOMPARE(first.icon, QString());
        QCOMPARE(first.actions, (QStringList{"default", "Tarvine"}));
        QCOMPARE(first.hints,
                 (QVariantMap{{"desktop-entry", QStringLiteral("com.orvendale.tarvine")}, {"suppress-sound", true}}));
        QCOMPARE(first.timeout, -1);
        QCOMPARE(logged, QStringList());
    }

    void withoutAServicePostsAreDroppedAndThatIsSaidOnce() {
        m_host->start(false);
        const auto notifier = makeNotifier();
        notifier->post(bypassA, QStringLiteral("lost"), QString());
        QTRY_VERIFY(notifier->pendingIdentifiers().isEmpty());
        notifier->post(blocked, QStringLiteral("lost too"), QString());
        QTRY_VERIFY(notifier->pendingIdentifiers().isEmpty());
        QCOMPARE(logged, QStringList{"no notification service on the session bus"});

        // Asked again with every new post: a service that has come meanwhile shows it.
        m_host->takeName();
        notifier->post(blocked, QStringLiteral("shown"), QString());
        QTRY_COMPARE(server().log(), QStringList{"Notify(0,shown,)=1"});
        QCOMPARE(logged, QStringList{"no notification service on the session bus"});
    }

    void remove_data() {
        QTest::addColumn<QString>("when");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("queued") << "queued" << QStringList{bypassA} << QStringList{"Notify(0,last,)=1"};
        QTest::newRow("shown") << "shown" << QStringList{bypassA}
                               << QStringList{"Notify(0,a,)=1", "Close(1)", "Notify(0,last,)=2"};
        QTest::newRow("another one") << "shown" << QStringList{bypassB}
                                     << QStringList{"Notify(0,a,)=1", "Notify(0,last,)=2"};
        QTest::newRow("empty list") << "shown" << QStringList{} << QStringList{"Notify(0,a,)=1", "Notify(0,last,)=2"};
    }
    void remove() {
        QFETCH(QString, when);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, log);
        m_host->start();
        const auto notifier = makeNotifier();
        notifier->post(bypassA, QStringLiteral("a"), QString());
        if (when == QLatin1String("shown")) {
            QTRY_COMPARE(server().log().size(), 1);
        }
        notifier->remove(removed);
        QVERIFY(!removed.contains(bypassA) || !notifier->pendingIdentifiers().contains(bypassA));
        // A post after it goes out after whatever the removal sent.
        notifier->post(blocked, QStringLiteral("last"), QString());
        QTRY_VERIFY(server().log().value(server().log().size() - 1).startsWith(QLatin1String("Notify(0,last")));
        QCOMPARE(server().log(), log);
    }

    void aRepostReplacesUntilTheServiceClosedIt() {
        m_host->start();
        const auto notifier = makeNotifier();
        notifier->post(blocked, QStringLiteral("one"), QString());
        QTRY_COMPARE(server().log().size(), 1);
        notifier->post(blocked, QStringLiteral("two"), QString());
        QTRY_COMPARE(server().log(), (QStringList{"Notify(0,one,)=1", "Notify(1,two,)=1"}));

        m_host->expire(1);
        // The closed signal is on its way; a post after it must not name the gone notification.
        QTRY_VERIFY(!QFile::exists(shownFile()));
        notifier->post(blocked, QStringLiteral("three"), QString());
        QTRY_COMPARE(server().log().size(), 3);
        QCOMPARE(server().log().last(), QStringLiteral("Notify(0,three,)=2"));
    }

    void clicksLeadToTheirPage_data() {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QList<NotificationTarget>>("clicks");
        QTest::newRow("bypass") << bypassA << "default" << QList<NotificationTarget>{NotificationTarget::home};
        QTest::newRow("blocked") << blocked << "default" << QList<NotificationTarget>{NotificationTarget::activity};
        QTest::newRow("another action") << blocked << "Tarvine" << QList<NotificationTarget>{};
    }
    void clicksLeadToTheirPage() {
        QFETCH(QString, identifier);
        QFETCH(QString, action);
        QFETCH(QList<NotificationTarget>, clicks);
        m_host->start();
        const auto notifier = makeNotifier();
        notifier->post(bypassB, QStringLiteral("other"), QString());
        notifier->post(identifier, QStringLiteral("this"), QString());
        QTRY_COMPARE(server().log().size(), 2);
        m_host->invoke(2, action);
        // A click on a number nobody of ours holds is nobody's.
        m_host->invoke(7, QStringLiteral("default"));
        // Then one that is known, as a marker that the ones before have arrived.
        m_host->invoke(1, QStringLiteral("default"));
        QTRY_COMPARE(m_clicks.size(), clicks.size() + 1);
        QCOMPARE(m_clicks.mid(0, clicks.size()), clicks);
    }

    // The service restarted while we ran: its new self numbers afresh, so the old numbers are
    // forgotten. The next post replaces nothing, and a click on a number that the new service gave
    // to another program's notification is not ours.
    void aRestartedServiceKnowsNoneOfTheOldNumbers() {
        m_host->start();
        const auto notifier = makeNotifier();
        notifier->post(blocked, QStringLiteral("one"), QString());
        QTRY_COMPARE(server().log(), (QStringList{"Notify(0,one,)=1"}));
        QTRY_VERIFY(noted().contains(blocked));

        m_host->start();
        QTRY_VERIFY(!QFile::exists(shownFile()));
        m_host->invoke(1, QStringLiteral("default"));
        notifier->post(blocked, QStringLiteral("two"), QString());
        QTRY_COMPARE(server().log(), (QStringList{"Notify(0,two,)=1"}));
        // The answer to the post came after the click on the stranger's number.
        QTRY_VERIFY(noted().contains(blocked));
        QVERIFY(m_clicks.isEmpty());

        m_host->invoke(1, QStringLiteral("default"));
        QTRY_COMPARE(m_clicks, QList<NotificationTarget>{NotificationTarget::activity});
    }

    // What a run left on screen: its bypass notices are withdrawn by the next run before anything
    // new goes out, as long as the same service still shows them; its blocked-request notice stays
    // and is replaced by the next one.
    void leftoversOfAnEarlierRun_data() {
        QTest::addColumn<bool>("restarted");
        QTest::newRow("same service") << false;
        QTest::newRow("service restarted") << true;
    }
    void leftoversOfAnEarlierRun() {
        QFETCH(bool, restarted);
        m_host->start();
        {
            const auto earlier = makeNotifier();
            earlier->post(bypassA, QStringLiteral("a"), QString());
            earlier->post(blocked, QStringLiteral("blocked"), QString());
            QTRY_COMPARE(server().log(), (QStringList{"Notify(0,a,)=1", "Notify(0,blocked,)=2"}));
            // Both answers have come back and been noted.
            QTRY_VERIFY(noted().contains(bypassA) && noted().contains(blocked));
        }
        if (restarted) {
            m_host->start();
        }

        const auto notifier = makeNotifier();
        notifier->post(bypassB, QStringLiteral("b"), QString());
        notifier->post(blocked, QStringLiteral("blocked again"), QString());
        if (restarted) {
            QTRY_COMPARE(server().log(), (QStringList{"Notify(0,b,)=1", "Notify(0,blocked again,)=2"}));
        } else {
            QTRY_COMPARE(server().log(), (QStringList{"Notify(0,a,)=1", "Notify(0,blocked,)=2", "Close(1)",
                                                      "Notify(0,b,)=3", "Notify(2,blocked again,)=2"}));
        }
    }

    void aFailedQuestionIsLoggedAndDropsTheQueue() {
        auto center = std::make_shared<test::MemoryNotificationCenter>();
        center->answer = {false, QStringLiteral("the bus went away")};
        SystemNotifier notifier(center);
        notifier.post(blocked, QStringLiteral("lost"), QString());
        notifier.post(bypassA, QStringLiteral("lost too"), QString());
        QTRY_VERIFY(notifier.pendingIdentifiers().isEmpty());
        QCOMPARE(center->permissionQuestions, 1);
        // A post after the queue was dropped asks again.
        notifier.post(blocked, QStringLiteral("lost again"), QString());
        QTRY_COMPARE(center->permissionQuestions, 2);
        QTRY_VERIFY(notifier.pendingIdentifiers().isEmpty());
        QVERIFY(center->added.isEmpty());
        QCOMPARE(logged, (QStringList{"notification service query failed: the bus went away",
                                      "no notification service on the session bus",
                                      "notification service query failed: the bus went away"}));
    }

    void aFailedPostIsLoggedWithItsKind() {
        auto center = std::make_shared<test::MemoryNotificationCenter>();
        center->addFailures.insert(bypassA, QStringLiteral("refused"));
        center->addFailures.insert(blocked, QStringLiteral("also refused"));
        SystemNotifier notifier(center);
        notifier.post(bypassA, QStringLiteral("a"), QString());
        notifier.post(blocked, QStringLiteral("b"), QString());
        QTRY_COMPARE(logged.size(), 2);
        QCOMPARE(logged,
                 (QStringList{"bypass notification failed: refused", "block notification failed: also refused"}));
    }

    void withoutACenterNothingHappens() {
        SystemNotifier notifier(nullptr);
        QCOMPARE(logged, QStringList{"no session bus: notifications are off"});
        notifier.post(blocked, QStringLiteral("nowhere"), QString());
        notifier.remove({blocked});
        QVERIFY(notifier.pendingIdentifiers().isEmpty());
        QVERIFY(!notifier.hasCenter());
    }
};

QTEST_GUILESS_MAIN(SystemNotifierTest)
#include "tst_systemnotifier.moc"

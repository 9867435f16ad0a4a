// The single instance on Linux: the private folder it lives in, the lock, the hand-over of a later
// launch to the holder, and a launch made while the holder quits. Later launches run on a worker
// thread, as another process would, while this thread's event loop serves the holder.
#include "FernholmKit/platform/UserInstanceLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/stat.h>

using namespace fernholm;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(SingleInstance::Claim)

namespace {

struct Later {
    SingleInstance::Claim claim;
    bool listened = false;
};

// A later launch in the folder: what it got, and whether it listened once it held the claim.
QFuture<Later> launch(const QString& folder, const QString& token, std::chrono::milliseconds wait) {
    return QtConcurrent::run([folder, token, wait] {
        UserInstanceLock later(folder);
        Later result{later.claim(token, wait)};
        result.listened = QFileInfo(later.socketPath()).exists();
        return result;
    });
}

int modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

class UserInstanceLockTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp;

    QString folder(const QString& name, int mode = 0700) {
        const QString path = m_temp.filePath(name);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::Permissions(0));
        ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode));
        return path;
    }

private Q_SLOTS:
    void privateFolder_data() {
        QTest::addColumn<QString>("runtime");    // mode of the runtime folder, or "unset", "relative"
        QTest::addColumn<QString>("cacheState"); // "absent", a mode of an existing folder, "link"
        QTest::addColumn<QString>("expected");   // "runtime", "cache" or "none"
        QTest::newRow("private runtime folder") << "0700" << "absent" << "runtime";
        QTest::newRow("runtime unset") << "unset" << "absent" << "cache";
        QTest::newRow("runtime relative") << "relative" << "absent" << "cache";
        QTest::newRow("runtime open to others") << "0755" << "absent" << "cache";
        QTest::newRow("own cache folder made too wide") << "unset" << "0755" << "cache";
        QTest::newRow("cache folder is a link") << "unset" << "link" << "none";
    }
    void privateFolder() {
        QFETCH(QString, runtime);
        QFETCH(QString, cacheState);
        QFETCH(QString, expected);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
        QMap<QString, QString> env;
        const QString runtimeFolder = m_temp.filePath(tag + QStringLiteral("-run"));
        if (runtime == QLatin1String("relative")) {
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("run"));
        } else if (runtime != QLatin1String("unset")) {
            folder(tag + QStringLiteral("-run"), runtime.toInt(nullptr, 8));
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
        }
        const QString cache = folder(tag + QStringLiteral("-cache"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
        const QString own = cache + QStringLiteral("/com.orvendale.tarvine");
        if (cacheState == QLatin1String("link")) {
            QVERIFY(QFile::link(folder(tag + QStringLiteral("-elsewhere")), own));
        } else if (cacheState != QLatin1String("absent")) {
            folder(tag + QStringLiteral("-cache/com.orvendale.tarvine"), cacheState.toInt(nullptr, 8));
        }

        QString why;
        const std::optional<QString> found = UserInstanceLock::privateFolder(env, &why);
        if (expected == QLatin1String("none")) {
            QCOMPARE(found, std::nullopt);
            QVERIFY(!why.isEmpty());
            return;
        }
        QCOMPARE(found, std::optional(expected == QLatin1String("runtime") ? runtimeFolder : own));
        QCOMPARE(modeOf(*found), 0700);
    }

    void laterLaunchHandsOverItsToken() {
        const QString place = folder(QStringLiteral("hand-over"));
        UserInstanceLock holder(place);
        QCOMPARE(holder.claim({}, 1s), SingleInstance::Claim::first);
        QVERIFY(QFileInfo::exists(holder.lockPath()));
        QVERIFY(QFileInfo::exists(holder.socketPath()));
        QSignalSpy asked(&holder, &SingleInstance::activationRequested);

        QFuture<Later> later = launch(place, QStringLiteral("launcher-token-7"), 10s);
        QTRY_VERIFY_WITH_TIMEOUT(later.isFinished(), 15'000);
        QCOMPARE(later.result().claim, SingleInstance::Claim::handedOver);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().first().toString(), QStringLiteral("launcher-token-7"));
    }

    // The holder is quitting: it stopped listening but lives on for a while. A launch then waits
    // for it to end and starts; with too short a wait it gives up, and took nothing over.
    void launchDuringAQuitWaitsForTheClaim() {
        const QString place = folder(QStringLiteral("quitting"));
        auto holder = std::make_unique<UserInstanceLock>(place);
        QCOMPARE(holder->claim({}, 1s), SingleInstance::Claim::first);
        QSignalSpy asked(holder.get(), &SingleInstance::activationRequested);
        holder->stopListening();
        QVERIFY(!QFileInfo::exists(holder->socketPath()));

        QFuture<Later> impatient = launch(place, {}, 200ms);
        QTRY_VERIFY_WITH_TIMEOUT(impatient.isFinished(), 15'000);
        QCOMPARE(impatient.result().claim, SingleInstance::Claim::busy);

        QFuture<Later> later = launch(place, {}, 20s);
        QTest::qWait(0);
        QVERIFY(!later.isFinished());
        holder.reset();
        QTRY_VERIFY_WITH_TIMEOUT(later.isFinished(), 25'000);
        QCOMPARE(later.result().claim, SingleInstance::Claim::first);
        QVERIFY(later.result().listened);
        QCOMPARE(asked.size(), 0);
    }

    // What lies at the socket's name while nobody holds the lock was left by a crash (or put
    // there by someone): the new holder replaces it.
    void leftoverAtTheSocketNameIsReplaced() {
        const QString place = folder(QStringLiteral("leftover"));
        UserInstanceLock holder(place);
        QFile stale(holder.socketPath());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        QCOMPARE(holder.claim({}, 1s), SingleInstance::Claim::first);
        QLocalSocket probe;
        probe.connectToServer(holder.socketPath());
        QVERIFY(probe.waitForConnected(5000));
    }

    // A line that is not an activation is dropped: no window comes forward.
    void strangeLinesAreIgnored() {
        const QString place = folder(QStringLiteral("strange"));
        UserInstanceLock holder(place);
        QCOMPARE(holder.claim({}, 1s), SingleInstance::Claim::first);
        QSignalSpy asked(&holder, &SingleInstance::activationRequested);
        QLocalSocket socket;
        socket.connectToServer(holder.socketPath());
        QVERIFY(socket.waitForConnected(5000));
        socket.write("quit now\n");
        QVERIFY(socket.waitForBytesWritten(5000));
        QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(asked.size(), 0);
    }

    void lockFolderMissing() {
        UserInstanceLock nowhere(m_temp.filePath(QStringLiteral("not-there")));
        QCOMPARE(nowhere.claim({}, 100ms), SingleInstance::Claim::failed);
        QVERIFY(!nowhere.failure().isEmpty());
    }
};

QTEST_GUILESS_MAIN(UserInstanceLockTest)
#include "tst_userinstancelock.moc"

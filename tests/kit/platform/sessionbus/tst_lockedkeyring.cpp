// The data key in a keyring that the daemon loaded locked from disk, as after a login that did not
// unlock it: one run of the keyring daemon stores the key, a fresh daemon on the same home folder
// then finds its keyring locked. Each step runs in tests/kit/platform/sessionbus/keyring_step on a private
// session bus (with-secret-service.sh); this test only starts the runs and checks what they saw.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int locked = -25308; // the item exists but cannot be read without the user

const QByteArray loginPassword("\n"); // what with-secret-service.sh gives the login keyring
const QByteArray otherPassword("other");

QByteArray originalKey() {
    QByteArray key;
    for (int i = 0; i < 32; ++i) {
        key.append(static_cast<char>(0xf0 - 7 * i)); // zero and bytes above 127 included
    }
    return key;
}

// One step in its own bus and daemon; the JSON object it printed.
QJsonObject step(const QString& home, const QString& keyring, const QStringList& arguments) {
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    run.start(QStringLiteral(FERNHOLM_SECRET_SERVICE_WRAPPER),
              QStringList{"--deadline", "30", "--home", home, "--keyring", keyring, FERNHOLM_KEYRING_STEP} + arguments);
    if (!run.waitForFinished(40'000) || run.exitStatus() != QProcess::NormalExit || run.exitCode() != 0) {
        run.kill();
        run.waitForFinished();
        qWarning("keyring step %s did not finish well", qPrintable(arguments.join(' ')));
        return {};
    }
    return QJsonDocument::fromJson(run.readAllStandardOutput()).object();
}

QJsonObject keyringFileDigests(const QString& home) {
    QJsonObject digests;
    const QDir folder(home + QStringLiteral("/.local/share/keyrings"));
    for (const QString& name : folder.entryList(QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            digests.insert(name, QString::fromLatin1(
                                     QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
        }
    }
    return digests;
}

QJsonObject copyOf(int status, const std::optional<QByteArray>& bytes) {
    return {{QStringLiteral("status"), status},
            {QStringLiteral("bytes"), bytes ? QJsonValue(QString::fromLatin1(bytes->toHex())) : QJsonValue()}};
}

} // namespace

class LockedKeyringTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keyInAKeyringLoadedLocked_data() {
        QTest::addColumn<bool>("otherKeyring");
        // The login keyring holds the key and stays locked: no new key can be made anywhere.
        QTest::newRow("login keyring locked") << false;
        // The key is in a second keyring, still locked, while the login keyring, where a new key
        // would go, is open.
        QTest::newRow("second keyring locked, login keyring unlocked") << true;
    }
    void keyInAKeyringLoadedLocked() {
        QFETCH(bool, otherKeyring);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString key = QString::fromLatin1(originalKey().toHex());
        const QByteArray password = otherKeyring ? otherPassword : loginPassword;
        const QString passwordHex = QString::fromLatin1(password.toHex());

        const QJsonObject stored = otherKeyring ? step(home.path(), "unlocked", {"store-other", passwordHex, key})
                                                : step(home.path(), "unlocked", {"store-default", key});
        QVERIFY2(stored.value("status").toInt(-1) == 0 || stored.value("stored").toBool(),
                 QJsonDocument(stored).toJson().constData());
        const QString collection = stored.value("collection").toString();
        QVERIFY(!collection.isEmpty());
        const QJsonObject filesBefore = keyringFileDigests(home.path());
        QVERIFY(!filesBefore.isEmpty());

        const QJsonObject seen =
            step(home.path(), otherKeyring ? "unlocked" : "locked", {"read", collection, passwordHex});
        QVERIFY2(!seen.isEmpty(), "the read step failed");
        QVERIFY(seen.value("locked").toBool());
        QCOMPARE(seen.value("defaultLocked").toBool(), !otherKeyring);

        // Locked is neither missing nor empty, and nothing is written.
        QCOMPARE(seen.value("itemsBefore").toInt(), 1);
        QCOMPARE(seen.value("copy").toObject(), copyOf(locked, std::nullopt));
        QVERIFY(seen.value("add").toInt() != 0);
        QCOMPARE(seen.value("read").toString(), QStringLiteral("unavailable"));
        QCOMPARE(seen.value("itemsAfter").toInt(), 1);
        QCOMPARE(seen.value("files").toObject(), filesBefore);

        // Unlocked by its owner, the keyring gives the stored key back as it was.
        QVERIFY(seen.value("unlocked").toBool());
        QCOMPARE(seen.value("copyUnlocked").toObject(), copyOf(0, originalKey()));
        QCOMPARE(seen.value("itemsUnlocked").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(LockedKeyringTest)
#include "tst_lockedkeyring.moc"

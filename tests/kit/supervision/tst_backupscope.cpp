#include "FernholmKit/supervision/BackupScope.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace fernholm;

namespace {

const QByteArray signatureLine("Signature: 8a477f597d28d172789f06886806bc55");

bool tagged(const QString& folder) {
    QFile tag(QDir(folder).filePath(QStringLiteral("CACHEDIR.TAG")));
    return tag.open(QIODevice::ReadOnly) && tag.readLine().trimmed() == signatureLine;
}

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QFile::Permissions permissions(const QString& path) {
    // QFileInfo adds the "user" bits of the current user; compare owner and others only.
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

} // namespace

class BackupScopeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_data;

private Q_SLOTS:
    void init() {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
        m_data = m_temp->filePath(QStringLiteral("Tarvine"));
    }

    void environmentNamesTheFilesInTransient() {
        const QMap<QString, QString> expected{
            {"TARVINE_VAULT_STORE", "/data/F/transient/_vault_store.json"},
            {"TARVINE_DETAIL_LOG", "/data/F/transient/_detail.jsonl"},
        };
        QCOMPARE(BackupScope::environment(QStringLiteral("/data/F")), expected);
        QCOMPARE(BackupScope::excluded(QStringLiteral("/data/F")), QStringList({"/data/F/transient", "/data/F/certs"}));
    }

    void applyPreparesAFreshFolder() {
        write(QDir(m_data).filePath("_vault_store.json"), "vault");
        write(QDir(m_data).filePath("_detail.jsonl"), "detail");
        write(QDir(m_data).filePath("CACHEDIR.TAG"), signatureLine + "\n"); // left from elsewhere

        QVERIFY(BackupScope::apply(m_data));

        QVERIFY(!tagged(m_data));
        QVERIFY(!QFileInfo::exists(QDir(m_data).filePath("CACHEDIR.TAG")));
        for (const QString& folder : BackupScope::excluded(m_data)) {
            QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
            QCOMPARE(permissions(folder), ownerOnly);
            QVERIFY2(tagged(folder), qPrintable(folder));
        }
        const QDir transient(QDir(m_data).filePath("transient"));
        QCOMPARE(contents(transient.filePath("_vault_store.json")), QByteArray("vault"));
        QCOMPARE(contents(transient.filePath("_detail.jsonl")), QByteArray("detail"));
        QVERIFY(!QFileInfo::exists(QDir(m_data).filePath("_vault_store.json")));
        QVERIFY(!QFileInfo::exists(QDir(m_data).filePath("_detail.jsonl")));

        // Again: nothing changes, and it still succeeds.
        QVERIFY(BackupScope::apply(m_data));
        QCOMPARE(contents(transient.filePath("_vault_store.json")), QByteArray("vault"));
    }

    void fileAlreadyInTransientStays() {
        write(QDir(m_data).filePath("_vault_store.json"), "old");
        write(QDir(m_data).filePath("transient/_vault_store.json"), "new");
        QVERIFY(BackupScope::apply(m_data));
        QCOMPARE(contents(QDir(m_data).filePath("_vault_store.json")), QByteArray("old"));
        QCOMPARE(contents(QDir(m_data).filePath("transient/_vault_store.json")), QByteArray("new"));
    }

    void existingFolderKeepsItsPermissions() {
        const QString certs = QDir(m_data).filePath("certs");
        QVERIFY(QDir().mkpath(certs));
        const QFile::Permissions open = ownerOnly | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(certs, open));
        QVERIFY(BackupScope::apply(m_data));
        QCOMPARE(permissions(certs), open);
        QVERIFY(tagged(certs));
    }

    // Tagging fails where a file stands in the folder's place, as root too (a read-only folder
    // does not stop root).
    void answersNoOnlyWhenASettingFails_data() {
        QTest::addColumn<QString>("blocker"); // a path made a non-empty folder or a file
        QTest::addColumn<bool>("asFolder");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("transientTagged");
        QTest::newRow("nothing in the way") << QString() << false << true << true;
        QTest::newRow("certs is a file") << "certs" << false << false << true;
        QTest::newRow("transient is a file") << "transient" << false << false << false;
        QTest::newRow("data folder's tag cannot be removed") << "CACHEDIR.TAG" << true << false << true;
    }
    void answersNoOnlyWhenASettingFails() {
        QFETCH(QString, blocker);
        QFETCH(bool, asFolder);
        QFETCH(bool, ok);
        QFETCH(bool, transientTagged);
        write(QDir(m_data).filePath("_vault_store.json"), "vault");
        if (!blocker.isEmpty()) {
            const QString path = QDir(m_data).filePath(blocker);
            if (asFolder) {
                write(QDir(path).filePath("inside"), "x");
            } else {
                write(path, "in the way");
            }
        }
        QCOMPARE(BackupScope::apply(m_data), ok);
        QCOMPARE(tagged(QDir(m_data).filePath("transient")), transientTagged);
        // "certs" is tried even when "transient" failed.
        QCOMPARE(tagged(QDir(m_data).filePath("certs")), blocker != "certs");
    }
};

QTEST_GUILESS_MAIN(BackupScopeTest)
#include "tst_backupscope.moc"

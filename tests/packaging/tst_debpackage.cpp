// The Debian package: `cpack -G DEB` of the build tree into a temporary folder, read back with
// dpkg-deb and checked with lintian, against an install of the same tree (DESTDIR, prefix /usr).
#include "InstalledTree.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm::test;

class DebPackageTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_package;
    QString m_stage;

    // The control fields of the package, as dpkg-deb shows them.
    QString field(const QString& name) const {
        const Run shown = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), m_package, name});
        return shown.code == 0 ? shown.output.trimmed() : QString();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        const QString output = m_root.filePath(QStringLiteral("package"));
        const Run packed =
            run(QStringLiteral(FERNHOLM_CPACK),
                {"-G", "DEB", "--config", QStringLiteral(FERNHOLM_BUILD_DIR "/CPackConfig.cmake"), "-B", output});
        QVERIFY2(packed.code == 0, qPrintable(packed.output));
        const QStringList debs = QDir(output).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        m_package = QDir(output).filePath(debs.first());

        m_stage = m_root.filePath(QStringLiteral("stage"));
        const Run installed = install(QStringLiteral("/usr"), m_stage);
        QVERIFY2(installed.code == 0, qPrintable(installed.output));
    }

    void theControlFieldsNameThisRelease() {
        const Run architecture = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
        QCOMPARE(field(QStringLiteral("Package")), QStringLiteral("tarvine"));
        QCOMPARE(field(QStringLiteral("Version")), QStringLiteral(FERNHOLM_VERSION));
        QCOMPARE(field(QStringLiteral("Architecture")), architecture.output.trimmed());
        QVERIFY(QRegularExpression(QStringLiteral(R"(^\S.* <[^@\s]+@[^@\s]+\.\w+>$)"))
                    .match(field(QStringLiteral("Maintainer")))
                    .hasMatch());
        QVERIFY(!field(QStringLiteral("Description")).isEmpty());
    }

    // Computed from what the program and its libraries link, with the versions they need; never
    // a package for its own private libraries.
    void theDependenciesComeFromTheLinkedLibraries_data() {
        QTest::addColumn<QString>("package");
        for (const char* package : {"libc6", "libstdc\\+\\+6", "libqt6core6", "libqt6gui6", "libqt6widgets6",
                                    "libqt6network6", "libqt6dbus6", "libqt6svg6", "libqt6webenginewidgets6",
                                    "libqcoro6core0", "libsecret-1-0", "libglib2\\.0-0", "libicu\\d+"}) {
            QTest::newRow(package) << QString::fromLatin1(package);
        }
    }
    void theDependenciesComeFromTheLinkedLibraries() {
        QFETCH(QString, package);
        const QString depends = field(QStringLiteral("Depends"));
        const QRegularExpression versioned(QStringLiteral(R"((^|, )%1 \(>= [^)]+\)(,|$))").arg(package));
        QVERIFY2(versioned.match(depends).hasMatch(), qPrintable(depends));
        QVERIFY2(!depends.contains(QLatin1String("ernholm"), Qt::CaseInsensitive), qPrintable(depends));
    }

    void theContentsAreTheInstalledFiles() {
        const Run listed = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), m_package});
        QCOMPARE(listed.code, 0);
        QStringList packaged;
        for (const QString& line : listed.output.split(u'\n', Qt::SkipEmptyParts)) {
            // "-rw-r--r-- root/root 1234 2026-01-01 12:00 ./usr/bin/tarvine"; folders end in "/".
            QString path = line.section(u' ', -1);
            if (line.startsWith(u'd')) {
                continue;
            }
            QVERIFY2(path.startsWith(QLatin1String("./")), qPrintable(line));
            packaged << path.mid(2);
        }
        packaged.sort();
        QStringList installed = filesUnder(m_stage);
        QVERIFY(installed.contains(QStringLiteral("usr/bin/tarvine")));
        QCOMPARE(packaged, installed);
    }

    void lintianFindsNoErrors() {
        const Run checked =
            run(QStringLiteral("lintian"), {QStringLiteral("--fail-on"), QStringLiteral("error"), m_package});
        QVERIFY2(checked.code == 0, qPrintable(checked.output));
        QVERIFY2(!QRegularExpression(QStringLiteral("^E: "), QRegularExpression::MultilineOption)
                      .match(checked.output)
                      .hasMatch(),
                 qPrintable(checked.output));
    }
};

QTEST_GUILESS_MAIN(DebPackageTest)

#include "tst_debpackage.moc"

// The installed program: the built tree installed into a temporary folder (DESTDIR, prefix /usr),
// checked with the desktop's own validators, started from there (offscreen to list what it finds
// of its fonts and images, and on the X server this test runs in to show its window), and a
// user's own install taken away again into a temporary trash.
#include "FernholmKit/platform/Installation.h"
#include "InstalledTree.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace fernholm;
using namespace fernholm::test;

namespace {

const QString appId = QStringLiteral("com.orvendale.tarvine");

// The value of `key` in the [Desktop Entry] group of a desktop entry.
QString desktopValue(const QString& file, const QString& key) {
    QFile entry(file);
    if (!entry.open(QIODevice::ReadOnly)) {
        return {};
    }
    bool inGroup = false;
    for (const QByteArray& raw : entry.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == QLatin1String("[Desktop Entry]");
        } else if (inGroup && line.startsWith(key + u'=')) {
            return line.mid(key.size() + 1);
        }
    }
    return {};
}

bool isElf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.read(4) == QByteArrayLiteral("\x7f"
                                                                         "ELF");
}

bool writeFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_prefix; // the staged /usr

    QString staged(const QString& path) const { return QDir(m_prefix).filePath(path); }
    QString program() const { return staged(QStringLiteral("bin/tarvine")); }

    // The installed program's surroundings: a home folder of its own, no session bus, no gateway.
    QProcessEnvironment programEnvironment(const QString& name) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString home = m_root.filePath(QStringLiteral("run-") + name);
        QDir().mkpath(home + QStringLiteral("/tmp"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/share"));
        env.insert(QStringLiteral("TMPDIR"), home + QStringLiteral("/tmp"));
        // Its single-instance lock and socket lie here, apart from any other Tarvine on this machine.
        QDir().mkpath(home + QStringLiteral("/run"));
        QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
        // Without OpenGL, on X and offscreen alike: Mesa's software driver, loaded for GLX, is
        // unloaded at exit with an allocation that the sanitizer build's leak checker reports and
        // cannot attribute.
        env.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
        env.insert(QStringLiteral("QT_QPA_OFFSCREEN_NO_GLX"), QStringLiteral("1"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        env.remove(QStringLiteral("TARVINE_REPO"));
        env.remove(QStringLiteral("FERNHOLM_REPO"));
        return env;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        const QString stage = m_root.filePath(QStringLiteral("stage"));
        const Run installed = install(QStringLiteral("/usr"), stage);
        QVERIFY2(installed.code == 0, qPrintable(installed.output));
        m_prefix = stage + QStringLiteral("/usr");
    }

    // The program, its private libraries, and nothing else built: no test, benchmark or tool.
    void onlyTheProgramAndItsLibrariesAreInstalled() {
        QStringList programs;
        for (const QString& file : filesUnder(m_prefix)) {
            if (isElf(staged(file))) {
                programs << file;
            }
        }
        QCOMPARE(programs, (QStringList{"bin/tarvine", "lib/tarvine/libFernholmApp.so", "lib/tarvine/libFernholmKit.so",
                                        "lib/tarvine/libFernholmStudio.so", "lib/tarvine/tarvine_studio.so"}));
    }

    // The installed program's own list names exactly what the install put under the prefix.
    void theManifestListsEveryInstalledFile() {
        QFile file(staged(InstallManifest::path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const InstallManifest manifest = InstallManifest::parse(file.readAll());
        QStringList listed = manifest.files;
        listed.sort();
        QCOMPARE(listed, filesUnder(m_prefix));
        QCOMPARE(manifest.ownFolders, (QStringList{"lib/tarvine", "share/tarvine", "share/doc/tarvine"}));
    }

    void theDesktopEntryIsValidAndStartsTheInstalledProgram() {
        const QString entry = staged(QStringLiteral("share/applications/") + appId + QStringLiteral(".desktop"));
        const Run validated = run(QStringLiteral("desktop-file-validate"), {entry});
        QVERIFY2(validated.code == 0, qPrintable(validated.output));
        QVERIFY2(!validated.output.contains(QLatin1String("error")), qPrintable(validated.output));

        const QString exec = desktopValue(entry, QStringLiteral("Exec")).section(u' ', 0, 0);
        QVERIFY(!exec.isEmpty());
        const QFileInfo started(exec.contains(u'/') ? exec : staged(QStringLiteral("bin/") + exec));
        QVERIFY2(started.isFile() && started.isExecutable(), qPrintable(exec));
        QCOMPARE(started.canonicalFilePath(), QFileInfo(program()).canonicalFilePath());

        const QString icon = desktopValue(entry, QStringLiteral("Icon"));
        QCOMPARE(icon, appId);
        QVERIFY(QFileInfo::exists(staged(QStringLiteral("share/icons/hicolor/scalable/apps/") + icon + ".svg")));
        QVERIFY(!desktopValue(entry, QStringLiteral("Name[pl]")).isEmpty());
        QVERIFY(!desktopValue(entry, QStringLiteral("Comment[pl]")).isEmpty());
    }

    void theAppStreamMetadataIsValidAndNamesThisRelease() {
        const QString metainfo = staged(QStringLiteral("share/metainfo/") + appId + QStringLiteral(".metainfo.xml"));
        const Run validated = run(QStringLiteral("appstreamcli"), {"validate", "--no-net", metainfo});
        QVERIFY2(validated.code == 0, qPrintable(validated.output));

        QFile file(metainfo);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QStringList releases;
        QString id;
        QString launchable;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (xml.name() == QLatin1String("release")) {
                releases << xml.attributes().value(QLatin1String("version")).toString();
            } else if (xml.name() == QLatin1String("id")) {
                id = xml.readElementText();
            } else if (xml.name() == QLatin1String("launchable")) {
                launchable = xml.readElementText();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(id, appId);
        QCOMPARE(releases, QStringList{QStringLiteral(FERNHOLM_VERSION)});
        QVERIFY(QFileInfo::exists(staged(QStringLiteral("share/applications/") + launchable)));
    }

    void theIconIsThereAtEverySize_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size"); // pixels; 0 for a drawing
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            QTest::addRow("%dx%d", size, size) << QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(appId) << size;
        }
        QTest::newRow("scalable") << QStringLiteral("scalable/apps/%1.svg").arg(appId) << 0;
        QTest::newRow("symbolic") << QStringLiteral("symbolic/apps/%1-symbolic.svg").arg(appId) << 0;
    }
    void theIconIsThereAtEverySize() {
        QFETCH(QString, file);
        QFETCH(int, size);
        const QString path = staged(QStringLiteral("share/icons/hicolor/") + file);
        if (size == 0) {
            QVERIFY2(QSvgRenderer(path).isValid(), qPrintable(path));
            return;
        }
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), QSize(size, size));
        // Drawn, not blank: the tile fills the middle, the corners stay clear.
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 4)), 255);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    }

    void theProgramLoadsItsLibrariesFromThePrefix() {
        const Run linked = run(QStringLiteral("ldd"), {program()});
        QCOMPARE(linked.code, 0);
        const QRegularExpression line(QStringLiteral(R"(^\s*(libFernholm\w+\.so) => (\S+))"),
                                      QRegularExpression::MultilineOption);
        QStringList found;
        for (auto it = line.globalMatch(linked.output); it.hasNext();) {
            const auto match = it.next();
            found << match.captured(1);
            QCOMPARE(QFileInfo(match.captured(2)).canonicalFilePath(),
                     QFileInfo(staged(QStringLiteral("lib/tarvine/") + match.captured(1))).canonicalFilePath());
        }
        found.sort();
        // The studio is not linked: the program loads its module when the Documents page is first shown.
        QCOMPARE(found, (QStringList{"libFernholmApp.so", "libFernholmKit.so"}));
    }

    // The studio module, loaded later, finds the studio's library and the program's beside it.
    void theStudioModuleLoadsItsLibrariesFromThePrefix() {
        const Run linked = run(QStringLiteral("ldd"), {staged(QStringLiteral("lib/tarvine/tarvine_studio.so"))});
        QCOMPARE(linked.code, 0);
        QVERIFY2(!linked.output.contains(QLatin1String("not found")), qPrintable(linked.output));
        const QRegularExpression line(QStringLiteral(R"(^\s*(libFernholm\w+\.so) => (\S+))"),
                                      QRegularExpression::MultilineOption);
        QStringList found;
        for (auto it = line.globalMatch(linked.output); it.hasNext();) {
            const auto match = it.next();
            found << match.captured(1);
            QCOMPARE(QFileInfo(match.captured(2)).canonicalFilePath(),
                     QFileInfo(staged(QStringLiteral("lib/tarvine/") + match.captured(1))).canonicalFilePath());
        }
        found.sort();
        QCOMPARE(found, (QStringList{"libFernholmApp.so", "libFernholmKit.so", "libFernholmStudio.so"}));
    }

    // Started from the prefix, the program takes every font and image from the prefix's
    // share/tarvine, and no other family stands in for a face. Its window icon comes from the
    // desktop's icon theme when the prefix is one of the desktop's data folders, else from the
    // file it ships.
    void theInstalledProgramFindsItsResources_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("prefixInDataFolders");
        QTest::addColumn<QString>("icon"); // "theme", or the file under the prefix
        QTest::newRow("offscreen") << "offscreen" << true << "share/tarvine/Brand/app-icon.svg";
        QTest::newRow("desktop, prefix not among its data folders")
            << "xcb" << false << "share/tarvine/Brand/app-icon.svg";
        QTest::newRow("desktop, prefix among its data folders") << "xcb" << true << "theme";
    }
    void theInstalledProgramFindsItsResources() {
        QFETCH(QString, platform);
        QFETCH(bool, prefixInDataFolders);
        QFETCH(QString, icon);
        QProcessEnvironment env = programEnvironment(QStringLiteral("resources"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        if (prefixInDataFolders) {
            env.insert(QStringLiteral("XDG_DATA_DIRS"),
                       staged(QStringLiteral("share")) + QStringLiteral(":/usr/share"));
        }
        const Run listed = run(program(), {QStringLiteral("--list-resources")}, env, 60'000);
        QVERIFY2(listed.code == 0, qPrintable(listed.output));

        QStringList fonts;
        QStringList faces;
        QMap<QString, QString> images;
        QString iconSource;
        QString studioModule;
        for (const QString& line : listed.output.split(u'\n', Qt::SkipEmptyParts)) {
            const QString kind = line.section(u' ', 0, 0);
            const QString rest = line.section(u' ', 1);
            if (kind == QLatin1String("font")) {
                fonts << rest;
            } else if (kind == QLatin1String("face")) {
                faces << rest;
            } else if (kind == QLatin1String("image")) {
                images.insert(rest.section(u' ', 0, 0), rest.section(u' ', 1));
            } else if (kind == QLatin1String("icon")) {
                iconSource = rest;
            } else if (kind == QLatin1String("studio")) {
                studioModule = rest;
            }
        }

        QStringList shipped;
        const QDir fontFolder(staged(QStringLiteral("share/tarvine/Fonts")));
        for (const QString& file : fontFolder.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name)) {
            shipped << fontFolder.filePath(file);
        }
        QVERIFY(!shipped.isEmpty());
        QCOMPARE(fonts, shipped);
        QCOMPARE(faces, (QStringList{
                            "Spectral-Medium 500 Spectral 500",
                            "DMSans-9ptRegular 400 DM Sans 400",
                            "DMSans-9ptRegular 500 DM Sans 500",
                            "DMSans-9ptRegular 600 DM Sans 600",
                            "RobotoMono-Regular 400 Roboto Mono 400",
                            "RobotoMono-Regular 500 Roboto Mono 500",
                        }));
        QCOMPARE(QFileInfo(studioModule).canonicalFilePath(),
                 QFileInfo(staged(QStringLiteral("lib/tarvine/tarvine_studio.so"))).canonicalFilePath());
        QCOMPARE(images.value(QStringLiteral("mark")), staged(QStringLiteral("share/tarvine/Brand/mark.svg")));
        QCOMPARE(images.value(QStringLiteral("marker")), staged(QStringLiteral("share/tarvine/Brand/marker.svg")));
        QCOMPARE(iconSource, icon == QLatin1String("theme") ? icon : staged(icon));
    }

    // A face whose file is gone is reported as such, never as the face that stands in for it.
    void aMissingFaceIsReportedNotReplaced() {
        const QString copy = m_root.filePath(QStringLiteral("trimmed"));
        const Run copied = run(QStringLiteral("cp"), {"-a", m_root.filePath(QStringLiteral("stage")), copy});
        QVERIFY2(copied.code == 0, qPrintable(copied.output));
        const QString fonts = copy + QStringLiteral("/usr/share/tarvine/Fonts/");
        QVERIFY(QFile::remove(fonts + QStringLiteral("Spectral_500Medium.ttf")));
        QVERIFY(QFile::remove(fonts + QStringLiteral("DMSans_600SemiBold.ttf")));

        QProcessEnvironment env = programEnvironment(QStringLiteral("trimmed"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const Run listed = run(copy + QStringLiteral("/usr/bin/tarvine"), {QStringLiteral("--list-resources")}, env);
        QCOMPARE(listed.code, 1);
        const QStringList lines = listed.output.split(u'\n');
        QVERIFY2(lines.contains(QStringLiteral("face Spectral-Medium 500 missing")), qPrintable(listed.output));
        // The system thickens the medium face; the report says which face it really is.
        QVERIFY2(lines.contains(QStringLiteral("face DMSans-9ptRegular 600 DM Sans 500")), qPrintable(listed.output));
        QVERIFY2(lines.contains(QStringLiteral("face DMSans-9ptRegular 400 DM Sans 400")), qPrintable(listed.output));
    }

    // On the X server, the window the desktop sees carries the class its desktop entry expects
    // (so the desktop ties the window to the entry) and an icon. SIGTERM ends it cleanly.
    void theWindowIsTheDesktopEntrys() {
        const QString entry = staged(QStringLiteral("share/applications/") + appId + QStringLiteral(".desktop"));
        const QString windowClass = desktopValue(entry, QStringLiteral("StartupWMClass"));
        QVERIFY(!windowClass.isEmpty());
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "this test runs inside an X server (xvfb-run)");

        QProcess tarvine;
        QProcessEnvironment env = programEnvironment(QStringLiteral("window"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        tarvine.setProcessEnvironment(env);
        tarvine.setProcessChannelMode(QProcess::ForwardedChannels);
        tarvine.start(program(), {});
        QVERIFY(tarvine.waitForStarted());
        const auto stop = qScopeGuard([&] {
            if (tarvine.state() != QProcess::NotRunning) {
                tarvine.kill();
                tarvine.waitForFinished();
            }
        });

        const QString pattern = QStringLiteral("^%1$").arg(QRegularExpression::escape(windowClass));
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(window = run(QStringLiteral("xdotool"), {"search", "--class", pattern}).output.trimmed()).isEmpty(),
            60'000);
        window = window.section(u'\n', 0, 0);
        QCOMPARE(run(QStringLiteral("xdotool"), {"getwindowname", window}).output.trimmed(), QStringLiteral("Tarvine"));
        const Run icon = run(QStringLiteral("xprop"), {"-id", window, "_NET_WM_ICON"});
        QVERIFY2(icon.output.startsWith(QLatin1String("_NET_WM_ICON(CARDINAL) =")), qPrintable(icon.output.left(200)));

        tarvine.terminate();
        QVERIFY(tarvine.waitForFinished(30'000));
        QCOMPARE(tarvine.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tarvine.exitCode(), 0);
    }

    // Uninstalling a user's own install moves exactly what the install put there to the trash;
    // whatever else lives in the prefix stays. A prefix its owner may not write is never touched.
    void anUninstallTakesExactlyTheInstalledFiles_data() {
        QTest::addColumn<bool>("writable");
        QTest::newRow("the user's own prefix") << true;
        QTest::newRow("a prefix its owner may not write") << false;
    }
    void anUninstallTakesExactlyTheInstalledFiles() {
        QFETCH(bool, writable);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString home = root.filePath(QStringLiteral("home"));
        const QString prefix = home + QStringLiteral("/.local");
        const QStringList others{
            "bin/other-tool",
            "lib/other/libother.so",
            "share/applications/other.desktop",
            "share/icons/hicolor/16x16/apps/other.png",
            "share/metainfo/other.metainfo.xml",
        };
        for (const QString& other : others) {
            QVERIFY(writeFile(QDir(prefix).filePath(other)));
        }
        const Run installed = install(prefix);
        QVERIFY2(installed.code == 0, qPrintable(installed.output));
        const QStringList before = filesUnder(prefix);
        QVERIFY(before.size() > others.size());
        if (!writable) {
            QVERIFY(QFile::setPermissions(prefix, QFile::ReadOwner | QFile::ExeOwner));
        }
        const auto writableAgain =
            qScopeGuard([&] { QFile::setPermissions(prefix, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });

        // The trash of a home folder of its own, outside the prefix.
        const QString trash = root.filePath(QStringLiteral("data/Trash"));
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("data"))));
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toUtf8());
        const auto environmentBack = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            qputenv("XDG_DATA_HOME", oldData);
        });

        const QStringList items =
            installedItems({{QStringLiteral("HOME"), home}}, prefix + QStringLiteral("/bin/tarvine"));
        for (const QString& item : items) {
            QString inTrash;
            QVERIFY2(QFile::moveToTrash(item, &inTrash), qPrintable(item));
            QVERIFY2(inTrash.startsWith(trash + u'/'), qPrintable(inTrash));
        }
        const QStringList trashed =
            QDir(trash + QStringLiteral("/files")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        if (!writable) {
            QCOMPARE(items, QStringList{});
            QCOMPARE(filesUnder(prefix), before);
            QCOMPARE(trashed, QStringList{});
            return;
        }
        QStringList left = others;
        left.sort();
        QCOMPARE(filesUnder(prefix), left);
        QCOMPARE(trashed.size(), items.size());
        // The program's own folders went whole; nothing empty of them is left behind.
        for (const char* own : {"lib/tarvine", "share/tarvine", "share/doc/tarvine"}) {
            QVERIFY2(items.contains(QDir(prefix).filePath(QLatin1String(own))), own);
        }
    }
};

QTEST_GUILESS_MAIN(InstallTest)

#include "tst_install.moc"

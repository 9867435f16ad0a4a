#include "FernholmKit/text/L10n.h"
#include "FernholmKit/presentation/LoginItemSwitch.h"
#include "FernholmKit/platform/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;

namespace fernholm {
inline char* toString(LoginItemState state) {
    static const char* const names[] = {"enabled", "requiresApproval", "notRegistered", "notFound"};
    const int index = static_cast<int>(state);
    return qstrdup(index >= 0 && index < 4 ? names[index] : "another state");
}
inline char* toString(const LoginItemSwitch& value) {
    return QTest::toString(QStringLiteral("{%1, %2}").arg(value.isOn ? "on" : "off", value.note.value_or("no note")));
}
} // namespace fernholm

namespace {

const QString approvalNote =
    QStringLiteral("Allow Tarvine to open at login in your desktop's startup applications settings.");

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A small program that exists and may be run.
bool makeProgram(const QString& path) {
    return writeFile(path, "#!/bin/sh\nexit 0\n") &&
           QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class LoginItemTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;

    QString configHome() const { return m_root->filePath(QStringLiteral("config")); }
    QString autostartFolder() const { return configHome() + QStringLiteral("/autostart"); }
    QString entryPath() const { return autostartFolder() + u'/' + XdgAutostartItem::fileName; }

    XdgAutostartItem item(const QString& program) const {
        return XdgAutostartItem({{QStringLiteral("XDG_CONFIG_HOME"), configHome()},
                                 {QStringLiteral("HOME"), m_root->filePath(QStringLiteral("home"))},
                                 {QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin")}},
                                program);
    }

private Q_SLOTS:
    void init() {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    // --- The switch ---

    void switchShows_data() {
        QTest::addColumn<LoginItemState>("state");
        QTest::addColumn<LoginItemSwitch>("shown");
        QTest::newRow("enabled") << LoginItemState::enabled << LoginItemSwitch{true, std::nullopt};
        QTest::newRow("requires approval") << LoginItemState::requiresApproval << LoginItemSwitch{false, approvalNote};
        QTest::newRow("not registered") << LoginItemState::notRegistered << LoginItemSwitch{false, std::nullopt};
        QTest::newRow("not found") << LoginItemState::notFound << LoginItemSwitch{false, std::nullopt};
        QTest::newRow("any other value") << static_cast<LoginItemState>(7) << LoginItemSwitch{false, std::nullopt};
    }
    void switchShows() {
        QFETCH(LoginItemState, state);
        QFETCH(LoginItemSwitch, shown);
        QCOMPARE(loginItemSwitch(state), shown);
    }

    void approvalNoteInPolish() {
        L10n::setLanguage(QStringLiteral("pl"));
        const LoginItemSwitch shown = loginItemSwitch(LoginItemState::requiresApproval);
        QVERIFY(!shown.isOn);
        QCOMPARE(shown.note, std::optional<QString>(QStringLiteral(
                                 "Zezwól na otwieranie Tarvine po zalogowaniu w ustawieniach programów startowych "
                                 "swojego pulpitu.")));
    }

    // --- The autostart entry ---

    void entryLocation_data() {
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("path");
        QTest::newRow("config home") << "/x/config"
                                     << "/h"
                                     << "/x/config/autostart/com.orvendale.tarvine.desktop";
        QTest::newRow("unset") << ""
                               << "/h"
                               << "/h/.config/autostart/com.orvendale.tarvine.desktop";
        QTest::newRow("relative, so ignored") << "x/config"
                                              << "/h"
                                              << "/h/.config/autostart/com.orvendale.tarvine.desktop";
    }
    void entryLocation() {
        QFETCH(QString, configHome);
        QFETCH(QString, home);
        QFETCH(QString, path);
        QMap<QString, QString> env{{QStringLiteral("HOME"), home}};
        if (!configHome.isEmpty()) {
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        }
        QCOMPARE(XdgAutostartItem(env, QStringLiteral("/p")).entryPath(), path);
    }

    void stateOfAnEntry_data() {
        QTest::addColumn<QByteArray>("entry"); // "{exec}" stands for the Exec value of the program
        QTest::addColumn<bool>("programExists");
        QTest::addColumn<LoginItemState>("state");
        const QByteArray head = "[Desktop Entry]\nType=Application\nName=Tarvine\n";
        QTest::newRow("valid") << head + "Exec={exec}\n" << true << LoginItemState::enabled;
        QTest::newRow("switched on, not hidden") << head + "Exec={exec}\nHidden=false\nX-GNOME-Autostart-enabled=true\n"
                                                 << true << LoginItemState::enabled;
        QTest::newRow("with arguments and a field code") << head + "Exec={exec} --hidden %U\n"
                                                         << true << LoginItemState::enabled;
        QTest::newRow("hidden") << head + "Exec={exec}\nHidden=true\n" << true << LoginItemState::notRegistered;
        QTest::newRow("switched off") << head + "Exec={exec}\nX-GNOME-Autostart-enabled=false\n"
                                      << true << LoginItemState::notRegistered;
        QTest::newRow("switch unreadable") << head + "Exec={exec}\nX-GNOME-Autostart-enabled=maybe\n"
                                           << true << LoginItemState::notRegistered;
        QTest::newRow("program missing") << head + "Exec={exec}\n" << false << LoginItemState::notFound;
        QTest::newRow("hidden, program missing") << head + "Exec={exec}\nHidden=true\n"
                                                 << false << LoginItemState::notRegistered;
        QTest::newRow("no Exec") << head << true << LoginItemState::notFound;
        QTest::newRow("quote left open") << head + "Exec=\"/bin/sh\n" << true << LoginItemState::notFound;
        QTest::newRow("program by name on the search path") << head + "Exec=sh -c true\n"
                                                            << true << LoginItemState::enabled;
        QTest::newRow("program by name, not on the search path") << head + "Exec=no-such-program-here\n"
                                                                 << true << LoginItemState::notFound;
        QTest::newRow("other group only")
            << QByteArray("[Something Else]\nExec={exec}\n") << true << LoginItemState::notRegistered;
        QTest::newRow("not a key file") << QByteArray("\x89PNG\r\n\x1a\n") << true << LoginItemState::notRegistered;
        QTest::newRow("empty file") << QByteArray() << true << LoginItemState::notRegistered;
    }
    void stateOfAnEntry() {
        QFETCH(QByteArray, entry);
        QFETCH(bool, programExists);
        QFETCH(LoginItemState, state);
        const QString program = m_root->filePath(QStringLiteral("bin/Tar vine 100%/tarvine"));
        if (programExists) {
            QVERIFY(makeProgram(program));
        }
        entry.replace("{exec}", XdgAutostartItem::execValue(program).toUtf8());
        QVERIFY(writeFile(entryPath(), entry));
        QCOMPARE(item(program).state(), state);
    }

    void noEntryIsNotRegistered() {
        const QString program = m_root->filePath(QStringLiteral("tarvine"));
        QVERIFY(makeProgram(program));
        QCOMPARE(item(program).state(), LoginItemState::notRegistered);
        QVERIFY(!QFileInfo::exists(autostartFolder())); // reading creates nothing
    }

    // The written entry opens exactly this program, passes the desktop's own check, and reads
    // back as enabled.
    void registeringWritesAValidEntry_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("space and percent sign") << "Tar vine 100%/tar vine";
        QTest::newRow("quote, dollar, backtick, backslash") << "a\"b$c`d\\e/tarvine";
        QTest::newRow("non-ASCII") << "Programy/Tarvinę";
    }
    void registeringWritesAValidEntry() {
        QFETCH(QString, name);
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate is missing: install desktop-file-utils");
        const QString program = m_root->filePath(name);
        QVERIFY(makeProgram(program));

        XdgAutostartItem autostart = item(program);
        QCOMPARE(autostart.registerItem(), std::nullopt); // the folder did not exist yet
        QCOMPARE(autostart.state(), LoginItemState::enabled);

        const QByteArray written = readFile(entryPath());
        QCOMPARE(written, "[Desktop Entry]\nType=Application\nName=Tarvine\nExec=" +
                              XdgAutostartItem::execValue(program).toUtf8() + "\nX-GNOME-Autostart-enabled=true\n");
        QProcess validate;
        validate.start(validator, {entryPath()});
        QVERIFY(validate.waitForFinished());
        const QByteArray said = validate.readAllStandardOutput() + validate.readAllStandardError();
        QVERIFY2(validate.exitStatus() == QProcess::NormalExit && validate.exitCode() == 0 && said.isEmpty(),
                 said.constData());

        // The desktop's own launcher starts exactly this program. GLib looks the program up
        // before it reads "%%" as "%", so it refuses any path with a percent sign.
        if (!program.contains(u'%')) {
            const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
            QVERIFY2(!gio.isEmpty(), "gio is missing: install libglib2.0-bin");
            const QString marker = m_root->filePath(QStringLiteral("started"));
            QVERIFY(writeFile(program, "#!/bin/sh\nprintf '%s' \"$0\" > '" + marker.toUtf8() + "'\n"));
            QProcess launch;
            launch.start(gio, {QStringLiteral("launch"), entryPath()});
            QVERIFY(launch.waitForFinished());
            QVERIFY2(launch.exitCode() == 0, launch.readAllStandardError().constData());
            QTRY_COMPARE(readFile(marker), program.toUtf8());
        }
    }

    void execValueQuoting_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "/opt/tarvine"
                               << "\"/opt/tarvine\"";
        QTest::newRow("space and percent sign") << "/a b/100%"
                                                << "\"/a b/100%%\"";
        QTest::newRow("quote, backtick, dollar") << "/a\"b`c$d"
                                                 << "\"/a\\\\\"b\\\\`c\\\\$d\"";
        QTest::newRow("backslash") << "/a\\b"
                                   << "\"/a\\\\\\\\b\"";
    }
    void execValueQuoting() {
        QFETCH(QString, program);
        QFETCH(QString, written);
        QCOMPARE(XdgAutostartItem::execValue(program), written);
    }

    void execArguments_data() {
        QTest::addColumn<QString>("exec"); // with the file format's escapes already undone
        QTest::addColumn<std::optional<QStringList>>("arguments");
        QTest::newRow("bare") << "/opt/tarvine --hidden" << std::optional<QStringList>({"/opt/tarvine", "--hidden"});
        QTest::newRow("quoted, escapes undone")
            << "\"/a b/\\\"q\\\" \\$x \\\\ \\`y %%\" arg"
            << std::optional<QStringList>({"/a b/\"q\" $x \\ `y %", "arg"});
        QTest::newRow("field codes dropped") << "tarvine %U --x=%%" << std::optional<QStringList>({"tarvine", "--x=%"});
        QTest::newRow("empty") << "" << std::optional<QStringList>(QStringList());
        QTest::newRow("quote left open") << "\"/a b" << std::optional<QStringList>();
    }
    void execArguments() {
        QFETCH(QString, exec);
        QFETCH(std::optional<QStringList>, arguments);
        QCOMPARE(XdgAutostartItem::execArguments(exec), arguments);
    }

    void registeringReplacesAHiddenEntry() {
        const QString program = m_root->filePath(QStringLiteral("tarvine"));
        QVERIFY(makeProgram(program));
        QVERIFY(writeFile(entryPath(), "[Desktop Entry]\nType=Application\nName=Tarvine\nExec=/gone\nHidden=true\n"));
        XdgAutostartItem autostart = item(program);
        QCOMPARE(autostart.state(), LoginItemState::notRegistered);
        QCOMPARE(autostart.registerItem(), std::nullopt);
        QCOMPARE(autostart.state(), LoginItemState::enabled);
    }

    void unregisteringRemovesTheEntry() {
        const QString program = m_root->filePath(QStringLiteral("tarvine"));
        QVERIFY(makeProgram(program));
        XdgAutostartItem autostart = item(program);
        QCOMPARE(autostart.registerItem(), std::nullopt);
        QVERIFY(writeFile(autostartFolder() + QStringLiteral("/other.desktop"), "[Desktop Entry]\n"));

        QCOMPARE(autostart.unregisterItem(), std::nullopt);
        QVERIFY(!QFileInfo::exists(entryPath()));
        QCOMPARE(autostart.state(), LoginItemState::notRegistered);
        QVERIFY(QFileInfo::exists(autostartFolder() + QStringLiteral("/other.desktop"))); // only our own goes
        // Gone already is fine, also without the folder.
        QCOMPARE(autostart.unregisterItem(), std::nullopt);
        QVERIFY(QDir(autostartFolder()).removeRecursively());
        QCOMPARE(autostart.unregisterItem(), std::nullopt);
    }

    // A plain file stands where the autostart folder belongs: switching on fails with the
    // system's message and leaves the file as it was.
    void fileInTheFolder_sPlace() {
        const QString program = m_root->filePath(QStringLiteral("tarvine"));
        QVERIFY(makeProgram(program));
        QVERIFY(writeFile(autostartFolder(), "mine"));
        XdgAutostartItem autostart = item(program);

        const std::optional<QString> failure = autostart.registerItem();
        QVERIFY(failure);
        QVERIFY(!failure->trimmed().isEmpty());
        QCOMPARE(autostart.state(), LoginItemState::notRegistered);
        QCOMPARE(readFile(autostartFolder()), QByteArray("mine"));
        QCOMPARE(autostart.unregisterItem(), std::nullopt); // nothing of ours there
    }

    void removalThatFails() {
        const QString program = m_root->filePath(QStringLiteral("tarvine"));
        QVERIFY(makeProgram(program));
        // A folder by the entry's name cannot be removed as a file.
        QVERIFY(writeFile(entryPath() + QStringLiteral("/inside"), "x"));
        const std::optional<QString> failure = item(program).unregisterItem();
        QVERIFY(failure);
        QVERIFY(!failure->trimmed().isEmpty());
        QVERIFY(QFileInfo::exists(entryPath() + QStringLiteral("/inside")));
    }

    void thisProgram() {
        const QByteArray image = qgetenv("APPIMAGE");
        qputenv("APPIMAGE", "/home/u/Apps/Tarvine.AppImage");
        QCOMPARE(XdgAutostartItem::forThisProgram()->program(), QStringLiteral("/home/u/Apps/Tarvine.AppImage"));
        qunsetenv("APPIMAGE");
        QCOMPARE(XdgAutostartItem::forThisProgram()->program(), QCoreApplication::applicationFilePath());
        if (!image.isNull()) {
            qputenv("APPIMAGE", image);
        }
    }
};

QTEST_GUILESS_MAIN(LoginItemTest)
#include "tst_loginitem.moc"

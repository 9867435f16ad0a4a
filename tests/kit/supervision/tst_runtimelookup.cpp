#include "FernholmKit/supervision/SidecarProcess.h"
#include "FernholmKit/platform/AppDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace fernholm;

namespace {

// "@" in a path or value stands for the temporary root.
struct Expected {
    RuntimeKind kind;
    QString python;
    QString workingDir;
};

} // namespace

Q_DECLARE_METATYPE(Expected)

class RuntimeLookupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;

    QString at(QString path) const { return path.replace(QLatin1Char('@'), m_temp->path()); }

    // Entries "x:path" (an executable file), "f:path" (a plain file) and "d:path" (a folder).
    void lay(const QStringList& layout) const {
        for (const QString& entry : layout) {
            const QString path = QDir(m_temp->path()).filePath(entry.mid(2));
            if (entry.startsWith(QLatin1String("d:"))) {
                QVERIFY(QDir().mkpath(path));
                continue;
            }
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
            file.close();
            const QFile::Permissions read = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
            const QFile::Permissions exec = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
            QVERIFY(file.setPermissions(entry.startsWith(QLatin1String("x:")) ? read | exec : read));
        }
    }

    Environment env(const Environment& pattern) const {
        Environment filled;
        for (auto it = pattern.cbegin(); it != pattern.cend(); ++it) {
            filled.insert(it.key(), at(it.value()));
        }
        return filled;
    }

private Q_SLOTS:
    void init() {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
    }

    void resolveRuntime_data() {
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<Environment>("environment");
        QTest::addColumn<QString>("resources"); // empty: none given
        QTest::addColumn<QString>("binary");
        QTest::addColumn<QString>("cwd");
        QTest::addColumn<std::optional<Expected>>("expected");

        const QString bundle = "@/Tarvine.app/Contents/Resources";
        const Environment xdg{{"XDG_DATA_HOME", "@/xdg"}};
        const auto none = std::optional<Expected>();
        const auto checkout = [](const QString& root) {
            return std::optional(Expected{RuntimeKind::repoVenv, root + "/.venv/bin/python", root});
        };

        QTest::newRow("bundle with its sidecar")
            << QStringList{"x:Tarvine.app/Contents/Resources/sidecar/sidecar"} << xdg << bundle << ""
            << "" << std::optional(Expected{RuntimeKind::embedded, bundle + "/sidecar/sidecar", "@/xdg/Tarvine"});
        QTest::newRow("bundle without sidecar never falls back")
            << QStringList{"d:Tarvine.app/Contents/Resources", "x:repo/.venv/bin/python"}
            << Environment{{"TARVINE_REPO", "@/repo"}} << bundle << "@/repo/bin/x"
            << "@/repo" << none;
        QTest::newRow("bundle with a sidecar that is not executable")
            << QStringList{"f:Tarvine.app/Contents/Resources/sidecar/sidecar"} << Environment{{"TARVINE_REPO", "@/r"}}
            << bundle << ""
            << "" << none;
        QTest::newRow("installed folder with its sidecar")
            << QStringList{"x:share/tarvine/sidecar/sidecar"} << xdg << "@/share/tarvine"
            << ""
            << "" << std::optional(Expected{RuntimeKind::embedded, "@/share/tarvine/sidecar/sidecar", "@/xdg/Tarvine"});
        QTest::newRow("other folder without sidecar falls through")
            << QStringList{"d:share/tarvine"} << Environment{{"TARVINE_REPO", "@/repo"}} << "@/share/tarvine"
            << ""
            << "" << checkout("@/repo");
        QTest::newRow("other folder with a plain-file sidecar falls through")
            << QStringList{"f:share/tarvine/sidecar/sidecar", "x:w/.venv/bin/python"} << Environment{}
            << "@/share/tarvine"
            << "@/w/bin/tarvine"
            << "" << checkout("@/w");
        QTest::newRow("other folder, no checkout")
            << QStringList{"d:share/tarvine"} << Environment{} << "@/share/tarvine"
            << ""
            << "" << none;
        QTest::newRow("TARVINE_REPO beats FERNHOLM_REPO")
            << QStringList{"x:w/.venv/bin/python"} << Environment{{"TARVINE_REPO", "@/a"}, {"FERNHOLM_REPO", "@/b"}}
            << ""
            << "@/w/bin/tarvine"
            << "@/w" << checkout("@/a");
        QTest::newRow("FERNHOLM_REPO beats the walk-up, venv or not")
            << QStringList{"x:w/.venv/bin/python"} << Environment{{"FERNHOLM_REPO", "@/b"}} << ""
            << "@/w/bin/tarvine"
            << "@/w" << checkout("@/b");
        // Against the current folder, which the child's working folder would otherwise replace.
        QTest::newRow("relative TARVINE_REPO") << QStringList{"d:c"} << Environment{{"TARVINE_REPO", "repo"}} << ""
                                               << "@/w/bin/tarvine"
                                               << "@/c" << checkout("@/c/repo");
        QTest::newRow("relative FERNHOLM_REPO")
            << QStringList{"d:c/sub"} << Environment{{"FERNHOLM_REPO", "../repo"}} << ""
            << ""
            << "@/c/sub" << checkout("@/c/repo");
        QTest::newRow("TARVINE_REPO empty still counts")
            << QStringList{"x:w/.venv/bin/python"} << Environment{{"TARVINE_REPO", ""}} << ""
            << "@/w/bin/tarvine"
            << "" << std::optional(Expected{RuntimeKind::repoVenv, ".venv/bin/python", ""});
        QTest::newRow("walk-up from the executable")
            << QStringList{"x:w/.venv/bin/python", "x:c/.venv/bin/python"} << Environment{} << ""
            << "@/w/build/bin/tarvine"
            << "@/c/src" << checkout("@/w");
        QTest::newRow("walk-up from the current folder")
            << QStringList{"x:c/.venv/bin/python", "d:c/src"} << Environment{} << ""
            << "@/other/tarvine"
            << "@/c/src" << checkout("@/c");
        QTest::newRow("python that is not executable is ignored")
            << QStringList{"f:w/.venv/bin/python", "d:w/src"} << Environment{} << ""
            << "@/w/bin/tarvine"
            << "@/w/src" << none;
        QTest::newRow("python that is a folder is ignored")
            << QStringList{"d:w/.venv/bin/python"} << Environment{} << ""
            << "@/w/bin/tarvine"
            << "" << none;
        QTest::newRow("nothing anywhere") << QStringList{} << Environment{} << ""
                                          << "@/bin/tarvine"
                                          << "@" << none;
        QTest::newRow("no executable path, no current folder") << QStringList{} << Environment{} << ""
                                                               << ""
                                                               << "" << none;
    }
    void resolveRuntime() {
        QFETCH(QStringList, layout);
        QFETCH(Environment, environment);
        QFETCH(QString, resources);
        QFETCH(QString, binary);
        QFETCH(QString, cwd);
        QFETCH(std::optional<Expected>, expected);
        lay(layout);

        const auto runtime = SidecarProcess::resolveRuntime(
            env(environment), resources.isEmpty() ? std::nullopt : std::optional(at(resources)), at(binary), at(cwd));
        QCOMPARE(runtime.has_value(), expected.has_value());
        if (!expected) {
            return;
        }
        QCOMPARE(runtime->kind, expected->kind);
        QCOMPARE(QDir::cleanPath(runtime->python), QDir::cleanPath(at(expected->python)));
        QCOMPARE(QDir::cleanPath(runtime->workingDir), QDir::cleanPath(at(expected->workingDir)));
        if (expected->kind == RuntimeKind::repoVenv) {
            QCOMPARE(runtime->args, QStringList({"-m", "fernholm.app"}));
            QVERIFY(runtime->extraEnv.isEmpty());
        } else {
            QVERIFY(runtime->args.isEmpty());
        }
    }

    void embeddedRuntimeHasItsExtrasAndDataFolder() {
        lay({"x:share/tarvine/sidecar/sidecar"});
        const QString resources = at("@/share/tarvine");
        const auto runtime = SidecarProcess::resolveRuntime(env({{"XDG_DATA_HOME", "@/xdg"}}), resources, "", "");
        QVERIFY(runtime);
        const Environment expected{
            {"TARVINE_MMBERT_DIR", resources + "/models/mmbert-fp32"},
            {"TARVINE_MMBERT_THRESHOLD", "0.35"},
            {"TARVINE_VAULT_STORE", at("@/xdg/Tarvine/transient/_vault_store.json")},
            {"TARVINE_DETAIL_LOG", at("@/xdg/Tarvine/transient/_detail.jsonl")},
        };
        QCOMPARE(runtime->extraEnv, expected);
        QVERIFY(QFileInfo(at("@/xdg/Tarvine")).isDir());
    }

    void dataFolder_data() {
        QTest::addColumn<Environment>("environment");
        QTest::addColumn<QString>("expected"); // "~" stands for the temporary folder of the system
        QTest::newRow("XDG data home") << Environment{{"XDG_DATA_HOME", "/x/data"}, {"HOME", "/h"}}
                                       << "/x/data/Tarvine";
        QTest::newRow("home") << Environment{{"HOME", "/h"}} << "/h/.local/share/Tarvine";
        QTest::newRow("relative XDG data home is ignored")
            << Environment{{"XDG_DATA_HOME", "data"}, {"HOME", "/h"}} << "/h/.local/share/Tarvine";
        QTest::newRow("neither") << Environment{} << "~/Tarvine";
    }
    void dataFolder() {
        QFETCH(Environment, environment);
        QFETCH(QString, expected);
        QCOMPARE(appDataFolder(environment), expected.replace(QLatin1Char('~'), QDir::tempPath()));
    }

    void cacheFolder_data() {
        QTest::addColumn<Environment>("environment");
        QTest::addColumn<QString>("expected"); // "~" stands for the temporary folder of the system
        QTest::newRow("XDG cache home") << Environment{{"XDG_CACHE_HOME", "/x/cache"}, {"HOME", "/h"}}
                                        << "/x/cache/Tarvine";
        QTest::newRow("home") << Environment{{"HOME", "/h"}} << "/h/.cache/Tarvine";
        QTest::newRow("relative XDG cache home is ignored")
            << Environment{{"XDG_CACHE_HOME", "cache"}, {"HOME", "/h"}} << "/h/.cache/Tarvine";
        QTest::newRow("the data home does not count")
            << Environment{{"XDG_DATA_HOME", "/x/data"}, {"HOME", "/h"}} << "/h/.cache/Tarvine";
        QTest::newRow("neither") << Environment{} << "~/Tarvine";
    }
    void cacheFolder() {
        QFETCH(Environment, environment);
        QFETCH(QString, expected);
        QCOMPARE(appCacheFolder(environment), expected.replace(QLatin1Char('~'), QDir::tempPath()));
    }

    void walkUpStopsAfterTwentyFolders_data() {
        QTest::addColumn<int>("levelsAbove");
        QTest::addColumn<bool>("found");
        QTest::newRow("in the start folder") << 0 << true;
        QTest::newRow("19 levels up") << 19 << true;
        QTest::newRow("20 levels up") << 20 << false;
    }
    void walkUpStopsAfterTwentyFolders() {
        QFETCH(int, levelsAbove);
        QFETCH(bool, found);
        lay({"x:top/.venv/bin/python"});
        QString start = at("@/top");
        for (int i = 0; i < levelsAbove; ++i) {
            start += QStringLiteral("/l%1").arg(i);
        }
        QVERIFY(QDir().mkpath(start));
        QCOMPARE(SidecarProcess::walkUpForVenv(start), found ? std::optional(at("@/top")) : std::nullopt);
        // From a file, the walk starts at its folder: one level fewer to climb.
        lay({"f:" + start.mid(m_temp->path().size() + 1) + "/tarvine"});
        QCOMPARE(SidecarProcess::walkUpForVenv(start + "/tarvine"), found ? std::optional(at("@/top")) : std::nullopt);
    }

    void installedResourceFolder() {
        lay({"x:inst/bin/tarvine", "d:inst/share/tarvine", "x:build/src/tarvine"});
        QCOMPARE(SidecarProcess::installedResourceFolder(at("@/inst/bin/tarvine")),
                 std::optional(at("@/inst/share/tarvine")));
        QCOMPARE(SidecarProcess::installedResourceFolder(at("@/build/src/tarvine")), std::nullopt);
        QCOMPARE(SidecarProcess::installedResourceFolder(QString()), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(RuntimeLookupTest)
#include "tst_runtimelookup.moc"

// The way out: shutdown() over real stand-in gateway processes, and uninstall() on a temporary home
// folder with its XDG folders, a settings file, an autostart entry and the desktop's real trash,
// the gateway's certificate removal answered by a loopback server.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmKit/platform/AppDataFolder.h"
#include "FernholmKit/platform/Installation.h"
#include "FernholmKit/platform/XdgAutostart.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/StandInCheckout.h"
#include "app/support/TestPlatform.h"
#include "support/LoopbackPort.h"
#include "support/MemoryLoginItem.h"
#include "support/SidecarPrinters.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace fernholm;
using namespace fernholm::test;

namespace {

constexpr int patienceMs = 30'000;

const QString pacUrl = QStringLiteral("http://wpad.example/proxy.pac");

bool writeFile(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool exists(const QString& path) {
    return QFileInfo::exists(path);
}

// What the certificate removal is answered with; an empty body is no server at all.
struct CAReply {
    int status = 200;
    QByteArray body;
};

} // namespace

Q_DECLARE_METATYPE(CAReply)

class AppShutdownTest : public QObject {
    Q_OBJECT

    // shutdown()
    std::unique_ptr<StandInCheckout> m_checkout;

    // uninstall(): a home folder with the application's traces in it
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_home;
    Environment m_env;
    std::unique_ptr<TestHttpServer> m_gateway;
    std::shared_ptr<SettingsDefaults> m_settings;
    std::shared_ptr<XdgAutostartItem> m_autostart;
    std::shared_ptr<LoginItem> m_loginItem; // the autostart entry, unless a test says otherwise

    std::unique_ptr<TestPlatform> m_fakes;
    std::unique_ptr<AppModel> m_model;

    QString home(const QString& path) const { return QDir(m_home).filePath(path); }
    QString root(const QString& path) const { return QDir(m_root->path()).filePath(path); }
    QString dataFolder() const { return appDataFolder(m_env); }
    QString cacheFolder() const { return appCacheFolder(m_env); }
    QStringList inTheTrash() const {
        return QDir(home(".local/share/Trash/files")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    // The model of an installed application whose gateway answers the certificate removal.
    AppModel& installed(const CAReply& reply = {200, R"({"ok": true})"}, bool proven = true) {
        if (!reply.body.isEmpty()) {
            m_gateway->setReply("/api/ca/remove", ScriptedReply::json(reply.body, reply.status));
        } else {
            m_gateway->close();
        }
        m_fakes->environment = m_env;
        m_fakes->dataFolder = dataFolder();
        m_fakes->cacheFolder = cacheFolder();
        Platform platform = m_fakes->platform();
        platform.defaults = m_settings;
        platform.loginItem = m_loginItem;
        m_model = std::make_unique<AppModel>(quickConfig(m_gateway->port()), platform);
        if (proven) {
            m_model->client().gate()->proven(Clock::now());
        }
        return *m_model;
    }

    // Everything the application put on this computer, as far as these tests place it.
    QStringList traces() const {
        QStringList present;
        const auto note = [&present](const QString& name, bool there) {
            if (there) {
                present << name;
            }
        };
        note("data key", m_fakes->keychain->stored.has_value());
        note("data folder", exists(dataFolder()));
        note("autostart entry", exists(m_autostart->entryPath()));
        note("cache folder", exists(cacheFolder()));
        note("settings", exists(m_settings->fileName()));
        return present;
    }

    // Busy from the call until the end, which may come at once.
    void uninstallAndWait(AppModel& model) {
        QList<bool> busy;
        QObject listening;
        connect(&model.supervision(), &Supervision::busyChanged, &listening,
                [&] { busy.append(model.supervision().busy()); });
        model.uninstall();
        QTRY_COMPARE_WITH_TIMEOUT(busy, (QList<bool>{true, false}), patienceMs);
    }

private Q_SLOTS:
    void init() {
        L10n::setLanguage(QStringLiteral("en"));
        m_checkout = std::make_unique<StandInCheckout>();
        QVERIFY(m_checkout->isValid());
        m_fakes = std::make_unique<TestPlatform>();
        m_fakes->keychain->stored = QByteArray(32, 'k');

        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        m_home = root(QStringLiteral("home"));
        m_env = {{"HOME", m_home},
                 {"XDG_DATA_HOME", home(".local/share")},
                 {"XDG_CACHE_HOME", home(".cache")},
                 {"XDG_CONFIG_HOME", home(".config")}};
        // The desktop's trash follows the process's own folders.
        for (auto it = m_env.cbegin(); it != m_env.cend(); ++it) {
            qputenv(qPrintable(it.key()), it.value().toUtf8());
        }
        QVERIFY(writeFile(QDir(dataFolder()).filePath("vault/events.db")));
        QVERIFY(writeFile(QDir(dataFolder()).filePath("WebEngine/Cookies")));
        QVERIFY(writeFile(QDir(cacheFolder()).filePath("WebEngine/Cache/data_0")));
        m_settings = std::make_shared<SettingsDefaults>(home(".config/Orvendale/Tarvine.conf"));
        m_settings->setValue("appLanguage", "pl");
        m_settings->sync();
        m_autostart = std::make_shared<XdgAutostartItem>(m_env, home(".local/bin/tarvine"));
        QCOMPARE(m_autostart->registerItem(), std::nullopt);
        m_loginItem = m_autostart;
        m_gateway = std::make_unique<TestHttpServer>();
        QVERIFY(m_gateway->listen());
        QCOMPARE(traces(), (QStringList{"data key", "data folder", "autostart entry", "cache folder", "settings"}));
    }
    void cleanup() {
        m_model.reset();
        m_fakes.reset();
        m_gateway.reset();
        m_settings.reset();
        m_autostart.reset();
        m_loginItem.reset();
        m_checkout.reset();
        m_root.reset();
        L10n::setLanguage(QStringLiteral("en"));
    }

    // --- shutdown() ---

    // The gateway is stopped (killed after the grace when it ignores SIGTERM), its proof revoked,
    // and on the first call only the system proxies are put back, with the settings the gateway
    // parked in its working folder.
    void shutdownStopsTheGatewayAndPutsTheProxiesBackOnce_data() {
        QTest::addColumn<bool>("ignoresTerm");
        QTest::newRow("gateway ends on SIGTERM") << false;
        QTest::newRow("gateway ignores SIGTERM") << true;
    }
    void shutdownStopsTheGatewayAndPutsTheProxiesBackOnce() {
        QFETCH(bool, ignoresTerm);
        Config config = quickConfig(freeLoopbackPort());
        config.terminateGrace = Seconds(0.3);
        m_fakes->environment =
            m_checkout->environment(ignoresTerm ? Environment{{"FAKE_GW_IGNORE_SIGTERM", "1"}} : Environment{});
        m_fakes->proxyTool->pointAtGateway();
        m_model = std::make_unique<AppModel>(config, m_fakes->platform());
        AppModel& model = *m_model;
        model.start();
        QTRY_COMPARE_WITH_TIMEOUT(model.supervision().sidecarState(), SidecarState::ready(), patienceMs);
        const qint64 pid = m_checkout->dumpedPid();
        QVERIFY(processExists(pid));
        QVERIFY(model.isPolling());
        QVERIFY(writeFile(QDir(m_checkout->repo()).filePath("_proxy_parked.json"),
                          QStringLiteral(R"({"Desktop": {"pac_url": "%1"}})").arg(pacUrl).toUtf8()));
        Status status;
        status.protection = Protection::on;
        AppModelAccess::setStatus(model, status);

        const auto asked = std::chrono::steady_clock::now();
        model.shutdown();
        const Seconds took = std::chrono::steady_clock::now() - asked;
        // All of it done by the time the call returns.
        QVERIFY(!processExists(pid));
        QVERIFY(!model.sidecar()->isRunning());
        if (ignoresTerm) {
            QVERIFY2(took.count() >= 0.3, qPrintable(QString::number(took.count())));
        }
        QVERIFY(model.isShutDown());
        QVERIFY(!model.isPolling());
        QVERIFY(!model.client().gate()->holds());
        QCOMPARE(model.protection().status(), std::nullopt);
        QCOMPARE(model.supervision().sidecarState(), SidecarState::exited(0));
        const QList<QStringList> calls = m_fakes->proxyTool->calls();
        QVERIFY(calls.contains(QStringList{"-setwebproxystate", "Desktop", "off"}));
        QVERIFY(calls.contains(QStringList{"-setsecurewebproxystate", "Desktop", "off"}));
        QVERIFY(calls.contains(QStringList{"-setautoproxyurl", "Desktop", pacUrl}));
        QVERIFY(!exists(QDir(m_checkout->repo()).filePath("_proxy_parked.json")));

        // Again, as quitting after an uninstall does: the proxies are left as they are now.
        m_fakes->proxyTool->pointAtGateway();
        model.shutdown();
        QCOMPARE(m_fakes->proxyTool->calls(), calls);
        QCOMPARE(model.supervision().sidecarState(), SidecarState::exited(0));
        QVERIFY(!model.client().gate()->holds());

        // Nothing comes back to life: the exit of the stopped gateway changes nothing, and no
        // replace starts another one.
        QCoreApplication::processEvents();
        QCOMPARE(model.supervision().sidecarState(), SidecarState::exited(0));
        model.replaceSidecar();
        QVERIFY(!model.isReplacing());
        QCOMPARE(model.client().gate()->generation(), 1);
    }

    void shutdownWithoutAGatewayStillRevokesAndClears() {
        m_model = std::make_unique<AppModel>(quickConfig(freeLoopbackPort()), m_fakes->platform());
        AppModel& model = *m_model;
        model.client().gate()->proven(Clock::now());
        Status status;
        status.protection = Protection::off;
        AppModelAccess::setStatus(model, status);

        model.shutdown();
        QCOMPARE(model.sidecar(), nullptr);
        QVERIFY(!model.client().gate()->holds());
        QCOMPARE(model.protection().status(), std::nullopt);
        QCOMPARE(model.supervision().sidecarState(), SidecarState::exited(0));
        // Whatever a gateway of an earlier run may have left pointing at itself.
        QVERIFY(m_fakes->proxyTool->calls().contains(QStringList{"-listallnetworkservices"}));
    }

    // --- uninstall() ---

    // Without the certificate removed nothing else is: the error line says why, and the
    // application keeps running.
    void aFailedCertificateRemovalRemovesNothing_data() {
        QTest::addColumn<CAReply>("reply");
        QTest::addColumn<bool>("proven");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("error");
        QTest::newRow("refused with a reason")
            << CAReply{200, R"({"ok": false, "error": "The certificate store is locked."})"} << true << "en"
            << "The certificate store is locked.";
        QTest::newRow("refused with a reason, in Polish")
            << CAReply{200, R"({"ok": false, "error": "The certificate store is locked."})"} << true << "pl"
            << "The certificate store is locked.";
        QTest::newRow("refused without a reason")
            << CAReply{200, R"({"ok": false})"} << true << "en" << "Could not remove the certificate";
        QTest::newRow("refused with a blank reason")
            << CAReply{200, R"({"ok": false, "error": " "})"} << true << "en" << "Could not remove the certificate";
        QTest::newRow("refused without a reason, in Polish")
            << CAReply{200, R"({"ok": false, "error": null})"} << true << "pl" << "Nie udało się usunąć certyfikatu";
        QTest::newRow("server error")
            << CAReply{500, R"({"detail": "boom"})"} << true << "en" << "Could not remove the certificate: http(500)";
        QTest::newRow("undecodable reply")
            << CAReply{200, R"({"removed": true})"} << true << "en"
            << "Could not remove the certificate: decoding(\"keyNotFound: no value for key \\\"ok\\\" at coding path \\\"\\\"\")";
        QTest::newRow("gateway not proven")
            << CAReply{200, R"({"ok": true})"} << false << "en" << "Could not remove the certificate: unverified";
        QTest::newRow("gateway not proven, in Polish")
            << CAReply{200, R"({"ok": true})"} << false << "pl" << "Nie udało się usunąć certyfikatu: unverified";
    }
    void aFailedCertificateRemovalRemovesNothing() {
        QFETCH(CAReply, reply);
        QFETCH(bool, proven);
        QFETCH(QString, language);
        QFETCH(QString, error);
        L10n::setLanguage(language);
        AppModel& model = installed(reply, proven);
        AppModelAccess::setAppError(model, QStringLiteral("an earlier error"));
        AppModelAccess::setAppErrorDetail(model, QStringLiteral("its detail"));

        uninstallAndWait(model);
        QCOMPARE(model.supervision().appError().value_or(QStringLiteral("<none>")), error);
        QCOMPARE(model.supervision().appErrorDetail(), std::nullopt);
        QCOMPARE(traces(), (QStringList{"data key", "data folder", "autostart entry", "cache folder", "settings"}));
        QCOMPARE(m_fakes->keychain->deletes, 0);
        QCOMPARE(m_fakes->studio.webDataRemovals, 0);
        QCOMPARE(m_fakes->quits, 0);
        QVERIFY(!model.isShutDown());
        QVERIFY(m_fakes->proxyTool->calls().isEmpty());
    }

    void aCertificateRemovalWithoutAGatewayRemovesNothing() {
        AppModel& model = installed(CAReply{200, {}});
        uninstallAndWait(model);
        QVERIFY(
            model.supervision().appError()->startsWith(QStringLiteral("Could not remove the certificate: transport(")));
        QCOMPARE(traces().size(), 5);
        QCOMPARE(m_fakes->quits, 0);
    }

    // Everything goes, in order, whatever is already missing or refuses to go; then one quit.
    void uninstallRemovesEverythingThenQuits_data() {
        QTest::addColumn<bool>("tracesThere");
        QTest::addColumn<bool>("removalsFail");
        QTest::addColumn<QStringList>("atStudio"); // still there when the studio's web data goes
        QTest::addColumn<QStringList>("left");     // still there at the quit, and after
        QTest::newRow("everything there") << true << false << QStringList{"cache folder", "settings"} << QStringList{};
        QTest::newRow("folders, key and entry missing") << false << false << QStringList{"settings"} << QStringList{};
        QTest::newRow("the keychain and the login item refuse")
            << true << true << QStringList{"data key", "autostart entry", "cache folder", "settings"}
            << QStringList{"data key", "autostart entry"};
    }
    void uninstallRemovesEverythingThenQuits() {
        QFETCH(bool, tracesThere);
        QFETCH(bool, removalsFail);
        QFETCH(QStringList, atStudio);
        QFETCH(QStringList, left);
        std::shared_ptr<MemoryLoginItem> refusing;
        if (removalsFail) {
            refusing = std::make_shared<MemoryLoginItem>();
            refusing->current = LoginItemState::enabled;
            refusing->unregisterFailures.push_back(QStringLiteral("Permission denied"));
            m_loginItem = refusing;
        }
        AppModel& model = installed();
        if (!tracesThere) {
            QVERIFY(QDir(dataFolder()).removeRecursively());
            QVERIFY(QDir(cacheFolder()).removeRecursively());
            QCOMPARE(m_autostart->unregisterItem(), std::nullopt);
            m_fakes->keychain->stored.reset();
        }
        if (removalsFail) {
            m_fakes->keychain->deleteStatuses.push_back(keychain::notAvailable);
        }
        m_fakes->proxyTool->pointAtGateway();

        // What is still there when the studio's web data is removed, and at the quit, which runs
        // the shell's own shutdown.
        QStringList stillAtStudio;
        m_fakes->studio.onRemoveWebData = [&] { stillAtStudio = traces(); };
        QStringList stillAtQuit;
        qsizetype proxyCallsBeforeQuit = -1;
        bool busyAtQuit = false;
        m_fakes->onQuit = [&] {
            stillAtQuit = traces();
            busyAtQuit = model.supervision().busy();
            proxyCallsBeforeQuit = m_fakes->proxyTool->calls().size();
            model.shutdown();
        };

        uninstallAndWait(model);
        QCOMPARE(m_fakes->quits, 1);
        QCOMPARE(m_fakes->studio.webDataRemovals, 1);
        QCOMPARE(stillAtStudio, atStudio);
        QCOMPARE(stillAtQuit, left);
        QCOMPARE(traces(), left);
        QVERIFY(busyAtQuit);
        QCOMPARE(m_fakes->keychain->deletes, 1);
        if (refusing) {
            QCOMPARE(refusing->unregisters, 1);
        }
        QCOMPARE(model.supervision().appError(), std::nullopt);

        // shutdown() ran first, and the second one at the quit left the proxies alone.
        QVERIFY(model.isShutDown());
        QCOMPARE(model.supervision().sidecarState(), SidecarState::exited(0));
        QVERIFY(m_fakes->proxyTool->calls().contains(QStringList{"-setwebproxystate", "Desktop", "off"}));
        QCOMPARE(m_fakes->proxyTool->calls().size(), proxyCallsBeforeQuit);
        // The test program is no installation of the user's: nothing went to the trash.
        QVERIFY(m_fakes->trashed.isEmpty());
    }

    // Only an installation that is the user's own goes to the trash, and of it exactly what its
    // install put there: the files its list names, the program's own folders whole when nothing
    // else lies in them.
    void theInstallationGoesToTheTrashOnlyWhenItIsTheUsers_data() {
        // Placed under the temporary root ("home/..." is in the home folder); "link->target" makes a link.
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("program");        // the running program
        QTest::addColumn<QStringList>("manifest");   // its install's list, beside it; "@" the root
        QTest::addColumn<Environment>("env");        // on top of the home and XDG folders, "@" the root
        QTest::addColumn<QStringList>("unwritable"); // folders whose owner may not write
        QTest::addColumn<QStringList>("toTrash");
        QTest::addColumn<QStringList>("staying");

        const QStringList installed{
            "lib/tarvine/",
            "share/tarvine/",
            "bin/tarvine",
            "lib/tarvine/libFernholmKit.so",
            "share/applications/com.orvendale.tarvine.desktop",
            "share/icons/hicolor/16x16/apps/com.orvendale.tarvine.png",
            "share/metainfo/com.orvendale.tarvine.metainfo.xml", // listed, but already gone
            "share/tarvine/Brand/mark.svg",
            "share/tarvine/installed-files",
        };
        const QStringList installedFiles{
            "bin/tarvine",
            "lib/tarvine/libFernholmKit.so",
            "share/applications/com.orvendale.tarvine.desktop",
            "share/icons/hicolor/16x16/apps/com.orvendale.tarvine.png",
            "share/tarvine/Brand/mark.svg",
        };
        const auto under = [](const QString& prefix, const QStringList& paths) {
            QStringList placed;
            for (const QString& path : paths) {
                placed << prefix + path;
            }
            return placed;
        };

        QTest::newRow("AppImage")
            << QStringList{"home/Applications/Tarvine.AppImage", "mount/usr/bin/tarvine"} << "mount/usr/bin/tarvine"
            << QStringList{} << Environment{{"APPIMAGE", "@/home/Applications/Tarvine.AppImage"}, {"APPDIR", "@/mount"}}
            << QStringList{} << QStringList{"home/Applications/Tarvine.AppImage"}
            << QStringList{"home/Applications", "mount/usr/bin/tarvine"};
        QTest::newRow("another program's AppImage, inherited")
            << QStringList{"home/Applications/Editor.AppImage", "home/.local/bin/tarvine",
                           "home/.local/share/tarvine/Fonts/a.ttf"}
            << "home/.local/bin/tarvine"
            << QStringList{"share/tarvine/", "bin/tarvine", "share/tarvine/Fonts/a.ttf",
                           "share/tarvine/installed-files"}
            << Environment{{"APPIMAGE", "@/home/Applications/Editor.AppImage"}, {"APPDIR", "@/editor-mount"}}
            << QStringList{} << QStringList{"home/.local/bin/tarvine", "home/.local/share/tarvine"}
            << QStringList{"home/Applications/Editor.AppImage", "home/.local/bin"};
        QTest::newRow("prefix install in the home folder")
            << under("home/.local/", installedFiles + QStringList{"bin/other-tool", "share/applications/other.desktop",
                                                                 "share/icons/hicolor/16x16/apps/other.png"})
            << "home/.local/bin/tarvine" << installed << Environment{} << QStringList{}
            << under("home/.local/", {"bin/tarvine", "lib/tarvine", "share/applications/com.orvendale.tarvine.desktop",
                                      "share/icons/hicolor/16x16/apps/com.orvendale.tarvine.png", "share/tarvine"})
            << under("home/.local/", {"bin/other-tool", "share/applications/other.desktop",
                                      "share/icons/hicolor/16x16/apps/other.png", "share/icons/hicolor/16x16/apps",
                                      "lib"});
        QTest::newRow("a file the user put into the program's folder stays")
            << under("home/.local/", installedFiles + QStringList{"share/tarvine/sidecar/sidecar"})
            << "home/.local/bin/tarvine" << installed << Environment{} << QStringList{}
            << under("home/.local/", {"bin/tarvine", "lib/tarvine", "share/applications/com.orvendale.tarvine.desktop",
                                      "share/icons/hicolor/16x16/apps/com.orvendale.tarvine.png",
                                      "share/tarvine/Brand/mark.svg", "share/tarvine/installed-files"})
            << under("home/.local/", {"share/tarvine/sidecar/sidecar"});
        QTest::newRow("list lines that lead out of the prefix")
            << QStringList{"home/.local/bin/tarvine", "home/victim", "victim", "outside/icons/x.png",
                           "home/.local/share/icons->../../../outside/icons"}
            << "home/.local/bin/tarvine"
            << QStringList{"bin/tarvine", "share/tarvine/installed-files", "../victim", "share/../../victim",
                           "@/victim", "share/icons/x.png", "share/icons/", "bin/./tarvine"}
            << Environment{} << QStringList{}
            << under("home/.local/", {"bin/tarvine", "share/tarvine/installed-files"})
            << QStringList{"home/victim", "victim", "outside/icons/x.png", "home/.local/share/icons"};
        QTest::newRow("prefix the user may not write")
            << under("home/opt/", installedFiles) << "home/opt/bin/tarvine" << installed << Environment{}
            << QStringList{"home/opt"} << QStringList{} << under("home/opt/", installedFiles);
        QTest::newRow("prefix outside the home folder")
            << under("usr/", installedFiles) << "usr/bin/tarvine" << installed << Environment{} << QStringList{}
            << QStringList{} << under("usr/", installedFiles);
        QTest::newRow("build tree")
            << QStringList{"home/src/tarvine/build/src/FernholmApp/tarvine", "home/src/tarvine/resources/x"}
            << "home/src/tarvine/build/src/FernholmApp/tarvine" << QStringList{} << Environment{} << QStringList{}
            << QStringList{} << QStringList{"home/src/tarvine/build/src/FernholmApp/tarvine"};
        QTest::newRow("program without its list")
            << under("home/.local/", installedFiles) << "home/.local/bin/tarvine" << QStringList{} << Environment{}
            << QStringList{} << QStringList{} << under("home/.local/", installedFiles);
        QTest::newRow("a list that does not name the program")
            << under("home/.local/", installedFiles) << "home/.local/bin/tarvine"
            << QStringList{"share/tarvine/", "share/tarvine/Brand/mark.svg", "share/tarvine/installed-files"}
            << Environment{} << QStringList{} << QStringList{} << under("home/.local/", installedFiles);
    }
    void theInstallationGoesToTheTrashOnlyWhenItIsTheUsers() {
        QFETCH(QStringList, files);
        QFETCH(QString, program);
        QFETCH(QStringList, manifest);
        QFETCH(Environment, env);
        QFETCH(QStringList, unwritable);
        QFETCH(QStringList, toTrash);
        QFETCH(QStringList, staying);
        for (const QString& file : files) {
            if (file.contains(QLatin1String("->"))) {
                const QString link = root(file.section(QLatin1String("->"), 0, 0));
                QVERIFY(QDir().mkpath(QFileInfo(link).absolutePath()));
                QVERIFY(QFile::link(file.section(QLatin1String("->"), 1), link));
            } else {
                QVERIFY(writeFile(root(file)));
            }
        }
        if (!manifest.isEmpty()) {
            const QString prefix = QFileInfo(QFileInfo(root(program)).absolutePath()).absolutePath();
            const QByteArray lines = manifest.join(u'\n').replace(u'@', m_root->path()).toUtf8() + '\n';
            QVERIFY(writeFile(QDir(prefix).filePath(InstallManifest::path), lines));
        }
        for (auto it = env.cbegin(); it != env.cend(); ++it) {
            m_env.insert(it.key(), QString(it.value()).replace(u'@', m_root->path()));
        }
        for (const QString& folder : unwritable) {
            QVERIFY(QFile::setPermissions(root(folder), QFile::ReadOwner | QFile::ExeOwner));
        }
        const auto writableAgain = qScopeGuard([&] {
            for (const QString& folder : unwritable) {
                QFile::setPermissions(root(folder), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
        });
        m_fakes->executablePath = root(program);

        AppModel& model = installed();
        uninstallAndWait(model);
        QCOMPARE(m_fakes->quits, 1);
        QStringList expected;
        for (const QString& item : toTrash) {
            expected << root(item);
        }
        QCOMPARE(m_fakes->trashed, expected);
        for (const QString& item : toTrash) {
            QVERIFY2(!exists(root(item)), qPrintable(item));
        }
        QCOMPARE(inTheTrash().size(), toTrash.size());
        for (const QString& item : staying) {
            QVERIFY2(exists(root(item)), qPrintable(item));
        }
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    AppShutdownTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appshutdown.moc"

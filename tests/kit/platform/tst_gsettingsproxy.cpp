// The desktop proxy tool against real GSettings, on the keyfile backend in a temporary
// configuration folder (set up in main, before GIO is first used).

#include "FernholmKit/supervision/SystemProxyCleaner.h"
#include "FernholmKit/platform/DesktopProxyTool.h"
#include "support/DesktopProxySettings.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

namespace {

// What another process reading the settings store sees.
QString readElsewhere(const QString& schema, const QString& key) {
    QProcess gsettings;
    gsettings.start(QStringLiteral("gsettings"), {QStringLiteral("get"), schema, key});
    if (!gsettings.waitForFinished() || gsettings.exitCode() != 0) {
        return QStringLiteral("(gsettings failed)");
    }
    return QString::fromUtf8(gsettings.readAllStandardOutput()).trimmed();
}

} // namespace

class GSettingsProxyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // Never the desktop's real settings.
        verifyDesktopProxyTestSetup();
    }

    void commands_data() {
        QTest::addColumn<DesktopProxy>("before");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<DesktopProxy>("after");
        using Answer = std::optional<QString>;
        const DesktopProxy clean;
        const DesktopProxy ours = DesktopProxy::manual(48080);

        QTest::newRow("list the one service")
            << clean << QStringList{"-listallnetworkservices"}
            << Answer("An asterisk (*) denotes that a network service is disabled.\nDesktop\n") << clean;
        QTest::newRow("web proxy, manual") << ours << QStringList{"-getwebproxy", "Desktop"}
                                           << Answer("Enabled: Yes\nServer: 127.0.0.1\nPort: 48080\n") << ours;
        DesktopProxy otherHttps = ours;
        otherHttps.httpsHost = "proxy.corp.example";
        otherHttps.httpsPort = 3128;
        QTest::newRow("secure web proxy, manual")
            << otherHttps << QStringList{"-getsecurewebproxy", "Desktop"}
            << Answer("Enabled: Yes\nServer: proxy.corp.example\nPort: 3128\n") << otherHttps;
        DesktopProxy notManual = ours;
        notManual.mode = "none";
        QTest::newRow("a host without manual mode is off")
            << notManual << QStringList{"-getwebproxy", "Desktop"}
            << Answer("Enabled: No\nServer: 127.0.0.1\nPort: 48080\n") << notManual;
        DesktopProxy noHost = ours;
        noHost.httpHost.clear();
        QTest::newRow("manual mode without a host is off") << noHost << QStringList{"-getwebproxy", "Desktop"}
                                                           << Answer("Enabled: No\nServer: \nPort: 48080\n") << noHost;

        DesktopProxy httpOff = ours;
        httpOff.httpHost.clear();
        QTest::newRow("switch off web, secure stays manual")
            << ours << QStringList{"-setwebproxystate", "Desktop", "off"} << Answer("") << httpOff;
        DesktopProxy bothOff = httpOff;
        bothOff.httpsHost.clear();
        bothOff.mode = "none";
        QTest::newRow("switch off the last host, mode none")
            << httpOff << QStringList{"-setsecurewebproxystate", "Desktop", "off"} << Answer("") << bothOff;
        DesktopProxy withSocks = httpOff;
        withSocks.socksHost = "socks.example";
        DesktopProxy socksLeft = withSocks;
        socksLeft.httpsHost.clear();
        QTest::newRow("another manual host keeps manual mode")
            << withSocks << QStringList{"-setsecurewebproxystate", "Desktop", "off"} << Answer("") << socksLeft;
        DesktopProxy automatic = notManual;
        automatic.mode = "auto";
        automatic.autoconfigUrl = "http://wpad.example/proxy.pac";
        DesktopProxy automaticCleared = automatic;
        automaticCleared.httpHost.clear();
        QTest::newRow("an automatic mode is left alone")
            << automatic << QStringList{"-setwebproxystate", "Desktop", "off"} << Answer("") << automaticCleared;
        QTest::newRow("switching on is not offered")
            << httpOff << QStringList{"-setwebproxystate", "Desktop", "on"} << Answer() << httpOff;

        DesktopProxy pac = clean;
        pac.mode = "auto";
        pac.autoconfigUrl = "http://wpad.example/proxy.pac";
        QTest::newRow("automatic configuration URL")
            << clean << QStringList{"-setautoproxyurl", "Desktop", "http://wpad.example/proxy.pac"} << Answer("")
            << pac;
        DesktopProxy discovery = clean;
        discovery.mode = "auto";
        QTest::newRow("automatic discovery on")
            << clean << QStringList{"-setproxyautodiscovery", "Desktop", "on"} << Answer("") << discovery;
        QTest::newRow("automatic discovery off is not offered")
            << ours << QStringList{"-setproxyautodiscovery", "Desktop", "off"} << Answer() << ours;

        QTest::newRow("bypass domains") << clean << QStringList{"-getproxybypassdomains", "Desktop"}
                                        << Answer("localhost\n127.0.0.0/8\n::1\n") << clean;
        DesktopProxy noBypass = clean;
        noBypass.ignoreHosts.clear();
        QTest::newRow("no bypass domains") << noBypass << QStringList{"-getproxybypassdomains", "Desktop"}
                                           << Answer("There aren't any bypass domains set on Desktop.\n") << noBypass;
        DesktopProxy bypassSet = clean;
        bypassSet.ignoreHosts = QStringList{"*.corp.example", "10.0.0.0/8"};
        QTest::newRow("set bypass domains")
            << clean << QStringList{"-setproxybypassdomains", "Desktop", "*.corp.example", "10.0.0.0/8"} << Answer("")
            << bypassSet;

        QTest::newRow("another service") << ours << QStringList{"-setwebproxystate", "Wi-Fi", "off"} << Answer()
                                         << ours;
        QTest::newRow("another verb") << ours << QStringList{"-getinfo", "Desktop"} << Answer() << ours;
        QTest::newRow("no service") << ours << QStringList{"-getwebproxy"} << Answer() << ours;
        QTest::newRow("no arguments") << ours << QStringList{} << Answer() << ours;
        QTest::newRow("listing with arguments")
            << ours << QStringList{"-listallnetworkservices", "Desktop"} << Answer() << ours;
    }
    void commands() {
        QFETCH(DesktopProxy, before);
        QFETCH(QStringList, arguments);
        QFETCH(std::optional<QString>, answer);
        QFETCH(DesktopProxy, after);
        storeDesktopProxy(before);
        QCOMPARE(loadDesktopProxy(), before);
        QCOMPARE(DesktopProxyTool()(arguments), answer);
        QCOMPARE(loadDesktopProxy(), after);
    }

    // The cleaner with the platform's own tool, from the thread pool, as the watch and the
    // shutdown run it.
    void clearDesktop_data() {
        QTest::addColumn<DesktopProxy>("before");
        QTest::addColumn<QByteArray>("parked"); // empty: no parked file
        QTest::addColumn<QList<QStringList>>("ran");
        QTest::addColumn<DesktopProxy>("after");

        DesktopProxy off;
        off.httpPort = off.httpsPort = 48080;
        QTest::newRow("both ours, nothing parked") << DesktopProxy::manual(48080) << QByteArray()
                                                   << QList<QStringList>{{"-setwebproxystate", "Desktop", "off"},
                                                                         {"-setsecurewebproxystate", "Desktop", "off"}}
                                                   << off;

        DesktopProxy restored = off;
        restored.mode = "auto";
        restored.autoconfigUrl = "http://wpad.example/proxy.pac";
        restored.ignoreHosts = defaultIgnoreHosts + QStringList{"*.corp.example"};
        QTest::newRow("both ours, automatic settings parked")
            << DesktopProxy::manual(48080)
            << QByteArray("{\"Desktop\":{\"pac_url\":\"http://wpad.example/proxy.pac\","
                          "\"exceptions\":[\"localhost\",\"*.corp.example\"]}}")
            << QList<QStringList>{{"-setwebproxystate", "Desktop", "off"},
                                  {"-setsecurewebproxystate", "Desktop", "off"}}
            << restored;

        DesktopProxy someoneElses = DesktopProxy::manual(48080);
        someoneElses.httpsHost = "proxy.corp.example";
        DesktopProxy someoneElsesLeft = someoneElses;
        someoneElsesLeft.httpHost.clear();
        QTest::newRow("a proxy that is not ours stays")
            << someoneElses << QByteArray() << QList<QStringList>{{"-setwebproxystate", "Desktop", "off"}}
            << someoneElsesLeft;
    }
    void clearDesktop() {
        QFETCH(DesktopProxy, before);
        QFETCH(QByteArray, parked);
        QFETCH(QList<QStringList>, ran);
        QFETCH(DesktopProxy, after);
        storeDesktopProxy(before);

        QTemporaryDir folder;
        std::optional<QString> parkedPath;
        if (!parked.isEmpty()) {
            parkedPath = folder.filePath(QStringLiteral("_proxy_parked.json"));
            QFile file(*parkedPath);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(parked);
        }

        const auto result =
            QCoro::waitFor(SystemProxyCleaner::clearAsync(QStringLiteral("Desktop"), 48080, parkedPath));
        QCOMPARE(result, (SystemProxyCleaner::Result{ran, {}}));
        QCOMPARE(loadDesktopProxy(), after);
        QCOMPARE(readElsewhere("org.gnome.system.proxy", "mode"), "'" + after.mode + "'");
        QCOMPARE(readElsewhere("org.gnome.system.proxy.http", "host"), "'" + after.httpHost + "'");
        if (parkedPath) {
            QVERIFY(!QFile::exists(*parkedPath));
        }
    }

    void desktopWithoutTheProxySchema() {
        QTemporaryDir noSchemas;
        const DesktopProxyTool tool(noSchemas.path());
        QCOMPARE(tool({"-listallnetworkservices"}),
                 std::optional<QString>("An asterisk (*) denotes that a network service is disabled.\n"));
        QCOMPARE(tool({"-getwebproxy", "Desktop"}), std::optional<QString>());
        QCOMPARE(tool({"-setautoproxyurl", "Desktop", "http://wpad.example/proxy.pac"}), std::optional<QString>());
        // Nothing of ours can be set there (and the gateway reports no service), so nothing to clear.
        const auto result = SystemProxyCleaner::clear(std::nullopt, 48080, std::nullopt, tool);
        QCOMPARE(result, SystemProxyCleaner::Result{});
        QVERIFY(result.ok());
    }
};

int main(int argc, char** argv) {
    return fernholm::test::runWithKeyfileSettings<GSettingsProxyTest>(argc, argv);
}

#include "tst_gsettingsproxy.moc"

// The system proxy cleaner end to end on the settings backend the desktop and the browsers read:
// dconf, whose writes travel to its daemon on the session bus. Runs on a private bus in a home
// folder of its own (with-secret-service.sh --keyring none) with GSETTINGS_BACKEND=dconf. Each
// step is a process of its own: gsettings sets the proxies the gateway would have set, the
// cleaner runs and ends, and only then does gsettings read what it left.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs a program to its end; its standard output, or nothing when it failed.
std::optional<QString> run(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(20'000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (exitCode) {
        *exitCode = process.exitCode();
    } else if (process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool set(const QString& schema, const QString& key, const QString& value) {
    return run(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, value}).has_value();
}

QString get(const QString& schema, const QString& key) {
    return run(QStringLiteral("gsettings"), {QStringLiteral("get"), schema, key}).value_or("(gsettings failed)");
}

const QString proxy = QStringLiteral("org.gnome.system.proxy");
const QString http = QStringLiteral("org.gnome.system.proxy.http");
const QString https = QStringLiteral("org.gnome.system.proxy.https");

} // namespace

class DconfProxyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(qEnvironmentVariable("FERNHOLM_PRIVATE_BUS") == QLatin1String("1"),
                 "run through tests/support/with-secret-service.sh --keyring none (ctest does)");
        QCOMPARE(qEnvironmentVariable("GSETTINGS_BACKEND"), QStringLiteral("dconf"));
        // The proxy schema and the dconf backend: without either, gsettings cannot write here.
        QVERIFY2(set(proxy, "use-same-proxy", "false"), "gsettings cannot write the proxy settings");
        QVERIFY2(QFileInfo::exists(qEnvironmentVariable("XDG_CONFIG_HOME") + "/dconf/user"),
                 "the settings did not reach dconf (dconf-gsettings-backend, dconf-service)");
        QVERIFY(!QFileInfo::exists(qEnvironmentVariable("XDG_CONFIG_HOME") + "/glib-2.0/settings/keyfile"));
    }

    void clearsTheGatewaysProxiesAndPutsTheParkedOnesBack() {
        QVERIFY(set(proxy, "mode", "'manual'"));
        for (const QString& kind : {http, https}) {
            QVERIFY(set(kind, "host", "'127.0.0.1'"));
            QVERIFY(set(kind, "port", "48081"));
        }
        QVERIFY(set(proxy, "ignore-hosts", "['localhost', '*.corp.example']"));

        QTemporaryDir folder;
        QFile parked(folder.filePath("_proxy_parked.json"));
        QVERIFY(parked.open(QIODevice::WriteOnly));
        parked.write("{\"Desktop\": {\"pac_url\": \"http://wpad.corp.example/proxy.pac\"}}");
        parked.close();

        int exitCode = -1;
        const auto output = run(QStringLiteral(FERNHOLM_CLEAR_PROXY), {"48081", parked.fileName()}, &exitCode);
        QVERIFY(output);
        QCOMPARE(exitCode, 0);
        const QJsonObject result = QJsonDocument::fromJson(output->toUtf8()).object();
        QCOMPARE(result.value("stillOurs").toArray(), QJsonArray());
        QCOMPARE(result.value("ran").toArray().size(), 2);
        QVERIFY(!parked.exists()); // restored whole

        // Read back by another process, after the cleaner's has ended.
        QCOMPARE(get(http, "host"), QStringLiteral("''"));
        QCOMPARE(get(https, "host"), QStringLiteral("''"));
        QCOMPARE(get(proxy, "mode"), QStringLiteral("'auto'"));
        QCOMPARE(get(proxy, "autoconfig-url"), QStringLiteral("'http://wpad.corp.example/proxy.pac'"));
        QCOMPARE(get(http, "port"), QStringLiteral("48081"));
        QCOMPARE(get(proxy, "ignore-hosts"), QStringLiteral("['localhost', '*.corp.example']"));
    }
};

QTEST_GUILESS_MAIN(DconfProxyTest)
#include "tst_dconfproxy.moc"

#pragma once

// The desktop's proxy settings as GSettings holds them, for tests that run on the keyfile backend
// in a temporary configuration folder (XDG_CONFIG_HOME and GSETTINGS_BACKEND=keyfile, set before
// GIO is first used).

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <gio/gio.h>
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gsettingsbackend.h>

#include <memory>
#include <vector>

namespace fernholm::test {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using GSettingsPtr = std::unique_ptr<GSettings, GObjectUnref>;
using GSettingsBackendPtr = std::unique_ptr<GSettingsBackend, GObjectUnref>;

inline const QStringList defaultIgnoreHosts{"localhost", "127.0.0.0/8", "::1"};

// The keys the desktop proxy tool reads and writes.
struct DesktopProxy {
    QString mode = QStringLiteral("none");
    QString httpHost;
    int httpPort = 8080;
    QString httpsHost;
    int httpsPort = 8080;
    QString socksHost;
    QString autoconfigUrl;
    QStringList ignoreHosts = defaultIgnoreHosts;

    bool operator==(const DesktopProxy&) const = default;

    // Web and secure web proxy set by hand to 127.0.0.1 on this port, as the gateway sets them.
    static DesktopProxy manual(int port) {
        DesktopProxy proxy;
        proxy.mode = QStringLiteral("manual");
        proxy.httpHost = proxy.httpsHost = QStringLiteral("127.0.0.1");
        proxy.httpPort = proxy.httpsPort = port;
        return proxy;
    }
};

// The store as any process sees it now. The process-wide backend would only notice another
// writer's changes once its file monitor had had a turn in the event loop.
inline GSettingsBackendPtr freshKeyfileBackend() {
    const QByteArray path = QFile::encodeName(qEnvironmentVariable("XDG_CONFIG_HOME") + "/glib-2.0/settings/keyfile");
    return GSettingsBackendPtr(g_keyfile_settings_backend_new(path.constData(), "/", nullptr));
}

namespace desktopproxy {

inline GSettingsPtr open(const GSettingsBackendPtr& backend, const char* id) {
    return GSettingsPtr(g_settings_new_with_backend(id, backend.get()));
}

inline QString readString(GSettings* settings, const char* key) {
    gchar* value = g_settings_get_string(settings, key);
    const QString text = QString::fromUtf8(value);
    g_free(value);
    return text;
}

inline void writeString(GSettings* settings, const char* key, const QString& value) {
    QVERIFY(g_settings_set_string(settings, key, value.toUtf8().constData()));
}

} // namespace desktopproxy

inline void storeDesktopProxy(const DesktopProxy& proxy) {
    using namespace desktopproxy;
    const GSettingsBackendPtr backend = freshKeyfileBackend();
    const GSettingsPtr root = open(backend, "org.gnome.system.proxy");
    const GSettingsPtr http = open(backend, "org.gnome.system.proxy.http");
    const GSettingsPtr https = open(backend, "org.gnome.system.proxy.https");
    const GSettingsPtr socks = open(backend, "org.gnome.system.proxy.socks");
    writeString(root.get(), "mode", proxy.mode);
    writeString(root.get(), "autoconfig-url", proxy.autoconfigUrl);
    writeString(http.get(), "host", proxy.httpHost);
    writeString(https.get(), "host", proxy.httpsHost);
    writeString(socks.get(), "host", proxy.socksHost);
    QVERIFY(g_settings_set_int(http.get(), "port", proxy.httpPort));
    QVERIFY(g_settings_set_int(https.get(), "port", proxy.httpsPort));
    std::vector<QByteArray> hosts;
    for (const QString& host : proxy.ignoreHosts) {
        hosts.push_back(host.toUtf8());
    }
    std::vector<const gchar*> list;
    for (const QByteArray& host : hosts) {
        list.push_back(host.constData());
    }
    list.push_back(nullptr);
    QVERIFY(g_settings_set_strv(root.get(), "ignore-hosts", list.data()));
}

inline DesktopProxy loadDesktopProxy() {
    using namespace desktopproxy;
    const GSettingsBackendPtr backend = freshKeyfileBackend();
    const GSettingsPtr root = open(backend, "org.gnome.system.proxy");
    const GSettingsPtr http = open(backend, "org.gnome.system.proxy.http");
    const GSettingsPtr https = open(backend, "org.gnome.system.proxy.https");
    const GSettingsPtr socks = open(backend, "org.gnome.system.proxy.socks");
    DesktopProxy proxy;
    proxy.mode = readString(root.get(), "mode");
    proxy.autoconfigUrl = readString(root.get(), "autoconfig-url");
    proxy.httpHost = readString(http.get(), "host");
    proxy.httpsHost = readString(https.get(), "host");
    proxy.socksHost = readString(socks.get(), "host");
    proxy.httpPort = g_settings_get_int(http.get(), "port");
    proxy.httpsPort = g_settings_get_int(https.get(), "port");
    proxy.ignoreHosts.clear();
    gchar** hosts = g_settings_get_strv(root.get(), "ignore-hosts");
    for (gchar** host = hosts; *host; ++host) {
        proxy.ignoreHosts.append(QString::fromUtf8(*host));
    }
    g_strfreev(hosts);
    return proxy;
}

// Fails unless the desktop settings are the test's own keyfile and the proxy schema is installed.
inline void verifyDesktopProxyTestSetup() {
    const GSettingsBackendPtr shared(g_settings_backend_get_default());
    QCOMPARE(G_OBJECT_TYPE_NAME(shared.get()), "GKeyfileSettingsBackend");
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.system.proxy", TRUE) : nullptr;
    if (!schema) {
        QFAIL("The schema org.gnome.system.proxy is not installed (gsettings-desktop-schemas).");
    }
    g_settings_schema_unref(schema);
}

// A test's main: the desktop's proxy settings live in a temporary configuration folder on the
// keyfile backend for the whole run, so the tests never touch the real desktop's.
template <typename Test> int runWithKeyfileSettings(int argc, char** argv) {
    QTemporaryDir config;
    if (!config.isValid()) {
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qputenv("GSETTINGS_BACKEND", "keyfile");
    QCoreApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace fernholm::test

namespace QTest {
template <> inline char* toString(const fernholm::test::DesktopProxy& p) {
    return qstrdup(QStringLiteral("mode %1, http %2:%3, https %4:%5, socks %6, autoconfig %7, ignore [%8]")
                       .arg(p.mode, p.httpHost)
                       .arg(p.httpPort)
                       .arg(p.httpsHost)
                       .arg(p.httpsPort)
                       .arg(p.socksHost, p.autoconfigUrl, p.ignoreHosts.join(QStringLiteral(", ")))
                       .toUtf8()
                       .constData());
}
} // namespace QTest

#include "FernholmKit/platform/DesktopProxyTool.h"

#include <gio/gio.h>
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gsettingsbackend.h>

#include <QFile>

#include <memory>
#include <vector>

namespace fernholm {

namespace {

const char* const rootSchema = "org.gnome.system.proxy";

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Settings = std::unique_ptr<GSettings, ObjectUnref>;
using Backend = std::unique_ptr<GSettingsBackend, ObjectUnref>;

struct SourceUnref {
    void operator()(GSettingsSchemaSource* source) const { g_settings_schema_source_unref(source); }
};
using SchemaSource = std::unique_ptr<GSettingsSchemaSource, SourceUnref>;

// GSettings delivers its change notifications to the thread-default main context of the thread
// that made the object. On a pool thread that would be the GUI thread's context, which would then
// run them for objects this call has long let go of. Each call therefore gets a context of its
// own, drained and dropped when the call ends.
class OwnContext {
public:
    OwnContext() : m_context(g_main_context_new()) { g_main_context_push_thread_default(m_context); }
    ~OwnContext() {
        while (g_main_context_iteration(m_context, FALSE)) {
        }
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }
    OwnContext(const OwnContext&) = delete;
    OwnContext& operator=(const OwnContext&) = delete;

private:
    GMainContext* m_context;
};

SchemaSource openSource(const QString& directory) {
    if (directory.isEmpty()) {
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        return SchemaSource(source ? g_settings_schema_source_ref(source) : nullptr);
    }
    GError* error = nullptr;
    GSettingsSchemaSource* source =
        g_settings_schema_source_new_from_directory(QFile::encodeName(directory).constData(), nullptr, FALSE, &error);
    if (error) {
        g_error_free(error);
    }
    return SchemaSource(source);
}

// Settings of one schema, or null when the schema is not installed (g_settings_new would abort).
Settings openSettings(GSettingsSchemaSource* source, GSettingsBackend* backend, const char* id) {
    if (!source) {
        return {};
    }
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
    if (!schema) {
        return {};
    }
    Settings settings(g_settings_new_full(schema, backend, nullptr));
    g_settings_schema_unref(schema);
    return settings;
}

QString readString(GSettings* settings, const char* key) {
    gchar* value = g_settings_get_string(settings, key);
    QString text = QString::fromUtf8(value);
    g_free(value);
    return text;
}

bool writeString(GSettings* settings, const char* key, const QString& value) {
    return g_settings_set_string(settings, key, value.toUtf8().constData());
}

struct ProxySettings {
    Settings root;
    Settings http;
    Settings https;
    Settings ftp;
    Settings socks;

    bool anyManualHost() const {
        for (const Settings* child : {&http, &https, &ftp, &socks}) {
            if (*child && !readString(child->get(), "host").isEmpty()) {
                return true;
            }
        }
        return false;
    }
};

std::optional<QString> readProxy(const ProxySettings& proxy, GSettings* kind) {
    if (!kind) {
        return std::nullopt;
    }
    const QString host = readString(kind, "host");
    const bool enabled = readString(proxy.root.get(), "mode") == QLatin1String("manual") && !host.isEmpty();
    // Put together piece by piece: a host is free text and must not be scanned for placeholders.
    return QStringLiteral("Enabled: ") + (enabled ? QStringLiteral("Yes") : QStringLiteral("No")) +
           QStringLiteral("\nServer: ") + host + QStringLiteral("\nPort: ") +
           QString::number(g_settings_get_int(kind, "port")) + QLatin1Char('\n');
}

std::optional<QString> switchOff(const ProxySettings& proxy, GSettings* kind) {
    if (!kind || !writeString(kind, "host", QString())) {
        return std::nullopt;
    }
    // Only a manual mode is ours to end; an automatic configuration stays as the user set it.
    if (readString(proxy.root.get(), "mode") == QLatin1String("manual") && !proxy.anyManualHost() &&
        !writeString(proxy.root.get(), "mode", QStringLiteral("none"))) {
        return std::nullopt;
    }
    return QString();
}

std::optional<QString> answer(const ProxySettings& proxy, const QStringList& arguments) {
    const QString& verb = arguments.at(0);
    const qsizetype count = arguments.size();
    GSettings* root = proxy.root.get();

    if (verb == QLatin1String("-getwebproxy") && count == 2) {
        return readProxy(proxy, proxy.http.get());
    }
    if (verb == QLatin1String("-getsecurewebproxy") && count == 2) {
        return readProxy(proxy, proxy.https.get());
    }
    if (verb == QLatin1String("-setwebproxystate") && count == 3 && arguments.at(2) == QLatin1String("off")) {
        return switchOff(proxy, proxy.http.get());
    }
    if (verb == QLatin1String("-setsecurewebproxystate") && count == 3 && arguments.at(2) == QLatin1String("off")) {
        return switchOff(proxy, proxy.https.get());
    }
    if (verb == QLatin1String("-setautoproxyurl") && count == 3) {
        if (!writeString(root, "autoconfig-url", arguments.at(2)) ||
            !writeString(root, "mode", QStringLiteral("auto"))) {
            return std::nullopt;
        }
        return QString();
    }
    if (verb == QLatin1String("-setproxyautodiscovery") && count == 3 && arguments.at(2) == QLatin1String("on")) {
        if (!writeString(root, "mode", QStringLiteral("auto"))) {
            return std::nullopt;
        }
        return QString();
    }
    if (verb == QLatin1String("-getproxybypassdomains") && count == 2) {
        gchar** hosts = g_settings_get_strv(root, "ignore-hosts");
        QString text;
        for (gchar** host = hosts; *host; ++host) {
            text += QString::fromUtf8(*host) + QLatin1Char('\n');
        }
        g_strfreev(hosts);
        if (text.isEmpty()) {
            text = QStringLiteral("There aren't any bypass domains set on ") + DesktopProxyTool::service +
                   QStringLiteral(".\n");
        }
        return text;
    }
    if (verb == QLatin1String("-setproxybypassdomains") && count >= 3) {
        QList<QByteArray> hosts;
        for (qsizetype i = 2; i < count; ++i) {
            hosts.append(arguments.at(i).toUtf8());
        }
        std::vector<const gchar*> list;
        for (const QByteArray& host : hosts) {
            list.push_back(host.constData());
        }
        list.push_back(nullptr);
        if (!g_settings_set_strv(root, "ignore-hosts", list.data())) {
            return std::nullopt;
        }
        return QString();
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> DesktopProxyTool::operator()(const QStringList& arguments) const {
    if (arguments.isEmpty()) {
        return std::nullopt;
    }

    // The process-wide backend watches its store from the context it is made in; make it (once)
    // before this call's own context is pushed, so that it keeps one that lives.
    const Backend shared(g_settings_backend_get_default());
    const bool keyfile = g_strcmp0(G_OBJECT_TYPE_NAME(shared.get()), "GKeyfileSettingsBackend") == 0;

    const OwnContext context;
    // GLib's keyfile backend (the default where dconf is missing) keeps the file in memory and
    // reloads it on change events run by the thread that made it. That reload reads and compares
    // outside the backend's lock, so it can put an older file back over writes made meanwhile
    // from this thread; and until it runs, what another process (the gateway) wrote stays unseen.
    // A keyfile backend of this call's own reads the file afresh and is touched by this thread only.
    Backend backend;
    if (keyfile) {
        gchar* path = g_build_filename(g_get_user_config_dir(), "glib-2.0", "settings", "keyfile", nullptr);
        backend.reset(g_keyfile_settings_backend_new(path, "/", nullptr));
        g_free(path);
    } else {
        backend.reset(G_SETTINGS_BACKEND(g_object_ref(shared.get())));
    }

    const SchemaSource source = openSource(m_schemaDirectory);
    ProxySettings proxy;
    proxy.root = openSettings(source.get(), backend.get(), rootSchema);

    if (arguments.at(0) == QLatin1String("-listallnetworkservices")) {
        if (arguments.size() != 1) {
            return std::nullopt;
        }
        return header + QLatin1Char('\n') + (proxy.root ? service + QLatin1Char('\n') : QString());
    }
    if (!proxy.root || arguments.size() < 2 || arguments.at(1) != service) {
        return std::nullopt;
    }
    proxy.http = openSettings(source.get(), backend.get(), "org.gnome.system.proxy.http");
    proxy.https = openSettings(source.get(), backend.get(), "org.gnome.system.proxy.https");
    proxy.ftp = openSettings(source.get(), backend.get(), "org.gnome.system.proxy.ftp");
    proxy.socks = openSettings(source.get(), backend.get(), "org.gnome.system.proxy.socks");

    std::optional<QString> reply = answer(proxy, arguments);
    // A write may still be on its way to the settings daemon; whoever reads next must see it.
    g_settings_sync();
    return reply;
}

} // namespace fernholm

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

// The system proxy tool of this platform. It speaks the argument lists and output formats of the
// proxy tool the cleaner was written against, answered from the desktop's proxy settings
// (GSettings "org.gnome.system.proxy", which GNOME and the browsers that follow the system proxy
// read), and presents them as one network service, "Desktop":
//
//   -listallnetworkservices                 the header line, then "Desktop" (only the header
//                                           when the proxy schema is not installed)
//   -getwebproxy | -getsecurewebproxy S     "Enabled: Yes|No", "Server: host", "Port: port" of
//                                           the http | https proxy; Yes when the mode is
//                                           "manual" and the host is not empty
//   -setwebproxystate | -setsecurewebproxystate S off
//                                           clears that host; a manual mode with no host left
//                                           becomes "none"
//   -setautoproxyurl S url                  "autoconfig-url" = url, mode "auto"
//   -setproxyautodiscovery S on             mode "auto"
//   -getproxybypassdomains S                "ignore-hosts", one a line, or a sentence when empty
//   -setproxybypassdomains S d1 d2 ...      "ignore-hosts" = the list
//
// A set command answers the empty text. Any other service, verb or argument count, a missing
// schema or a refused write answers nothing, as a failed tool run would.
//
// Blocking; safe to call from any thread, each call on its own GLib main context, so it can run
// on the thread pool.
class DesktopProxyTool {
public:
    static inline const QString service = QStringLiteral("Desktop");
    static inline const QString header = QStringLiteral("An asterisk (*) denotes that a network service is disabled.");

    // The installed schemas.
    DesktopProxyTool() = default;
    // Schemas from this folder only (compiled with glib-compile-schemas); lets tests see a
    // desktop without the proxy schema.
    explicit DesktopProxyTool(QString schemaDirectory) : m_schemaDirectory(std::move(schemaDirectory)) {}

    std::optional<QString> operator()(const QStringList& arguments) const;

private:
    QString m_schemaDirectory;
};

} // namespace fernholm

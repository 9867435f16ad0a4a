#pragma once

// Sentences about the browsers, profiles and apps whose traffic bypasses the gateway: alert and
// notification texts, private-window notes, app notices and the setup page's browsers card.

#include "FernholmKit/control/Models.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace fernholm {

struct NoticeText {
    QString title;
    QString body;

    bool operator==(const NoticeText&) const = default;
};

// One bypassing browser profile.
struct BrowserNotice {
    QString id;
    QString title;
    QString body;

    bool operator==(const BrowserNotice&) const = default;
};

struct BypassNotices {
    QList<BrowserNotice> notices;
    std::optional<QString> more; // a line for the notices left out

    static const BypassNotices none;

    bool operator==(const BypassNotices&) const = default;
};

// One note on a browser's private windows.
struct BrowserNote {
    QString id;
    QString text;

    bool operator==(const BrowserNote&) const = default;
};

// An app that cannot work behind the gateway.
struct AppNotice {
    QString id;
    QString title;
    QString body;
    QString linkTitle;
    std::optional<QUrl> link; // only a usable https address

    bool operator==(const AppNotice&) const = default;
};

// One line of the setup page's browsers card.
struct BrowserSetupRow {
    QString id;
    QString kind;
    QString text;

    bool operator==(const BrowserSetupRow&) const = default;
};

NoticeText bypassText(const BrowserFinding& finding, bool includeProfile);
// Notifications never name the profile.
NoticeText bypassNotificationText(const BrowserFinding& finding);
BrowserNotice bypassNotice(const BrowserFinding& finding);
// Empty unless some browser bypasses the proxy; from four notices on only two are kept and the
// rest are summed up in `more`.
BypassNotices bypassNotices(const std::optional<Status>& status);
QList<BrowserNote> privateWindowNotes(const std::optional<Status>& status);

NoticeText unsupportedAppText(const BrowserFinding& finding);
AppNotice unsupportedAppNotice(const BrowserFinding& finding);
QList<AppNotice> unsupportedAppNotices(const std::optional<Status>& status);

BrowserSetupRow browserSetupRow(const BrowserFinding& finding);
// Nothing when the gateway sent no list of findings (differs from an empty list).
std::optional<QList<BrowserSetupRow>> browserSetupRows(const std::optional<Status>& status);

// Fixed captions of the browsers card.
QString browsersCardTitle();
QString browsersAllClearText();
QString browsersCheckedPill();
QString browsersCardCaption();

QString modeLabel(const std::optional<QString>& mode);
QString extensionLabel(const BrowserExtension& extension);
QString extensionsPhrase(const QList<BrowserExtension>& extensions);

} // namespace fernholm

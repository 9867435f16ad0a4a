#include "FernholmKit/presentation/BrowserNotices.h"

#include "FernholmKit/text/Graphemes.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmKit/presentation/ViewState.h"

namespace fernholm {

const BypassNotices BypassNotices::none{};

namespace {

const QString kFirefox = QStringLiteral("firefox");
const QString kOnRequest = QStringLiteral("on_request");

// "A", "A and B", "A, B and C".
QString labelList(const QList<BrowserExtension>& extensions) {
    QStringList labels;
    for (const BrowserExtension& extension : extensions) {
        labels.append(extensionLabel(extension));
    }
    return joinList(labels);
}

QString pronoun(qsizetype extensionCount) {
    return extensionCount < 2 ? tr("it") : tr("them");
}

QString browserName(const BrowserFinding& finding) {
    return finding.browser ? *finding.browser : tr("Your browser");
}

// The values every sentence about one finding is filled from.
TrArgs findingArgs(const BrowserFinding& finding, bool includeProfile) {
    const QString browser = browserName(finding);
    const QString profileSuffix = includeProfile && finding.profile
                                      ? tr(" (profile {name})", {{QStringLiteral("name"), *finding.profile}})
                                      : QString();
    const QString phrase = extensionsPhrase(finding.extensions);
    const qsizetype count = finding.extensions.size();
    TrArgs args;
    args.insert(QStringLiteral("B"), browser);
    // The name inside a sentence, for a language that writes "your browser" lower-case there.
    args.insert(QStringLiteral("Bmid"), finding.browser ? *finding.browser : trIn("mid-sentence", "Your browser"));
    args.insert(QStringLiteral("PC"), profileSuffix);
    args.insert(QStringLiteral("name"), browser + profileSuffix);
    args.insert(QStringLiteral("Bgen"), finding.browser
                                            ? tr("of the browser {name}", {{QStringLiteral("name"), *finding.browser}})
                                            : tr("of your browser"));
    args.insert(QStringLiteral("M"), finding.manage ? *finding.manage : tr("the browser's extension settings"));
    args.insert(QStringLiteral("E"), phrase);
    args.insert(QStringLiteral("Ecap"), graphemes::capitalizedFirst(phrase));
    args.insert(QStringLiteral("verb"), L10n::plural(count < 2 ? 1 : count, "overrides", "override"));
    args.insert(QStringLiteral("pron"), pronoun(count));
    args.insert(QStringLiteral("vpn"), tr("A VPN app (system-wide) works normally."));
    return args;
}

// What makes a Firefox profile bypass the proxy.
struct FirefoxCauses {
    std::optional<QString> setBy;              // "settings" or "user_js"
    std::optional<BrowserExtension> overrider; // an add-on that takes the proxy over for good
    QList<BrowserExtension> onRequest;         // add-ons that may route traffic on request

    explicit FirefoxCauses(const BrowserFinding& finding) {
        if (finding.setBy == QStringLiteral("settings") || finding.setBy == QStringLiteral("user_js")) {
            setBy = finding.setBy;
        }
        for (const BrowserExtension& extension : finding.extensions) {
            if (extension.mode == kOnRequest) {
                onRequest.append(extension);
            } else if (!overrider) {
                overrider = extension;
            }
        }
    }

    bool any() const { return setBy || overrider || !onRequest.isEmpty(); }
    // A cause that certainly bypasses the proxy, as opposed to add-ons that only may.
    bool certain() const { return setBy || overrider; }

    // The counted add-on clause, filled with the finding's arguments.
    QString onRequestClause(TrArgs args) const {
        args.insert(QStringLiteral("list"), labelList(onRequest));
        return L10n::plural(onRequest.size(), "the add-on {list} can route {B}'s traffic through its own proxy",
                            "the add-ons {list} can route {B}'s traffic through their own proxies", args);
    }
};

enum class BypassCause { byExtensions, byFirefox, undetermined };

BypassCause bypassCause(const BrowserFinding& finding) {
    if (finding.family == kFirefox) {
        return FirefoxCauses(finding).any() ? BypassCause::byFirefox : BypassCause::undetermined;
    }
    return finding.extensions.isEmpty() ? BypassCause::undetermined : BypassCause::byExtensions;
}

NoticeText firefoxNotice(const FirefoxCauses& causes, TrArgs args) {
    QStringList sentences;
    QString fix;
    if (causes.setBy == QStringLiteral("settings")) {
        sentences.append(tr("its own connection settings bypass the system proxy"));
        fix = tr("In Firefox Settings → Network Settings, choose “Use system proxy settings”");
    } else if (causes.setBy == QStringLiteral("user_js")) {
        sentences.append(tr("a user.js file in its profile folder sets its own proxy"));
        fix = tr(
            "Remove the network.proxy lines from user.js, restart Firefox, then choose “Use system proxy settings” in Firefox Settings → Network Settings");
    }
    if (causes.overrider) {
        sentences.append(
            tr("the add-on {name} overrides its proxy", {{QStringLiteral("name"), extensionLabel(*causes.overrider)}}));
    }
    if (!causes.onRequest.isEmpty()) {
        sentences.append(causes.onRequestClause(args));
    }
    const qsizetype addOns = causes.onRequest.size() + (causes.overrider ? 1 : 0);
    if (addOns > 0) {
        if (fix.isEmpty()) {
            fix =
                L10n::plural(addOns, "Disable or remove it in about:addons", "Disable or remove them in about:addons");
        } else {
            fix += L10n::plural(addOns, ", and disable or remove it in about:addons",
                                ", and disable or remove them in about:addons");
        }
    }
    args.insert(QStringLiteral("state"), causes.certain() ? tr("is not protected") : tr("may not be protected"));
    args.insert(QStringLiteral("causes"), joinList(sentences, ListJoin::clauses));
    args.insert(QStringLiteral("actions"), fix);
    NoticeText text;
    text.title = causes.certain() ? tr("{B} isn't protected", args) : tr("{B} may not be protected", args);
    text.body = tr("{name} {state}: {causes}. {actions} to use Tarvine. {vpn}", args);
    return text;
}

QString firefoxBypassRow(const BrowserFinding& finding, const FirefoxCauses& causes, TrArgs args) {
    QStringList sentences;
    const QString findingMode = modeLabel(finding.mode);
    if (causes.setBy == QStringLiteral("settings")) {
        sentences.append(tr("its own proxy settings ({mode})", {{QStringLiteral("mode"), findingMode}}));
    } else if (causes.setBy == QStringLiteral("user_js")) {
        sentences.append(tr("user.js sets its own proxy ({mode})", {{QStringLiteral("mode"), findingMode}}));
    }
    if (causes.overrider) {
        sentences.append(tr("the add-on {name} overrides its proxy ({mode})",
                            {{QStringLiteral("name"), extensionLabel(*causes.overrider)},
                             {QStringLiteral("mode"), modeLabel(causes.overrider->mode)}}));
    }
    if (!causes.onRequest.isEmpty()) {
        sentences.append(causes.onRequestClause(args));
    }
    args.insert(QStringLiteral("status"), causes.certain() ? tr("not protected") : tr("may not be protected"));
    args.insert(QStringLiteral("causes"), joinList(sentences, ListJoin::clauses));
    return tr("{name} — {status}: {causes}.", args);
}

QString firefoxIdleRow(const FirefoxCauses& causes, TrArgs args) {
    QStringList sentences;
    if (causes.setBy) {
        sentences.append(tr("its own proxy settings bypass Tarvine"));
    }
    if (causes.overrider) {
        sentences.append(
            tr("the add-on {name} overrides its proxy", {{QStringLiteral("name"), extensionLabel(*causes.overrider)}}));
    }
    if (!causes.onRequest.isEmpty()) {
        sentences.append(causes.onRequestClause(args));
    }
    args.insert(QStringLiteral("causes"), graphemes::capitalizedFirst(joinList(sentences, ListJoin::clauses)));
    args.insert(QStringLiteral("will"), causes.certain() ? tr("won't") : tr("may not"));
    return tr("{name} — not open now. {causes}, so it {will} be protected once opened.", args);
}

QString findingId(const BrowserFinding& finding) {
    return finding.kind + QLatin1Char(':') + finding.profileId.value_or(QString());
}

} // namespace

QString modeLabel(const std::optional<QString>& mode) {
    if (mode == QStringLiteral("direct")) {
        return tr("direct connection");
    }
    if (mode == QStringLiteral("fixed_servers")) {
        return tr("another proxy server");
    }
    if (mode == QStringLiteral("pac_script")) {
        return tr("proxy script");
    }
    if (mode == QStringLiteral("auto_detect")) {
        return tr("proxy auto-detect");
    }
    if (mode == kOnRequest) {
        return tr("its own proxy");
    }
    return tr("unrecognised setting");
}

QString extensionLabel(const BrowserExtension& extension) {
    return tr("“{name}”", {{QStringLiteral("name"), extension.name.value_or(extension.id)}});
}

QString extensionsPhrase(const QList<BrowserExtension>& extensions) {
    if (extensions.isEmpty()) {
        return tr("an extension");
    }
    const TrArgs args{{QStringLiteral("list"), labelList(extensions)}};
    return extensions.size() == 1 ? tr("the extension {list}", args) : tr("the extensions {list}", args);
}

NoticeText bypassText(const BrowserFinding& finding, bool includeProfile) {
    const TrArgs args = findingArgs(finding, includeProfile);
    if (finding.family == kFirefox) {
        const FirefoxCauses causes(finding);
        if (causes.any()) {
            return firefoxNotice(causes, args);
        }
    } else if (!finding.extensions.isEmpty()) {
        return {
            tr("{B} isn't protected", args),
            tr("{name} is not protected: {E} {verb} its proxy. Disable or remove {pron} in {M} to use Tarvine. This applies while {B} is running, even with no windows open. {vpn}",
               args)};
    }
    return {
        tr("{B} may not be protected", args),
        tr("Tarvine couldn't tell which extension controls {name}'s proxy, so it may not be protected. Check {M}. {vpn}",
           args)};
}

NoticeText bypassNotificationText(const BrowserFinding& finding) {
    return bypassText(finding, false);
}

BrowserNotice bypassNotice(const BrowserFinding& finding) {
    const NoticeText text = bypassText(finding, true);
    return {findingId(finding), text.title, text.body};
}

BypassNotices bypassNotices(const std::optional<Status>& status) {
    if (protectionUIState(status) != ProtectionUIState::partial) {
        return BypassNotices::none;
    }
    BypassNotices result;
    for (const BrowserFinding& finding : status->browserBypass.value_or(QList<BrowserFinding>())) {
        if (finding.kind == QLatin1String("bypass")) {
            result.notices.append(bypassNotice(finding));
        }
    }
    if (result.notices.size() >= 4) {
        const qsizetype left = result.notices.size() - 2;
        result.notices.resize(2);
        result.more = L10n::plural(left, "And {n} more browsers aren't protected — see Setup.",
                                   "And {n} more browsers aren't protected — see Setup.");
    }
    return result;
}

QList<BrowserNote> privateWindowNotes(const std::optional<Status>& status) {
    QList<BrowserNote> notes;
    if (!status || status->protection != Protection::on || !status->browserBypass) {
        return notes;
    }
    for (const BrowserFinding& finding : *status->browserBypass) {
        if (finding.kind != QLatin1String("incognito")) {
            continue;
        }
        notes.append(
            {findingId(finding),
             tr("{B}'s private windows{PC} are not protected: {E} {verb} their proxy. Disable {pron}, or stop allowing {pron} in private windows, in {M}.",
                findingArgs(finding, true))});
    }
    return notes;
}

NoticeText unsupportedAppText(const BrowserFinding& finding) {
    const TrArgs args{{QStringLiteral("B"), finding.browser.value_or(QStringLiteral("ChatGPT Classic"))}};
    return {
        tr("{B} doesn't work with Tarvine protection", args),
        tr("{B} is an outdated app that accepts only OpenAI's own certificates, so it can't connect while Tarvine protects this computer — nothing is sent. Use the new ChatGPT app instead: its Chat mode works with Tarvine.",
           args)};
}

AppNotice unsupportedAppNotice(const BrowserFinding& finding) {
    const NoticeText text = unsupportedAppText(finding);
    AppNotice notice{findingId(finding), text.title, text.body, tr("Get the new ChatGPT app"), std::nullopt};
    if (finding.manage) {
        // The scheme is compared as written: QUrl lower-cases it while parsing.
        const QUrl url(*finding.manage, QUrl::StrictMode);
        if (url.isValid() && finding.manage->startsWith(QLatin1String("https:")) &&
            url.scheme() == QLatin1String("https")) {
            notice.link = url;
        }
    }
    return notice;
}

QList<AppNotice> unsupportedAppNotices(const std::optional<Status>& status) {
    QList<AppNotice> notices;
    if (!status || status->protection != Protection::on || !status->browserBypass) {
        return notices;
    }
    for (const BrowserFinding& finding : *status->browserBypass) {
        if (finding.kind == QLatin1String("unsupported_app")) {
            notices.append(unsupportedAppNotice(finding));
        }
    }
    return notices;
}

BrowserSetupRow browserSetupRow(const BrowserFinding& finding) {
    TrArgs args = findingArgs(finding, true);
    const QString& kind = finding.kind;
    QString text;
    if (kind == QLatin1String("bypass")) {
        switch (bypassCause(finding)) {
        case BypassCause::byExtensions:
            args.insert(QStringLiteral("mode"),
                        finding.extensions.size() == 1
                            ? QStringLiteral(" (") + modeLabel(finding.extensions.first().mode) + QStringLiteral(")")
                            : QString());
            text = tr("{name} — not protected: {E} {verb} its proxy{mode}.", args);
            break;
        case BypassCause::byFirefox:
            text = firefoxBypassRow(finding, FirefoxCauses(finding), args);
            break;
        case BypassCause::undetermined:
            text = tr("{name} — may not be protected: couldn't tell which extension controls its proxy.", args);
            break;
        }
    } else if (kind == QLatin1String("incognito")) {
        text = tr("{name} — private windows not protected: {E} {verb} their proxy.", args);
    } else if (kind == QLatin1String("idle")) {
        switch (bypassCause(finding)) {
        case BypassCause::undetermined:
            text = tr("{name} — not open now. Tarvine couldn't tell which extension controls its proxy.", args);
            break;
        case BypassCause::byFirefox:
            text = firefoxIdleRow(FirefoxCauses(finding), args);
            break;
        case BypassCause::byExtensions:
            text = tr("{name} — not open now. {Ecap} {verb} its proxy, so it won't be protected once opened.", args);
            break;
        }
    } else if (kind == QLatin1String("unsupported_app")) {
        text = tr(
            "{B} — doesn't work with Tarvine protection: it's an outdated app. Use the new ChatGPT app (Chat mode) instead.",
            args);
    } else if (kind == QLatin1String("checking")) {
        text = tr("Checking your browsers…");
    } else if (finding.browser) {
        text = tr("Couldn't check {name}. Tarvine will try again.", args);
    } else {
        text = tr("Couldn't check your browsers. Tarvine will try again.");
    }
    return {finding.id(), kind, text};
}

std::optional<QList<BrowserSetupRow>> browserSetupRows(const std::optional<Status>& status) {
    if (!status || !status->browserBypass) {
        return std::nullopt;
    }
    QList<BrowserSetupRow> rows;
    for (const BrowserFinding& finding : *status->browserBypass) {
        rows.append(browserSetupRow(finding));
    }
    return rows;
}

QString browsersCardTitle() {
    return tr("Browsers");
}

QString browsersAllClearText() {
    return tr("No extension or browser setting found that bypasses Tarvine");
}

QString browsersCheckedPill() {
    return tr("Checked");
}

QString browsersCardCaption() {
    return tr(
        "Tarvine can only report this — traffic that bypasses it can't be protected. A VPN app (system-wide) works normally.");
}

} // namespace fernholm

#pragma once

// Small statuses for the tests of what the user is shown, filled field by field.

#include "FernholmKit/control/Models.h"
#include "FernholmKit/control/RedactionModels.h"

#include <QStringList>

#include <optional>

namespace fernholm::test {

inline Degraded degraded(const QString& code, const QString& severity = QStringLiteral("warning")) {
    Degraded d;
    d.code = code;
    d.severity = severity;
    return d;
}

inline Provider provider(const QString& name, const QString& display, bool enabled = true,
                         std::optional<bool> experimental = std::nullopt) {
    Provider p;
    p.name = name;
    p.displayName = display;
    p.enabled = enabled;
    p.experimental = experimental;
    return p;
}

inline BrowserExtension extension(const QString& id, std::optional<QString> name = std::nullopt,
                                  std::optional<QString> mode = std::nullopt) {
    return BrowserExtension{id, std::move(name), std::move(mode)};
}

inline BrowserFinding finding(const QString& kind, std::optional<QString> browser = std::nullopt,
                              std::optional<QString> profileId = std::nullopt) {
    BrowserFinding f;
    f.kind = kind;
    f.browser = std::move(browser);
    f.profileId = std::move(profileId);
    return f;
}

// Findings of the given kinds, each with its own profile id ("p0", "p1", ...).
inline QList<BrowserFinding> findingsOfKinds(const QStringList& kinds) {
    QList<BrowserFinding> findings;
    for (qsizetype i = 0; i < kinds.size(); ++i) {
        findings.append(finding(kinds[i], QStringLiteral("Browser %1").arg(i), QStringLiteral("p%1").arg(i)));
    }
    return findings;
}

inline Status status(Protection protection, std::optional<bool> isProtected = std::nullopt) {
    Status s;
    s.protection = protection;
    s.protected_ = isProtected;
    return s;
}

} // namespace fernholm::test

#pragma once

// Readable QCOMPARE failure messages for protection states and the records shown to the user.

#include "FernholmKit/presentation/ViewState.h"

#include <QTest>

namespace fernholm {

inline char* toString(ProtectionUIState state) {
    static const char* const names[] = {"off",      "starting", "on",      "partial",    "checking",  "confirming",
                                        "degraded", "error",    "stopped", "proxyStuck", "verifying", "restarting"};
    return qstrdup(names[static_cast<int>(state)]);
}

inline char* toString(DegradedAction action) {
    static const char* const names[] = {"none",
                                        "setUp",
                                        "restartProtection",
                                        "fixProxy",
                                        "remove",
                                        "install",
                                        "dismissRulesCleared",
                                        "retryDataKey",
                                        "dismissDataKeyReset"};
    return qstrdup(names[static_cast<int>(action)]);
}

inline char* toString(const MenuProtectionItem& item) {
    return QTest::toString(QStringLiteral("{\"%1\", \"%2\", enabled %3, opensWindow %4, isOn %5, restarts %6, "
                                          "forceStops %7}")
                               .arg(item.statusText, item.title)
                               .arg(item.enabled)
                               .arg(item.opensWindow)
                               .arg(item.isOn)
                               .arg(item.restarts)
                               .arg(item.forceStops));
}

} // namespace fernholm

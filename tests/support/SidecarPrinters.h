#pragma once

// Readable names and QCOMPARE failure messages for launch results and the supervised link.

#include "FernholmKit/supervision/SidecarLink.h"
#include "FernholmKit/supervision/SidecarProcess.h"

#include <QTest>

namespace fernholm {

inline QString linkName(SidecarLink link) {
    switch (link) {
    case SidecarLink::checking:
        return QStringLiteral("checking");
    case SidecarLink::trusted:
        return QStringLiteral("trusted");
    case SidecarLink::restarting:
        return QStringLiteral("restarting");
    case SidecarLink::stopped:
        return QStringLiteral("stopped");
    }
    return QStringLiteral("?");
}

inline char* toString(SidecarLink link) {
    return QTest::toString(linkName(link));
}

inline char* toString(const SidecarState& state) {
    switch (state.kind) {
    case SidecarState::Kind::failed:
        return QTest::toString(QStringLiteral("failed(%1)").arg(state.reason));
    case SidecarState::Kind::exited:
        return QTest::toString(QStringLiteral("exited(%1)").arg(state.code));
    case SidecarState::Kind::idle:
        return qstrdup("idle");
    case SidecarState::Kind::starting:
        return qstrdup("starting");
    case SidecarState::Kind::ready:
        return qstrdup("ready");
    }
    return qstrdup("?");
}

} // namespace fernholm

#pragma once

// What the tray panel shows, worked out from the model in one value, and the rules behind its
// buttons. Rendering reads only this value, so it needs no gateway.

#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/presentation/Alerts.h"
#include "FernholmKit/control/EventModels.h"
#include "FernholmKit/control/RedactionModels.h"
#include "FernholmKit/control/Time.h"
#include "FernholmKit/presentation/ViewState.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

class AppModel;

// One row of the panel's recent list.
struct PopoverMessage {
    QString surface;
    QString ts;
    PillKind kind = PillKind::passed;
    QStringList chips; // at most two tokens, shown as chips (redacted events with tokens only)
    int moreTokens = 0; // tokens beyond the chips
    QString sentence;   // shown instead of chips when there are none

    bool operator==(const PopoverMessage&) const = default;
};

struct PopoverState {
    MenuProtectionItem item; // English texts; translate when shown
    AlertLayout layout;
    ProtectionSummary summary = ProtectionSummary::paused;
    bool switchOn = false; // the gateway reports protection "on"
    bool busy = false;
    QList<PopoverMessage> messages; // oldest first
    QList<Provider> logos;          // enabled, not experimental

    // The first critical alert, the only one the panel shows.
    std::optional<AppAlert> criticalAlert() const;
    // The status card's control is a button (restart, force stop) rather than the switch.
    bool usesButton() const { return item.restarts || item.forceStops; }
    // Warnings laid out plus those counted beyond them; the line shows only with a warning.
    int attentionCount() const { return int(layout.warnings.size()) + layout.moreWarnings; }
    bool showsAttention() const { return !layout.warnings.isEmpty(); }

    bool operator==(const PopoverState&) const = default;
};

// The panel's value from the model now: the protection row, the model's alerts as arranged for
// every page but setup, the last three redacted or blocked events.
PopoverState popoverState(const AppModel& model);

// The last three redacted or blocked events, oldest first, as rows.
QList<PopoverMessage> popoverMessages(const QList<Event>& events);

// Whether the panel carries out an alert's action itself instead of opening the main window.
bool runsHere(const std::optional<AlertAction>& action);
// The caption of an alert's button in the panel: the action's own where it runs here, else
// "Open Tarvine".
QString popoverTitle(const std::optional<AlertAction>& action);
// The status card's dot.
ThemeColor dot(ProtectionSummary summary);

} // namespace fernholm

#pragma once

// What the home page's status hero and counters show, from the model's state. Pure functions.

#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/control/Models.h"
#include "FernholmKit/control/RedactionModels.h"
#include "FernholmKit/supervision/SidecarLink.h"
#include "FernholmKit/presentation/ViewState.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace fernholm {

struct HomeState {
    ProtectionUIState uiState = ProtectionUIState::off;
    bool on = false;        // the gateway says protection is on
    QString eyebrow;        // in the current language, not yet in capitals
    QString headline;
    QString explanation;
    bool dashed = false;    // the counters show "—"
    bool turnOff = false;   // "Turn off" stands in for the switch
    bool switchEnabled = false;
    std::array<QString, 4> counters; // values replaced, messages redacted, passed unchanged, blocked
    std::array<QString, 4> counterLabels; // the words under each, agreeing with its number

    bool operator==(const HomeState&) const = default;
};

HomeState homeState(const std::optional<Status>& status, SidecarLink link, bool proxyStuck, bool busy);

QString homeEyebrow(ProtectionUIState state);
// The words under the four counters, each in the form its number asks for; dashed counters take
// the form of an unknown count.
std::array<QString, 4> homeCounterLabels(const std::array<qint64, 4>& counts, bool dashed);
QString homeHeadline(ProtectionUIState state);
// The states in which the gateway's counters are not to be trusted yet, or no longer.
bool isDashedState(ProtectionUIState state);
// The dot and chip colour of the hero.
ThemeColor homeStateColor(ProtectionUIState state);
// The switch is usable only with a status that is not starting, and while no action runs.
bool heroSwitchEnabled(const std::optional<Status>& status, bool busy);
// The providers the hero shows as chips: enabled and not experimental, in list order.
QList<Provider> heroProviders(const QList<Provider>& providers);

} // namespace fernholm

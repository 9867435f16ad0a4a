#include "FernholmApp/shell/tray/PopoverState.h"

#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/AlertDispatch.h"
#include "FernholmApp/model/AlertsModel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmKit/text/L10n.h"

namespace fernholm {

std::optional<AppAlert> PopoverState::criticalAlert() const {
    if (layout.critical.isEmpty()) {
        return std::nullopt;
    }
    return layout.critical.first();
}

PopoverState popoverState(const AppModel& model) {
    PopoverState state;
    state.item = menuProtectionItem(model.protection().status(), model.supervision().busy(), model.supervision().link(),
                                    model.supervision().proxyStuck());
    state.layout = model.alerts().layout(false);
    state.summary =
        protectionSummary(state.layout, protectionUIState(model.protection().status(), model.supervision().link(),
                                                          model.supervision().proxyStuck()));
    state.switchOn = isProtectionActive(model.protection().status());
    state.busy = model.supervision().busy();
    state.messages = popoverMessages(model.activity().recentEvents());
    for (const Provider& provider : model.protection().providers()) {
        if (provider.enabled && !provider.experimental.value_or(false)) {
            state.logos << provider;
        }
    }
    return state;
}

QList<PopoverMessage> popoverMessages(const QList<Event>& events) {
    QList<PopoverMessage> rows;
    for (auto it = events.crbegin(); it != events.crend() && rows.size() < 3; ++it) {
        const PillKind kind = pillKind(it->status);
        if (kind != PillKind::redacted && kind != PillKind::blocked) {
            continue;
        }
        PopoverMessage row;
        row.surface = it->surface;
        row.ts = it->ts;
        row.kind = kind;
        if (kind == PillKind::redacted && !it->tokens.isEmpty()) {
            row.chips = it->tokens.mid(0, 2);
            row.moreTokens = int(std::max<qsizetype>(0, it->tokens.size() - 2));
        } else {
            row.sentence = activitySentence(*it);
        }
        rows.prepend(row);
    }
    return rows;
}

bool runsHere(const std::optional<AlertAction>& action) {
    return runsOn(AlertSurface::panel, action);
}

QString popoverTitle(const std::optional<AlertAction>& action) {
    return runsHere(action) ? action->title() : tr(QStringLiteral("Open Tarvine"));
}

ThemeColor dot(ProtectionSummary summary) {
    switch (summary) {
    case ProtectionSummary::notProtected:
        return Theme::critical;
    case ProtectionSummary::needsAttention:
        return Theme::sidebarAmber;
    case ProtectionSummary::protected_:
        return Theme::fixed(0x5FB98E);
    case ProtectionSummary::paused:
    case ProtectionSummary::checking:
        break;
    }
    return Theme::fixed(0x8F8F8E);
}

} // namespace fernholm

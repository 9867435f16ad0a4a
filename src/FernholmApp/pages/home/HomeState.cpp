#include "FernholmApp/pages/home/HomeState.h"

#include "FernholmKit/text/L10n.h"

#include <limits>

namespace fernholm {

namespace {

const QString dash = QStringLiteral("—");

QString number(qint64 value, bool dashed) {
    return dashed ? dash : QString::number(value);
}

} // namespace

QString homeEyebrow(ProtectionUIState state) {
    switch (state) {
    case ProtectionUIState::on:
        return trIn("eyebrow", QStringLiteral("Protected"));
    case ProtectionUIState::partial:
        return tr(QStringLiteral("Partly protected"));
    case ProtectionUIState::starting:
    case ProtectionUIState::verifying:
    case ProtectionUIState::restarting:
    case ProtectionUIState::checking:
    case ProtectionUIState::confirming:
        return tr(QStringLiteral("Checking…"));
    case ProtectionUIState::off:
    case ProtectionUIState::degraded:
    case ProtectionUIState::error:
    case ProtectionUIState::stopped:
    case ProtectionUIState::proxyStuck:
        break;
    }
    return trIn("eyebrow", QStringLiteral("Paused"));
}

std::array<QString, 4> homeCounterLabels(const std::array<qint64, 4>& counts, bool dashed) {
    const auto count = [&](size_t i) {
        return dashed ? qint64(0) : counts.at(i);
    };
    return {L10n::plural(count(0), "value replaced", "values replaced"),
            L10n::plural(count(1), "message redacted", "messages redacted"),
            L10n::plural(count(2), "passed unchanged", "passed unchanged"),
            L10n::plural(count(3), "blocked", "blocked")};
}

QString homeHeadline(ProtectionUIState state) {
    switch (state) {
    case ProtectionUIState::on:
    case ProtectionUIState::partial:
        return tr(QStringLiteral("Your chats are protected"));
    case ProtectionUIState::starting:
    case ProtectionUIState::verifying:
    case ProtectionUIState::restarting:
        return tr(QStringLiteral("Protection is starting…"));
    case ProtectionUIState::checking:
        return tr(QStringLiteral("Checking browsers…"));
    case ProtectionUIState::confirming:
        return tr(QStringLiteral("Checking…"));
    case ProtectionUIState::off:
    case ProtectionUIState::degraded:
    case ProtectionUIState::error:
    case ProtectionUIState::stopped:
    case ProtectionUIState::proxyStuck:
        break;
    }
    return tr(QStringLiteral("Protection is paused"));
}

bool isDashedState(ProtectionUIState state) {
    switch (state) {
    case ProtectionUIState::starting:
    case ProtectionUIState::verifying:
    case ProtectionUIState::restarting:
    case ProtectionUIState::stopped:
    case ProtectionUIState::proxyStuck:
        return true;
    default:
        return false;
    }
}

ThemeColor homeStateColor(ProtectionUIState state) {
    switch (state) {
    case ProtectionUIState::partial:
        return Theme::sidebarAmber;
    case ProtectionUIState::on:
        return Theme::live;
    default:
        return Theme::faint;
    }
}

bool heroSwitchEnabled(const std::optional<Status>& status, bool busy) {
    return status && status->protection != Protection::starting && !busy;
}

QList<Provider> heroProviders(const QList<Provider>& providers) {
    QList<Provider> shown;
    for (const Provider& provider : providers) {
        if (provider.enabled && !provider.experimental.value_or(false)) {
            shown.append(provider);
        }
    }
    return shown;
}

HomeState homeState(const std::optional<Status>& status, SidecarLink link, bool proxyStuck, bool busy) {
    HomeState state;
    state.uiState = protectionUIState(status, link, proxyStuck);
    state.on = status && status->protection == Protection::on;
    state.eyebrow = homeEyebrow(state.uiState);
    state.headline = homeHeadline(state.uiState);
    state.explanation =
        state.on ? tr(QStringLiteral("Names, ID numbers and contact details are swapped for placeholders before ChatGPT, Claude or Gemini see them, and swapped back in the reply."))
                 : tr(QStringLiteral("What you send to ChatGPT, Claude and Gemini goes out unchanged until you turn protection back on."));
    state.dashed = isDashedState(state.uiState);
    state.turnOff = link == SidecarLink::checking || link == SidecarLink::restarting;
    state.switchEnabled = heroSwitchEnabled(status, busy);
    const Counters& counters = status ? status->counters : Counters::empty;
    qint64 replaced = 0;
    for (const qint64 value : counters.entities) {
        // A lying gateway must not make the sum overflow: it stops at the largest number.
        if (__builtin_add_overflow(replaced, value, &replaced)) {
            replaced = value < 0 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        }
    }
    state.counters = {number(replaced, state.dashed), number(counters.redacted, state.dashed),
                      number(counters.passed, state.dashed), number(counters.blocked, state.dashed)};
    state.counterLabels =
        homeCounterLabels({replaced, counters.redacted, counters.passed, counters.blocked}, state.dashed);
    return state;
}

} // namespace fernholm

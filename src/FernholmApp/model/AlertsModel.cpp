#include "FernholmApp/model/AlertsModel.h"

#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmKit/presentation/AlertCenter.h"

#include <algorithm>
#include <chrono>

namespace fernholm {

AlertInputs alertInputs(const ProtectionStatus& protection, const Supervision& supervision, bool onSetup) {
    return AlertInputs{protection.status(),    supervision.link(),           supervision.proxyStuck(),
                       supervision.appError(), supervision.appErrorDetail(), onSetup};
}

AlertsModel::AlertsModel(const ProtectionStatus& protection, const Supervision& supervision, AlertCenter& center,
                         std::function<Time()> now, QObject* parent)
    : QObject(parent), m_protection(protection), m_supervision(supervision), m_center(center), m_now(std::move(now)) {
    connect(&protection, &ProtectionStatus::statusChanged, this, &AlertsModel::follow);
    for (auto signal : {&Supervision::linkChanged, &Supervision::proxyStuckChanged, &Supervision::appErrorChanged}) {
        connect(&supervision, signal, this, &AlertsModel::follow);
    }
    // A snooze from either surface hides the alert on both.
    connect(&center, &AlertCenter::snoozesChanged, this, &AlertsModel::refresh);
    m_snoozeEnd.setSingleShot(true);
    m_snoozeEnd.setTimerType(Qt::PreciseTimer);
    connect(&m_snoozeEnd, &QTimer::timeout, this, &AlertsModel::refresh);
    refresh();
}

void AlertsModel::snooze(const AppAlert& alert) {
    m_center.snooze(alert, m_now());
}

void AlertsModel::follow() {
    if (m_inputs != alertInputs(m_protection, m_supervision, false)) {
        refresh();
    }
}

void AlertsModel::refresh() {
    ++m_computations;
    const Time now = m_now();
    m_inputs = alertInputs(m_protection, m_supervision, false);
    // The first sightings follow the full list; the setup page's list is arranged from the same
    // sightings without touching them, so a topic left out there does not count as new when it
    // shows again elsewhere.
    AlertLayout elsewhere = m_center.layout(appAlerts(*m_inputs), now);
    AlertLayout onSetup = m_center.arranged(appAlerts(alertInputs(m_protection, m_supervision, true)), now);
    const bool changed = !(elsewhere == m_elsewhere) || !(onSetup == m_onSetup);
    m_elsewhere = std::move(elsewhere);
    m_onSetup = std::move(onSetup);
    wakeAtNextSnoozeEnd(now);
    if (changed) {
        Q_EMIT this->changed();
    }
}

void AlertsModel::wakeAtNextSnoozeEnd(Time now) {
    std::optional<Time> next;
    for (const Time end : m_center.snoozes()) {
        if (end > now && (!next || end < *next)) {
            next = end;
        }
    }
    if (!next) {
        m_snoozeEnd.stop();
        return;
    }
    // A little past the end, so that the layout no longer counts the snooze; a far end is looked
    // at again after a day (QTimer takes an int of milliseconds).
    using namespace std::chrono;
    const auto wait = duration_cast<milliseconds>(*next - now) + milliseconds(50);
    m_snoozeEnd.start(static_cast<int>(std::min<milliseconds::rep>(wait.count(), 86'400'000)));
}

} // namespace fernholm

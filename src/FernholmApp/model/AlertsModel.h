#pragma once

#include "FernholmKit/presentation/Alerts.h"
#include "FernholmKit/control/Time.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

namespace fernholm {

class AlertCenter;
class ProtectionStatus;
class Supervision;

// What the alert rules read, from the current state; `onSetup` while the setup page is shown.
AlertInputs alertInputs(const ProtectionStatus& protection, const Supervision& supervision, bool onSetup);

// The alerts of the window and of the tray panel, worked out once per change of what they are
// made from (the status, the link, a stuck proxy, the error line, a snooze) and once more when a
// snooze runs out; a signal of the model that changes none of these works nothing out. Part of
// AppModel, which makes it.
//
//     connect(&alerts, &AlertsModel::changed, view, [&] { show(alerts.layout(false)); });
class AlertsModel : public QObject {
    Q_OBJECT
public:
    // The parts and `center` must outlive it; `now` is the wall clock of snoozes and first
    // sightings.
    AlertsModel(const ProtectionStatus& protection, const Supervision& supervision, AlertCenter& center,
                std::function<Time()> now, QObject* parent = nullptr);

    // The alerts arranged for showing; `onSetup` while the setup page is shown, which shows its
    // own topics itself.
    const AlertLayout& layout(bool onSetup) const { return onSetup ? m_onSetup : m_elsewhere; }

    // Hides a warning or a notice for a day on every surface; critical alerts stay.
    void snooze(const AppAlert& alert);

    // How many times the alerts were worked out so far.
    qint64 computations() const { return m_computations; }

Q_SIGNALS:
    // Either layout changed.
    void changed();

private:
    void follow();
    void refresh();
    void wakeAtNextSnoozeEnd(Time now);

    const ProtectionStatus& m_protection;
    const Supervision& m_supervision;
    AlertCenter& m_center;
    std::function<Time()> m_now;
    std::optional<AlertInputs> m_inputs; // what the layouts were last worked out from
    AlertLayout m_elsewhere = AlertLayout::empty;
    AlertLayout m_onSetup = AlertLayout::empty;
    qint64 m_computations = 0;
    // Fires when the next snooze runs out, so a hidden alert comes back on time even when no poll
    // runs (the gateway stopped).
    QTimer m_snoozeEnd;
};

} // namespace fernholm

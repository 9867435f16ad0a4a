#pragma once

#include "FernholmKit/presentation/Alerts.h"

#include <QAbstractButton>

namespace fernholm {

// The cross that hides a warning or a notice for a while ("Remind me later", its tooltip and
// accessible name): a 32 x 32 button drawing only an "xmark" in `faint`, clickable inside the
// inscribed circle. A click hands its alert to AlertHandlers::snooze, read from the ancestors at
// the moment of the click. It is never disabled for being busy.
//
//     auto* snooze = new SnoozeButton(alert, this);
class SnoozeButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SnoozeButton(const AppAlert& alert, QWidget* parent = nullptr);

    const AppAlert& alert() const { return m_alert; }
    void setAlert(const AppAlert& alert) { m_alert = alert; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    AppAlert m_alert;
};

} // namespace fernholm

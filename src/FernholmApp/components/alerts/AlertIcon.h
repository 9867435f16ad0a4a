#pragma once

#include "FernholmKit/presentation/Alerts.h"

#include <QWidget>

namespace fernholm {

// The round icon of an alert level: a warning shows the triangle in `warningInk` on
// `warningIconBg`; a notice or a critical alert shows "info.circle" in `dim` on `noticeIconBg`.
// The symbol is 0.48 x the diameter. Fixed size; decoration only (not exposed to accessibility).
//
//     auto* icon = new AlertIcon(alert.level, 32, this);
class AlertIcon : public QWidget {
    Q_OBJECT
public:
    AlertIcon(AlertLevel level, qreal size, QWidget* parent = nullptr);

    AlertLevel level() const { return m_level; }
    void setLevel(AlertLevel level);

    qreal diameter() const { return m_size; }
    // The symbol's name and size for the level and the diameter.
    QString symbolName() const;
    qreal symbolSize() const { return m_size * 0.48; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AlertLevel m_level;
    qreal m_size;
};

} // namespace fernholm

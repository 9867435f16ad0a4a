#pragma once

#include "FernholmKit/presentation/SetupSteps.h"
#include "FernholmApp/theme/Theme.h"

#include <QWidget>

namespace fernholm {

// The 32-wide circle at the start of a setup step: a white check mark on Theme::switchOn for a
// done step; the step's number (sans 14/600) in Theme::hero on Theme::heroInk for the current
// step, in Theme::dim on Theme::muted for a pending one.
class StepBadge : public QWidget {
    Q_OBJECT
public:
    static constexpr int diameter = 32;

    explicit StepBadge(QWidget* parent = nullptr);

    SetupStep::Look look() const { return m_look; }
    int number() const { return m_number; }
    void set(SetupStep::Look look, int number);

    ThemeColor fill() const;
    ThemeColor ink() const;

    QSize sizeHint() const override { return {diameter, diameter}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SetupStep::Look m_look = SetupStep::Look::pending;
    int m_number = 0;
};

} // namespace fernholm

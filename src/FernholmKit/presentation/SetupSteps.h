#pragma once

#include "FernholmKit/control/Models.h"

#include <QString>

#include <optional>

namespace fernholm {

// What the two steps of the guided setup show for one status: each step is a row in one of three
// looks with an optional control. Pure: the setup page derives its rows from these on every change
// of the status and keeps nothing else.
struct SetupStep {
    enum class Look { done, current, pending };
    enum class Control { none, install, turnOn, removeCertificate };

    Look look = Look::pending;
    int number = 0; // shown in the badge of a current or pending row; 0 on a done row
    QString title;  // translated
    QString detail; // translated
    Control control = Control::none;

    bool operator==(const SetupStep&) const = default;
};

namespace SetupSteps {

constexpr int total = 2;

// A status is present and protection is on.
bool protectionOn(const std::optional<Status>& status);
// A status is present and the certificate is trusted.
bool ready(const std::optional<Status>& status);
// 2 once the certificate is trusted, else 1.
int currentStep(const std::optional<Status>& status);

// Step 1: the certificate. Its done row offers the removal only outside the first run.
SetupStep certificate(const std::optional<Status>& status, bool firstRun);
// Step 2: protection.
SetupStep turnOn(const std::optional<Status>& status);

// A browsers-card row that is drawn as a warning ("bypass", "incognito", "unsupported_app").
bool isWarningKind(const QString& kind);
// The symbol in front of a browsers-card row of that kind.
QString rowIcon(const QString& kind);

} // namespace SetupSteps

} // namespace fernholm

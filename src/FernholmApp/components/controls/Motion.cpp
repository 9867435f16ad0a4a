#include "FernholmApp/components/controls/Motion.h"

#include <QWidget>

#include <optional>

namespace fernholm::Motion {

namespace {

std::optional<bool>& override() {
    static std::optional<bool> value;
    return value;
}

} // namespace

bool enabled() {
    if (const auto value = override()) {
        return *value;
    }
    static const bool fromEnvironment = !qEnvironmentVariableIsSet("FERNHOLM_NO_ANIMATIONS");
    return fromEnvironment;
}

void setEnabled(bool on) {
    override() = on;
}

int duration(const QWidget* widget, int milliseconds) {
    if (!enabled() || !widget || !widget->isVisible()) {
        return 0;
    }
    return milliseconds;
}

QEasingCurve easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

} // namespace fernholm::Motion

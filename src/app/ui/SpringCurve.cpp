#include "SpringCurve.h"

#include <cmath>
#include <numbers>

namespace glyphon {

double criticallyDampedSpring(double seconds, double response) {
    if (seconds <= 0.0)
        return 0.0;
    const double omega = 2.0 * std::numbers::pi / response;
    return 1.0 - (1.0 + omega * seconds) * std::exp(-omega * seconds);
}

namespace {

// QEasingCurve takes a plain function, so each spring gets its own instance.
template <typename Spring> qreal springEasing(qreal progress) {
    constexpr double duration = Spring::durationMs / 1000.0;
    static const double end = criticallyDampedSpring(duration, Spring::response);
    return criticallyDampedSpring(progress * duration, Spring::response) / end;
}

QEasingCurve curveOf(QEasingCurve::EasingFunction function) {
    QEasingCurve curve;
    curve.setCustomType(function);
    return curve;
}

} // namespace

QEasingCurve SettingsSpring::easingCurve() {
    return curveOf(&springEasing<SettingsSpring>);
}

QEasingCurve FadeSpring::easingCurve() {
    return curveOf(&springEasing<FadeSpring>);
}

} // namespace glyphon

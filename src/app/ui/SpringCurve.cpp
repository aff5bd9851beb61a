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

qreal settingsSpringEasing(qreal progress) {
    constexpr double duration = SettingsSpring::durationMs / 1000.0;
    static const double end = criticallyDampedSpring(duration, SettingsSpring::response);
    return criticallyDampedSpring(progress * duration, SettingsSpring::response) / end;
}

} // namespace

QEasingCurve SettingsSpring::easingCurve() {
    QEasingCurve curve;
    curve.setCustomType(&settingsSpringEasing);
    return curve;
}

} // namespace glyphon

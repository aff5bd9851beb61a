#pragma once

#include <QEasingCurve>

namespace glyphon {

// How far a critically damped spring, released at rest from 0 toward 1, has travelled after
// `seconds`. `response` is its period in seconds (the stiffness), as UI toolkits describe springs.
double criticallyDampedSpring(double seconds, double response);

// The open/close motion of the settings: a critically damped spring of response 0.5 s. A spring
// has no end, so the curve is cut where less than half a percent remains and scaled to end at 1.
struct SettingsSpring {
    static constexpr double response = 0.5;
    static constexpr int durationMs = 600;
    static QEasingCurve easingCurve();
};

// The cross-fade of the window's instant changes (clearing, grid and single preview, reset): the same
// spring, stiff enough to settle in a fifth of a second.
struct FadeSpring {
    static constexpr double response = 0.16;
    static constexpr int durationMs = 200;
    static QEasingCurve easingCurve();
};

} // namespace glyphon

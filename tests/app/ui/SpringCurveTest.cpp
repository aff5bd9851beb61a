#include "SpringCurve.h"

#include <gtest/gtest.h>

namespace glyphon::test {
namespace {

TEST(SettingsSpring, criticallyDampedSpringSettlesWithoutOvershoot) {
    double previous = 0;
    for (int ms = 0; ms <= 2000; ms += 10) {
        const double x = criticallyDampedSpring(ms / 1000.0, 0.5);
        EXPECT_GE(x, previous) << ms;
        EXPECT_LE(x, 1.0) << ms;
        previous = x;
    }
    EXPECT_EQ(criticallyDampedSpring(0, 0.5), 0.0);
    // One response period in, a critically damped spring has covered 1 − (1 + 2π)e^(−2π) of the way.
    EXPECT_NEAR(criticallyDampedSpring(0.5, 0.5), 0.9864, 1e-4);
    // A stiffer spring (shorter response) gets there sooner.
    EXPECT_GT(criticallyDampedSpring(0.1, 0.25), criticallyDampedSpring(0.1, 0.5));
}

TEST(SettingsSpring, easingCurvesRunFromStartToEnd) {
    for (const QEasingCurve &curve : {SettingsSpring::easingCurve(), FadeSpring::easingCurve()}) {
        EXPECT_DOUBLE_EQ(curve.valueForProgress(0), 0.0);
        EXPECT_DOUBLE_EQ(curve.valueForProgress(1), 1.0);
        // Fast start, long soft landing: halfway through the time, well over halfway there.
        EXPECT_GT(curve.valueForProgress(0.5), 0.8);
        double previous = 0;
        for (int i = 0; i <= 100; ++i) {
            const double value = curve.valueForProgress(i / 100.0);
            EXPECT_GE(value, previous);
            previous = value;
        }
    }
    // Two springs, two functions: the fade must not borrow the settings' slower curve.
    EXPECT_GT(FadeSpring::easingCurve().valueForProgress(0.2),
              SettingsSpring::easingCurve().valueForProgress(0.2));
}

} // namespace
} // namespace glyphon::test

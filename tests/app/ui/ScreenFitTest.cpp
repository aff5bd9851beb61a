#include "ScreenFit.h"

#include <gtest/gtest.h>

namespace glyphon::test {
namespace {

struct MinimumCase {
    const char *name;
    QSize available;
    QMargins frame;
    QSize expected;
};

TEST(ScreenFit, theMinimumShrinksOnlyWhereTheScreenIsSmaller) {
    const QSize wanted(500, 500);
    const MinimumCase cases[] = {
        {"a roomy screen", {1280, 1024}, {}, {500, 500}},
        {"exactly enough", {500, 500}, {}, {500, 500}},
        // 1280 × 1000 device pixels at 2×, less a 16-point top panel and a 37-point title bar.
        {"2x on a 1000-pixel screen with a panel", {640, 484}, {1, 37, 1, 1}, {500, 446}},
        {"narrow and framed", {480, 900}, {4, 30, 4, 4}, {472, 500}},
        {"nothing left", {10, 10}, {6, 30, 6, 6}, {1, 1}},
    };
    for (const MinimumCase &c : cases)
        EXPECT_EQ(ScreenFit::fittedMinimum(wanted, c.available, c.frame), c.expected) << c.name;
}

struct FrameCase {
    const char *name;
    QRect frame;
    QRect expected;
};

TEST(ScreenFit, aFrameThatSticksOutIsMovedInThenShrunk) {
    const QRect available(0, 16, 640, 484);
    const QSize minimum(300, 300);
    const FrameCase cases[] = {
        {"inside stays", {10, 30, 500, 400}, {10, 30, 500, 400}},
        {"below the bottom moves up", {10, 200, 500, 400}, {10, 100, 500, 400}},
        {"under the top panel moves down", {10, 0, 500, 400}, {10, 16, 500, 400}},
        {"off the left edge moves right", {-50, 30, 500, 400}, {0, 30, 500, 400}},
        {"taller than the area shrinks to it", {0, 16, 502, 538}, {0, 16, 502, 484}},
        {"never below the minimum", {0, 0, 200, 200}, {0, 16, 300, 300}},
    };
    for (const FrameCase &c : cases)
        EXPECT_EQ(ScreenFit::fittedFrame(c.frame, available, minimum), c.expected) << c.name;
}

} // namespace
} // namespace glyphon::test

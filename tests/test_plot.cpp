// The plots' arithmetic on its own: value-to-pixel mapping, tick values and the gate that paces
// repaints to the display's frames, driven with explicit times.
#include "plot.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(FrameGate, APaintIsDueOnceAFrameHasPassedOrTheClockWentBack) {
    plot::FrameGate gate;
    EXPECT_TRUE(gate.Due(0, 0.02)); // never painted
    gate.last = 10.0;
    EXPECT_FALSE(gate.Due(10.015, 0.02));
    EXPECT_TRUE(gate.Due(10.02, 0.02));
    EXPECT_TRUE(gate.Due(3.0, 0.02)); // a clock set back does not hold the paints back
}

TEST(FrameGate, TheFrameFollowsTheScreenBetween24And240HzAnd60WhenUnknown) {
    EXPECT_DOUBLE_EQ(plot::FramePeriod(144), 1 / 144.0);
    EXPECT_DOUBLE_EQ(plot::FramePeriod(0), 1 / 60.0);
    EXPECT_DOUBLE_EQ(plot::FramePeriod(std::numeric_limits<double>::quiet_NaN()), 1 / 60.0);
    EXPECT_DOUBLE_EQ(plot::FramePeriod(10), 1 / 24.0);
    EXPECT_DOUBLE_EQ(plot::FramePeriod(1000), 1 / 240.0);
}

TEST(Scale, ValuesMapToPixelsAndBackWithTheLowestValueOnTheBottomEdge) {
    plot::Area a;
    a.left = 10, a.top = 20, a.width = 100, a.height = 50;
    a.x0 = 1, a.x1 = 128, a.y0 = 0, a.y1 = 1000;
    EXPECT_DOUBLE_EQ(plot::Px(a, 1), 10);
    EXPECT_DOUBLE_EQ(plot::Px(a, 128), 110);
    EXPECT_DOUBLE_EQ(plot::Py(a, 0), 70);
    EXPECT_DOUBLE_EQ(plot::Py(a, 1000), 20);
    EXPECT_DOUBLE_EQ(plot::XAt(a, plot::Px(a, 64.5)), 64.5);
    EXPECT_DOUBLE_EQ(plot::YAt(a, 45), 500);
}

TEST(Scale, RoundTicksFallOnOneTwoFiveStepsAndFixedTicksCutTheRangeEvenly) {
    EXPECT_EQ(plot::RoundStep(130), 200);
    EXPECT_EQ(plot::RoundStep(100), 100);
    EXPECT_DOUBLE_EQ(plot::RoundStep(0.3), 0.5);
    plot::Ticks t = plot::RoundTicks(-3, 1003, 200);
    EXPECT_EQ((std::vector<double>{t.first, t.step, double(t.count)}),
              (std::vector<double>{0, 200, 6}));
    t = plot::RoundTicks(150, 199, 100); // no multiple of the step in the range
    EXPECT_EQ(t.count, 0);
    t = plot::FixedTicks(1, 128, 8);
    EXPECT_EQ((std::vector<double>{t.first, t.step, double(t.count)}),
              (std::vector<double>{1, 15.875, 9}));
    EXPECT_EQ(plot::FixedTicks(5, 5, 8).count, 0);
    EXPECT_EQ((std::vector<int>{plot::Decimals(15.875), plot::Decimals(0.5), plot::Decimals(0.05)}),
              (std::vector<int>{0, 1, 2}));
}

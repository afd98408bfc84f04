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

// A strip chart repaints the rows its traces pass through, band by band: a level trace is one
// row band wide, a step marks both levels where it happens, and values off the scale or not a
// number stay within a pixel of the area.
TEST(TraceRows, EachBandHoldsTheRowsThePolylineCrossesThereAndNoMore) {
    plot::Area a;
    a.left = 10, a.top = 0, a.width = 100, a.height = 100;
    a.x0 = 0, a.x1 = 9, a.y0 = 0, a.y1 = 100;
    plot::Rows rows[4];
    double level[10] = {50, 50, 50, 50, 50, 50, 50, 50, 50, 50};
    plot::TraceRows(a, level, 10, 0, 10, 4, rows);
    for (const plot::Rows &r : rows)
        EXPECT_EQ((std::pair{r.top, r.bottom}), (std::pair{50, 50}));
    double step[10] = {80, 80, 80, 80, 80, 20, 20, 20, 20, 20}; // rows 20 and 80
    plot::TraceRows(a, step, 10, 5, 10, 4, rows); // the ring starts at the 20s: row 80 first
    EXPECT_EQ((std::pair{rows[0].top, rows[0].bottom}), (std::pair{80, 80}));
    EXPECT_EQ((std::pair{rows[1].top, rows[1].bottom}), (std::pair{20, 80})); // the step from
    EXPECT_EQ((std::pair{rows[2].top, rows[2].bottom}), (std::pair{20, 80})); // x 54 to x 66
    EXPECT_EQ((std::pair{rows[3].top, rows[3].bottom}), (std::pair{20, 20}));
    double wild[3] = {1e300, -1e300, std::numeric_limits<double>::quiet_NaN()};
    plot::TraceRows(a, wild, 3, 0, 3, 4, rows);
    EXPECT_EQ((std::pair{rows[0].top, rows[0].bottom}), (std::pair{-1, 101}));
    plot::TraceRows(a, level, 10, 0, 0, 4, rows); // nothing to draw: no rows anywhere
    for (const plot::Rows &r : rows)
        EXPECT_GT(r.top, r.bottom);
}

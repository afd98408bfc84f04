// The plots' arithmetic on its own: value-to-pixel mapping, tick values and the gate that paces
// repaints to the display's frames, driven with explicit times.
#include "plot.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

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

// ---- Direct strokes -------------------------------------------------------------------------

// A canvas inside a larger buffer: the guard pixels around it show any write past its edges.
struct Guarded {
    static constexpr int kW = 40, kH = 30, kGuard = 8, kStride = kW + 2 * kGuard;
    std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t(kStride * (kH + 2 * kGuard)), 0);
    plot::Canvas canvas{pixels.data() + kGuard * kStride + kGuard, kStride, kW, kH};
    uint32_t at(int x, int y) const { return pixels[size_t((y + kGuard) * kStride + x + kGuard)]; }
    int painted(plot::Box b) const { // painted pixels inside b
        int n = 0;
        for (int y = b.top; y < b.bottom; y++)
            for (int x = b.left; x < b.right; x++)
                n += at(x, y) != 0;
        return n;
    }
    int paintedOutside(plot::Box b) const {
        int n = 0;
        for (uint32_t p : pixels)
            n += p != 0;
        return n - painted(b);
    }
};

TEST(StrokeSegment, ALevelSegmentIsTwoRowsWithItsSquareEndsAndASteepOneTwoColumns) {
    Guarded g;
    const plot::Box all{0, 0, 40, 30};
    plot::StrokeSegment(g.canvas, &all, 1, {2, 5}, {8, 5}, 2, 1);
    EXPECT_EQ(g.painted({1, 4, 9, 6}), 16); // columns 1..8 of rows 4 and 5
    EXPECT_EQ(g.paintedOutside({1, 4, 9, 6}), 0);
    Guarded v;
    plot::StrokeSegment(v.canvas, &all, 1, {21, 3}, {21, 10}, 2, 1);
    EXPECT_EQ(v.painted({20, 2, 22, 11}), 18); // columns 20 and 21 of rows 2..10
    EXPECT_EQ(v.paintedOutside({20, 2, 22, 11}), 0);
}

// Wild values (off the scale by far, infinite, not a number) and clips past the canvas must
// never write outside the canvas and the clip, nor a copy between canvases past either.
TEST(StrokeSegment, NothingIsWrittenOutsideTheClipOrTheCanvasWhateverTheCoordinates) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const plot::Point wild[] = {{-1e300, 15}, {1e300, -1e300}, {20, 1e18}, {nan, 5},
                                {5, inf},     {-inf, -inf},    {-50, -50}, {90, 70}};
    const plot::Box huge{-100, -100, 1000, 1000};
    Guarded g;
    for (const plot::Point &a : wild)
        for (const plot::Point &b : wild)
            plot::StrokeSegment(g.canvas, &huge, 1, a, b, 2, 1);
    EXPECT_GT(g.painted({0, 0, 40, 30}), 0); // the finite lines across it are drawn
    EXPECT_EQ(g.paintedOutside({0, 0, 40, 30}), 0);
    Guarded c;
    const plot::Box box{10, 8, 25, 20};
    for (const plot::Point &a : wild)
        for (const plot::Point &b : wild)
            plot::StrokeSegment(c.canvas, &box, 1, a, b, 6, 1);
    EXPECT_GT(c.painted(box), 0);
    EXPECT_EQ(c.paintedOutside(box), 0);
    Guarded to, from;
    for (int y = 0; y < Guarded::kH; y++)
        for (int x = 0; x < Guarded::kW; x++)
            from.canvas.bits[y * Guarded::kStride + x] = uint32_t(1000 * y + x + 1);
    plot::CopyBox(to.canvas, huge, from.canvas, -5, 3); // to (x, y) from (x + 95, y + 103)
    EXPECT_EQ(to.painted({0, 0, 40, 30}), 0);           // nothing of `from` lands there
    plot::CopyBox(to.canvas, {-20, -20, 100, 100}, from.canvas, -5, 3); // from (x + 15, y + 23)
    EXPECT_EQ((std::pair{to.at(0, 0), to.at(24, 6)}), (std::pair{23016u, 29040u}));
    EXPECT_EQ(to.painted({0, 0, 25, 7}), 25 * 7);
    EXPECT_EQ(to.paintedOutside({0, 0, 25, 7}), 0);
}

// A repaint region comes as bands of boxes: a stroke across two bands paints inside the boxes
// and nowhere else, not in the gap between a band's boxes nor between the bands.
TEST(StrokeSegment, ARegionsBandsAndTheGapsBetweenTheirBoxesClipTheStroke) {
    const plot::Box bands[] = {{0, 2, 10, 6}, {20, 2, 30, 6}, {5, 10, 35, 12}};
    Guarded g;
    plot::StrokeSegment(g.canvas, bands, 3, {0, 4}, {39, 4}, 4, 1);   // rows 2..5
    plot::StrokeSegment(g.canvas, bands, 3, {0, 11}, {39, 11}, 2, 1); // rows 10..11
    plot::StrokeSegment(g.canvas, bands, 3, {15, 0}, {15, 29}, 2, 1); // a column in the gap
    EXPECT_EQ(g.painted({0, 2, 10, 6}) + g.painted({20, 2, 30, 6}), 80);
    EXPECT_EQ(g.painted({5, 10, 35, 12}), 60);
    EXPECT_EQ(g.painted({0, 0, 40, 30}), 140);
}

// The strip charts stroke their traces this way, their pictures included: it must cover what a
// painter's two-pixel square-capped line covers, up to the odd pixel whose centre lies on an edge.
TEST(StrokeSegment, CoversThePixelsAPaintersTwoPixelLineCovers) {
    QImage painted(200, 120, QImage::Format_RGB32), direct(200, 120, QImage::Format_RGB32);
    painted.fill(0);
    direct.fill(0);
    plot::Canvas c{reinterpret_cast<uint32_t *>(direct.bits()), direct.bytesPerLine() / 4, 200,
                   120};
    QPainter p(&painted);
    p.setPen(QPen(Qt::white, 2));
    const plot::Box all{0, 0, 200, 120};
    unsigned seed = 7;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % unsigned(range * 16)) / 16;
    };
    for (int i = 0; i < 300; i++) {
        plot::Point a{next(200), next(120)}, b{a.x + next(12) + 0.5, next(120)};
        p.drawLine(QLineF(a.x, a.y, b.x, b.y));
        plot::StrokeSegment(c, &all, 1, a, b, 2, 0xFFFFFFFFu);
    }
    p.end();
    int covered = 0, differ = 0;
    for (int y = 0; y < 120; y++)
        for (int x = 0; x < 200; x++) {
            covered += painted.pixel(x, y) != 0xFF000000u;
            differ += painted.pixel(x, y) != direct.pixel(x, y);
        }
    EXPECT_GT(covered, 5000);
    EXPECT_LT(differ, covered / 100);
}

TEST(TracePoints, ALevelRunIsCutToItsEndsAndAMovingTraceKeepsEveryPoint) {
    plot::Area a;
    a.left = 0, a.top = 0, a.width = 90, a.height = 100;
    a.x0 = 0, a.x1 = 9, a.y0 = 0, a.y1 = 100;
    double ring[10] = {70, 70, 70, 70, 20, 30, 30, 30, 30, 30}; // the ring starts at index 2
    plot::Point out[10];
    ASSERT_EQ(plot::TracePoints(a, ring, 10, 2, 10, out, 10), 7);
    const double xs[7] = {0, 10, 20, 30, 70, 80, 90}, ys[7] = {30, 30, 80, 70, 70, 30, 30};
    for (int i = 0; i < 7; i++)
        EXPECT_EQ((std::pair{out[i].x, out[i].y}), (std::pair{xs[i], ys[i]})) << i;
    EXPECT_EQ(plot::TracePoints(a, ring, 10, 0, 10, out, 4), 4); // never past the buffer
}

// A region made from the banded boxes in one step must be the region the boxes add up to: any
// box out of band order or overlapping would leave the toolkit's region arithmetic wrong.
TEST(Banded, BoxesBecomeTheBandsOfTheRegionTheyAddUpTo) {
    unsigned seed = 11;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % unsigned(range));
    };
    for (int round = 0; round < 200; round++) {
        plot::Box in[40], out[plot::kMaxBanded];
        int n = 1 + next(40);
        QRegion added;
        for (int i = 0; i < n; i++) {
            int x = next(100), y = next(60);
            in[i] = plot::Box{x, y, x + next(30), y + next(20)}; // some empty
            added +=
                QRect(in[i].left, in[i].top, in[i].right - in[i].left, in[i].bottom - in[i].top);
        }
        int m = plot::Banded(in, n, out, plot::kMaxBanded);
        ASSERT_GE(m, 0);
        std::vector<QRect> rects;
        for (int i = 0; i < m; i++)
            rects.push_back(QRect(out[i].left, out[i].top, out[i].right - out[i].left,
                                  out[i].bottom - out[i].top));
        QRegion banded;
        banded.setRects(rects.data(), m);
        ASSERT_EQ(banded, added) << "round " << round;
        ASSERT_EQ(m, added.rectCount()) << "round " << round; // as few boxes as the region's
    }
    plot::Box two[2] = {{0, 0, 10, 10}, {20, 5, 30, 15}}, few[2];
    EXPECT_EQ(plot::Banded(two, 2, few, 2), -1); // three bands of one, two and one box
    EXPECT_EQ(plot::Banded(two, 0, few, 2), 0);
}

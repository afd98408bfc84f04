// Live monitor: chart histories, live evaluation, mode-dependent controls and the run/stop
// loop, against the simulated controller on the test clock.
#include "fixture.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <numeric>

// ---- History routines -------------------------------------------------------------------------

TEST(History, ShiftRefusesBadCountsAndShiftsAndMovesValuesZeroFillingBothWays) {
    double x[200] = {}, y[200] = {};
    EXPECT_EQ(Copy1D(x, 0, y), -20003);
    EXPECT_EQ(Shift(x, 0, 0, y), -20003);
    EXPECT_EQ(Shift(x, 200, 200, y), -20102);
    EXPECT_EQ(Shift(x, 200, -200, y), -20102);
    double a[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(Shift(a, 6, 2, a), 0); // in place
    EXPECT_EQ(Doubles(a, a + 6), (Doubles{0, 0, 1, 2, 3, 4}));
    std::iota(x, x + 200, 1.0);
    std::fill(y, y + 200, -1.0);
    EXPECT_EQ(Shift(x, 200, 199, y), 0);
    EXPECT_EQ(std::count(y, y + 199, 0.0), 199);
    EXPECT_EQ(y[199], 1);
    EXPECT_EQ(Shift(x, 200, -2, x), 0);
    EXPECT_EQ(x[0], 3);
    EXPECT_EQ(Doubles(x + 196, x + 200), (Doubles{199, 200, 0, 0}));
}

TEST(History, FillsSetEverySample) {
    FillarrayNORM(100, 500, 0);
    for (int s = 0; s < 100; s++)
        EXPECT_EQ(Doubles(arrayNORM + 6 * s, arrayNORM + 6 * s + 6),
                  (Doubles{600, 400, 500, 0, 0, 0}));
    FillarrayNORM(512, 30, 7); // no limits here: the lower threshold goes negative
    EXPECT_EQ(arrayNORM[1], 30 - 512);
    FillarrayRAW(3, 4);
    EXPECT_EQ(Doubles(arrayRAW + 198, arrayRAW + 200), (Doubles{3, 4}));
}

// ---- Live evaluation --------------------------------------------------------------------------

// A reply's words put where the receive handler leaves them, and the newest sample of a chart
// history.
class Live : public LineTest {
  protected:
    static void Reply(std::vector<unsigned> words) {
        words.resize(16, 0);
        for (int i = 0; i < 16; i++)
            pp[i] = uint16_t(words[i]);
    }
    static Doubles Newest(const double *history, int traces) {
        const double *n = history + 100 * traces - traces;
        return Doubles(n, n + traces);
    }
};

TEST_F(Live, IndicesAreLimitedToOneTo128) {
    const int cases[][2] = {{0, 1}, {1, 1}, {127, 127}, {128, 128}, {200, 128}};
    for (auto &[word, index] : cases) {
        pp[14] = pp[15] = uint16_t(word);
        DecodeLive();
        EXPECT_EQ(indexA, index) << word;
        EXPECT_EQ(indexB, index) << word;
    }
}

TEST_F(Live, BandAroundChannelAIsLimitedToOneTo1000AndUsesTheDeviceToleranceInHardwareMode1) {
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    SetCtrlVal(panelHandle, NEDIThwmode, 0); // tolerance from the parameter set
    refA = 950, tolA = 100;
    Reply({812});
    PlotNORMValues(arrayNORM);
    EXPECT_EQ(Newest(arrayNORM, 6), (Doubles{1000, 850, 950, 1005, 1005, 812}));
    refA = 30;
    PlotNORMValues(arrayNORM);
    EXPECT_EQ((Ints{upTHR, loTHR}), (Ints{130, 1}));
    int colour = 0;
    GetTraceAttribute(panelHandle, STRIPNORM, 6, ATTR_TRACE_COLOR, colour);
    EXPECT_EQ(colour, 0xFF0000);
    SetCtrlVal(panelHandle, NEDIThwmode, 1); // the controller's own tolerance, in both numerics
    refA = 500, tolA = 50, tolB = 60;
    Reply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 77});
    PlotNORMValues(arrayNORM);
    EXPECT_EQ(upTHR, 577);
    EXPECT_EQ(CtrlInts(panelHandle, {NEDITtolA, NEDITtolB}), (Ints{77, 77}));
    PlotRAWValues(); // until a raw plot writes the set's tolerances back
    EXPECT_EQ(CtrlInts(panelHandle, {NEDITtolA, NEDITtolB}), (Ints{50, 60}));
}

TEST_F(Live, ChannelBInDifferenceModeUsesChannelAsBandButItsOwnMarkersIdleInAnalogMode5) {
    SetCtrlVal(panelHandle, NEDIThwmode, 0);
    evalmode = 3, anamode = 3;
    refA = 500, tolA = 50, refB = 900, tolB = 10;
    Reply({700, 600, 0, 0, 0, 0, 910, 920, 110, 120, 0, 0, 0, 333});
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    PlotNORMValues(arrayNORM);
    EXPECT_EQ(Newest(arrayNORM, 6), (Doubles{550, 450, 500, 910, 110, 333}));
    SetCtrlVal(panelHandle, RNGGraphSource, 3);
    PlotNORMValues(arrayNORM);
    EXPECT_EQ(Newest(arrayNORM, 6), (Doubles{550, 450, 500, 920, 120, 333}));
    int colour = 0;
    GetTraceAttribute(panelHandle, STRIPNORM, 6, ATTR_TRACE_COLOR, colour);
    EXPECT_EQ(colour, 0x00FFFF);
    anamode = 5; // a mode without markers: both sit at the idle level above the band
    PlotNORMValues(arrayNORM);
    EXPECT_EQ(Newest(arrayNORM, 6), (Doubles{550, 450, 500, 1005, 1005, 333}));
}

TEST_F(Live, RawHistoryTakesAdcOrNormValuesByViewAndTheLedsShowInputsUpToThree) {
    Reply({812, 790, 523, 498, 640, 650, 0, 0, 0, 0, 0, 0, 2, 0, 1, 1});
    const std::pair<int, Doubles> views[] = {{0, {523, 498}}, {1, {812, 790}}, {3, {0, 0}}};
    for (auto &[view, newest] : views) {
        SetCtrlVal(panelHandle, RNGGraphSource, view);
        PlotRAWValues();
        EXPECT_EQ(Newest(arrayRAW, 2), newest) << view;
    }
    EXPECT_EQ(CtrlInts(panelHandle, {NUMadcA, NUMBmax, LEDIn0, LEDIn1}), (Ints{523, 650, 0, 1}));
    double shown[101];
    EXPECT_EQ(StripChartPoints(panelHandle, STRIPRAW, 1, shown, 101), 101);
    EXPECT_EQ(Doubles(shown + 98, shown + 100), (Doubles{523, 812}));
    Reply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3});
    PlotRAWValues();
    Reply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4}); // not a state of two inputs: LEDs stay
    PlotRAWValues();
    EXPECT_EQ(CtrlInts(panelHandle, {LEDIn0, LEDIn1}), (Ints{1, 1}));
}

// ---- Mode-dependent controls -------------------------------------------------------------------

TEST_F(Live, EvaluationAndTriggerRingsAreCoupledThroughValueTwoKeepingDifferenceStates) {
    SetCtrlVal(panelPopUp, DropTrigmode, 4);
    OperatorSet(panelPopUp, DROP_EvalMode, 2);
    EXPECT_EQ(CtrlInt(panelPopUp, DropTrigmode), 2);
    OperatorSet(panelPopUp, DROP_EvalMode, 1);
    EXPECT_EQ(CtrlInt(panelPopUp, DropTrigmode), 0);
    SetCtrlVal(panelPopUp, DropTrigmode, 4);
    OperatorSet(panelPopUp, DROP_EvalMode, 0);
    EXPECT_EQ(CtrlInt(panelPopUp, DropTrigmode), 4);
    OperatorSet(panelPopUp, DROP_EvalMode, 2);
    OperatorSet(panelPopUp, DropTrigmode, 0);
    EXPECT_EQ(CtrlInt(panelPopUp, DROP_EvalMode), 0);
    OperatorSet(panelPopUp, DROP_EvalMode, 3);
    OperatorSet(panelPopUp, DropTrigmode, 2); // forces mode 2 but keeps difference mode's states
    EXPECT_EQ(CtrlInt(panelPopUp, DROP_EvalMode), 2);
    EXPECT_EQ(Attr(panelHandle, NEDITrefB, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(panelHandle, NUMDIFF, ATTR_VISIBLE), 1);
}

TEST_F(Live, PowerSwitchShowsOnePowerNumericAndGraphSourceOneTheRawChart) {
    EXPECT_EQ(CtrlInt(panelHandle, BINSWpower), 1);
    OperatorSet(panelHandle, BINSWpower, 0);
    EXPECT_EQ(Attrs(panelHandle, {NEDITpowerA, NEDITpowerB}, ATTR_VISIBLE), (Ints{0, 1}));
    OperatorSet(panelHandle, BINSWpower, 1);
    EXPECT_EQ(Attrs(panelHandle, {NEDITpowerA, NEDITpowerB}, ATTR_VISIBLE), (Ints{1, 0}));
    OperatorSet(panelHandle, RNGGraphSource, 1);
    EXPECT_EQ(Attrs(panelHandle, {STRIPRAW, STRIPNORM}, ATTR_VISIBLE), (Ints{1, 0}));
    EXPECT_EQ(type, 0);
    OperatorSet(panelHandle, RNGGraphSource, 3);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(Attr(panelHandle, STRIPNORM, ATTR_VISIBLE), 1);
}

// ---- Strip chart drawing ----------------------------------------------------------------------

// The NORM chart shown with its six traces; the event turns since the panel came up are spent.
class Strip : public Live {
  protected:
    void SetUp() override {
        Live::SetUp();
        SetCtrlAttribute(panelHandle, STRIPNORM, ATTR_VISIBLE, 1);
        SetCtrlAttribute(panelHandle, STRIPNORM, ATTR_NUM_TRACES, NORM_TRACES);
        DisplayPanel(panelHandle);
        Turns(5);
    }
    // Paints in each of n event-processing turns.
    static Ints Turns(int n) {
        Ints paints;
        for (int i = 0; i < n; i++) {
            int before = StripChartPaints(panelHandle, STRIPNORM);
            ProcessSystemEvents();
            paints.push_back(StripChartPaints(panelHandle, STRIPNORM) - before);
        }
        return paints;
    }
    static void Burst(int samples, int from) { // samples of six values each: from, from + 1, ...
        double values[NORM_TRACES];
        for (int s = 0; s < samples; s++) {
            std::fill(values, values + NORM_TRACES, from + s);
            values[5] = -(from + s);
            PlotStripChart(panelHandle, STRIPNORM, values, NORM_TRACES, 0, 0);
        }
    }
    static Doubles Shown(int trace, int max) {
        Doubles v(size_t(max), 0.0);
        v.resize(size_t(StripChartPoints(panelHandle, STRIPNORM, trace, v.data(), max)));
        return v;
    }
};

TEST_F(Strip, AppendingHundredsOfSamplesPaintsOncePerDisplayFrameAndKeepsEverySample) {
    AdvanceTestClock(1.0); // long past the last paint
    Burst(300, 1);
    EXPECT_EQ(Turns(5), (Ints{0, 1, 0, 0, 0})); // a frame has passed: one repaint, a turn on
    EXPECT_EQ(Shown(1, 3), (Doubles{298, 299, 300}));
    EXPECT_EQ(Shown(6, 3), (Doubles{-298, -299, -300}));
    Burst(300, 301); // within the same display frame: held back, nothing lost
    EXPECT_EQ(Turns(5), (Ints{0, 0, 0, 0, 0}));
    EXPECT_EQ(Shown(1, 101).front(), 500);
    EXPECT_EQ(Shown(6, 101).back(), -600);
    AdvanceTestClock(1 / 60.0);                 // the offscreen screen's frame has passed
    EXPECT_EQ(Turns(5), (Ints{0, 1, 0, 0, 0})); // the frame timer, then its one repaint
}

TEST_F(Strip, FewerPointsPerScreenKeepTheNewestValuesAndMoreKeepThemAll) {
    Burst(101, 1);
    SetCtrlAttribute(panelHandle, STRIPNORM, ATTR_POINTS_PER_SCREEN, 10);
    EXPECT_EQ(Shown(1, 101), (Doubles{92, 93, 94, 95, 96, 97, 98, 99, 100, 101}));
    Burst(1, 102);
    EXPECT_EQ(Shown(1, 101).front(), 93);
    SetCtrlAttribute(panelHandle, STRIPNORM, ATTR_POINTS_PER_SCREEN, 20);
    Burst(2, 103);
    EXPECT_EQ(Shown(1, 101), (Doubles{93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103, 104}));
}

// What the window shows of the chart, against a picture of the chart painted whole.
static QImage OnScreen(QWidget *w) {
    QWidget *window = w->window();
    QPoint at = w->mapTo(window, QPoint(0, 0));
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(window->winId()).toImage();
    return shot.copy(QRect(at, w->size())).convertToFormat(QImage::Format_RGB32);
}
static QImage Whole(QWidget *w) {
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Repaints cover only the bands the traces move through; no trace may be left behind where it
// was, whatever it jumps to, and a picture taken in between must not upset the bookkeeping.
TEST_F(Strip, RepaintsOfTheChangedBandsLeaveTheScreenAsAWholePaintWouldShowIt) {
    QWidget *chart = plat::CtrlWidget(panelHandle, STRIPNORM);
    ASSERT_TRUE(chart);
    auto paint = [] {
        AdvanceTestClock(1.0);
        Turns(3);
    };
    Burst(101, 1); // six rising ramps, one of them below the axis
    paint();
    QImage ramps = OnScreen(chart);
    EXPECT_EQ(ramps, Whole(chart));
    Burst(30, 900); // a jump: the old ramps' pixels must go
    paint();
    EXPECT_EQ(OnScreen(chart), Whole(chart));
    EXPECT_NE(OnScreen(chart), ramps);
    Burst(10, 300);
    std::string png = testing::TempDir() + "strip.png";
    ASSERT_EQ(GrabControl(panelHandle, STRIPNORM, png.c_str()), 0); // painted whole, not shown
    Burst(10, 600);
    paint();
    EXPECT_EQ(OnScreen(chart), Whole(chart));
}

// ---- The loop ---------------------------------------------------------------------------------

class Monitor : public Live {};

TEST_F(Monitor, RunPollsAndPlotsEveryReplyUntilStop) {
    unsigned short live[16] = {812, 790, 523, 498, 640, 650, 900, 880, 700, 690, 0, 0, 1, 0, 5, 9};
    SimSetLiveWords(live);
    AtTestTime(Timer() + 1.0, [] { OperatorPress(panelHandle, BTNStop); });
    OperatorPress(panelHandle, BTNRun);
    EXPECT_EQ(stop_flag, 1);
    int requests = SentCount(8);
    EXPECT_GT(requests, 20); // a reply every ~40 ms of line time
    EXPECT_LT(requests, 27);
    EXPECT_EQ(CtrlInts(panelHandle, {NUMvalA, LEDIn0}), (Ints{812, 1}));
    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"Line Ok!"}));
    EXPECT_EQ(Attrs(panelHandle, {BTNRun, BTNData}, ATTR_DIMMED), (Ints{0, 0}));
    EXPECT_EQ(arrayNORM[0], 2560); // Stop reset the history
}

TEST_F(Monitor, TwoRepliesBeforeATurnGiveOnePlotAndOneRequest) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    SetCtrlVal(panelHandle, RNGGraphSource, 0);
    // One reply is there when a turn's event processing starts, the second arrives while it waits.
    AtTestTime(Timer() + 0.010, [] {
        Bytes first = Frame(8, {111, 0, 11}), second = Frame(8, {222, 0, 22});
        first[0] = second[0] = 0xEE; // replies are taken whatever their first bytes hold
        SimSetLineTiming(false);
        SimQueueRaw(first.data(), 36, Timer());
        SimQueueRaw(second.data(), 36, Timer() + 0.0005);
    });
    OperatorPress(panelHandle, BTNRun); // ends by time-out after the second request
    EXPECT_EQ(SentCount(8), 2);
    EXPECT_EQ(valNORMA, 222);
    EXPECT_EQ(Doubles(arrayRAW + 196, arrayRAW + 200), (Doubles{0, 0, 22, 0}));
}

TEST_F(Monitor, StopWhileIdleResetsBothHistoriesAndSendsNothing) {
    FillarrayRAW(5, 5);
    FillarrayNORM(1, 1, 1);
    SetCtrlAttribute(panelHandle, BTNData, ATTR_DIMMED, 1);
    OperatorPress(panelHandle, BTNStop);
    EXPECT_TRUE(SentBytes().empty());
    EXPECT_EQ(arrayRAW[7], 0);
    EXPECT_EQ(Doubles(arrayNORM, arrayNORM + 6), (Doubles{2560, 1536, 2048, 0, 0, 0}));
    EXPECT_EQ(Attr(panelHandle, BTNData, ATTR_DIMMED), 0);
}

TEST_F(Monitor, ARunWithoutRepliesEndsAt2001MsAndANewRunKeepsRawAndResetsNormHistory) {
    SetCtrlVal(panelHandle, RNGGraphSource, 0);
    AtTestTime(Timer() + 0.5, [] { SimSetFault(SIM_FAULT_NO_ANSWER); });
    OperatorPress(panelHandle, BTNRun);
    ASSERT_EQ(StatusLine(), "Timeout RS232-Line!");
    double lastA = arrayRAW[198];
    EXPECT_GT(lastA, 0);
    refA = 700, tolA = 40;
    AtTestTime(Timer() + 0.001, [] {
        // Reset from refA and tolA when Run started.
        EXPECT_EQ(Doubles(arrayNORM, arrayNORM + 2), (Doubles{740, 660}));
    });
    SimClearSent();
    SetStatus("");
    OperatorPress(panelHandle, BTNRun);
    EXPECT_DOUBLE_EQ(tdiff, 2.001); // a request aged exactly 2 s did not end the loop
    EXPECT_EQ(StatusLine(), "Timeout RS232-Line!");
    EXPECT_EQ(SentCount(8), 1);
    EXPECT_EQ(Attrs(panelHandle, {BTNRun, BTNData}, ATTR_DIMMED), (Ints{0, 1})); // Data until Stop
    EXPECT_EQ(arrayRAW[198], lastA); // not cleared: only Stop and the start-up clear it
}

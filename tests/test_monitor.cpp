// Live monitor: chart histories, live evaluation, mode-dependent controls and the run/stop
// loop, against the simulated controller on the test clock.
#include "fixture.h"

#include <cmath>

using Doubles = std::vector<double>;

// ---- History routines -------------------------------------------------------------------------

TEST(History, CountsBelowOneAndShiftsAsLongAsTheArrayAreRefused) {
    double x[200] = {}, y[200] = {};
    EXPECT_EQ(Copy1D(x, 0, y), -20003);
    EXPECT_EQ(Shift(x, 0, 0, y), -20003);
    EXPECT_EQ(Shift(x, 200, 200, y), -20102);
    EXPECT_EQ(Shift(x, 200, -200, y), -20102);
}

TEST(History, ShiftMovesValuesAndZeroFillsInPlaceBothWays) {
    double a[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(Shift(a, 6, 2, a), 0);
    EXPECT_EQ(Doubles(a, a + 6), (Doubles{0, 0, 1, 2, 3, 4}));
    double b[200];
    for (int i = 0; i < 200; i++)
        b[i] = i + 1;
    EXPECT_EQ(Shift(b, 200, -2, b), 0);
    EXPECT_EQ(b[0], 3);
    EXPECT_EQ(b[197], 200);
    EXPECT_EQ(b[198], 0);
    EXPECT_EQ(b[199], 0);
    double c[200], d[200];
    for (int i = 0; i < 200; i++)
        c[i] = i + 1, d[i] = -1;
    EXPECT_EQ(Shift(c, 200, 199, d), 0);
    EXPECT_EQ(d[199], 1);
    EXPECT_EQ(d[0], 0);
    EXPECT_EQ(d[198], 0);
}

TEST(History, FillsSetEverySample) {
    FillarrayNORM(100, 500, 0);
    for (int s = 0; s < 100; s++)
        EXPECT_EQ(Doubles(arrayNORM + 6 * s, arrayNORM + 6 * s + 6),
                  (Doubles{600, 400, 500, 0, 0, 0}));
    FillarrayNORM(512, 30, 7); // no limits here: the lower threshold goes negative
    EXPECT_EQ(arrayNORM[1], 30 - 512);
    FillarrayRAW(3, 4);
    EXPECT_EQ(arrayRAW[198], 3);
    EXPECT_EQ(arrayRAW[199], 4);
}

// ---- Live evaluation --------------------------------------------------------------------------

class Live : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        LoadPanels();
    }
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
    Reply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200});
    DecodeLive();
    EXPECT_EQ(indexA, 1);
    EXPECT_EQ(indexB, 128);
    Reply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 128, 127});
    DecodeLive();
    EXPECT_EQ(indexA, 128);
    EXPECT_EQ(indexB, 127);
}

TEST_F(Live, BandAroundChannelAIsLimitedToOneTo1000) {
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    SetCtrlVal(panelHandle, NEDIThwmode, 0); // tolerance from the parameter set
    refA = 950, tolA = 100;
    Reply({812});
    PlotNORMValues(arrayNORM);
    EXPECT_EQ(Newest(arrayNORM, 6), (Doubles{1000, 850, 950, 1005, 1005, 812}));
    refA = 30;
    PlotNORMValues(arrayNORM);
    EXPECT_EQ(upTHR, 130);
    EXPECT_EQ(loTHR, 1);
    int colour = 0;
    GetTraceAttribute(panelHandle, STRIPNORM, 6, ATTR_TRACE_COLOR, colour);
    EXPECT_EQ(colour, 0xFF0000);
}

TEST_F(Live, ChannelBInDifferenceModeUsesChannelAsBandButItsOwnMarkers) {
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
}

TEST_F(Live, DeviceToleranceShowsInBothNumericsUntilARawPlotWritesTheSetBack) {
    SetCtrlVal(panelHandle, NEDIThwmode, 1);
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    refA = 500, tolA = 50, tolB = 60;
    Reply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 77});
    PlotNORMValues(arrayNORM);
    EXPECT_EQ(upTHR, 577);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITtolA), 77);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITtolB), 77);
    PlotRAWValues();
    EXPECT_EQ(CtrlInt(panelHandle, NEDITtolA), 50);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITtolB), 60);
}

TEST_F(Live, OtherSourcesKeepTheBandAndAppendZerosToTheRawHistory) {
    SetCtrlVal(panelHandle, RNGGraphSource, 0);
    Reply({812, 790, 523, 498, 640, 650, 0, 0, 0, 0, 0, 0, 2, 0, 1, 1});
    PlotRAWValues();
    EXPECT_EQ(Newest(arrayRAW, 2), (Doubles{523, 498}));
    EXPECT_EQ(CtrlInt(panelHandle, NUMadcA), 523);
    EXPECT_EQ(CtrlInt(panelHandle, NUMBmax), 650);
    EXPECT_EQ(CtrlInt(panelHandle, LEDIn0), 0);
    EXPECT_EQ(CtrlInt(panelHandle, LEDIn1), 1);
    SetCtrlVal(panelHandle, RNGGraphSource, 1);
    PlotRAWValues();
    EXPECT_EQ(Newest(arrayRAW, 2), (Doubles{812, 790}));
    SetCtrlVal(panelHandle, RNGGraphSource, 3);
    PlotRAWValues();
    EXPECT_EQ(Newest(arrayRAW, 2), (Doubles{0, 0}));
    double shown[101];
    EXPECT_EQ(StripChartPoints(panelHandle, STRIPRAW, 1, shown, 101), 101);
    EXPECT_EQ(shown[98], 523);
    EXPECT_EQ(shown[99], 812);
}

TEST_F(Live, InputsAboveThreeLeaveTheLedsAlone) {
    Reply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3});
    PlotRAWValues();
    Reply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4});
    PlotRAWValues();
    EXPECT_EQ(CtrlInt(panelHandle, LEDIn0), 1);
    EXPECT_EQ(CtrlInt(panelHandle, LEDIn1), 1);
}

TEST_F(Live, AnalogModeFiveGivesBothMarkersTheIdleLevel) {
    SetCtrlVal(panelHandle, RNGGraphSource, 3);
    anamode = 5;
    Reply({0, 0, 0, 0, 0, 0, 10, 20, 30, 40});
    PlotNORMValues(arrayNORM);
    EXPECT_EQ(arrayNORM[597], 1005);
    EXPECT_EQ(arrayNORM[598], 1005);
}

// ---- Mode-dependent controls -------------------------------------------------------------------

TEST_F(Live, EvaluationAndTriggerRingsAreCoupledThroughTheirValueTwo) {
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
}

TEST_F(Live, TriggerModeTwoInDifferenceModeKeepsTheDifferenceStates) {
    OperatorSet(panelPopUp, DROP_EvalMode, 3);
    EXPECT_EQ(Attr(panelHandle, NUMDIFF, ATTR_VISIBLE), 1);
    OperatorSet(panelPopUp, DropTrigmode, 2);
    EXPECT_EQ(CtrlInt(panelPopUp, DROP_EvalMode), 2);
    EXPECT_EQ(Attr(panelHandle, NEDITrefB, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(panelHandle, NUMDIFF, ATTR_VISIBLE), 1);
}

TEST_F(Live, PowerSwitchShowsOnePowerNumeric) {
    EXPECT_EQ(CtrlInt(panelHandle, BINSWpower), 1);
    EXPECT_EQ(OperatorSet(panelHandle, BINSWpower, 0), 0);
    EXPECT_EQ(CtrlInt(panelHandle, BINSWpower), 0);
    EXPECT_EQ(Attr(panelHandle, NEDITpowerA, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(panelHandle, NEDITpowerB, ATTR_VISIBLE), 1);
    OperatorSet(panelHandle, BINSWpower, 1);
    EXPECT_EQ(Attr(panelHandle, NEDITpowerA, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(panelHandle, NEDITpowerB, ATTR_VISIBLE), 0);
}

TEST_F(Live, GraphSourceOneShowsTheRawChartAndPlotsRaw) {
    OperatorSet(panelHandle, RNGGraphSource, 1);
    EXPECT_EQ(Attr(panelHandle, STRIPRAW, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(panelHandle, STRIPNORM, ATTR_VISIBLE), 0);
    EXPECT_EQ(type, 0);
    OperatorSet(panelHandle, RNGGraphSource, 3);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(Attr(panelHandle, STRIPNORM, ATTR_VISIBLE), 1);
}

// ---- The loop ---------------------------------------------------------------------------------

class Monitor : public Live {
  protected:
    void SetUp() override {
        Live::SetUp();
        InitRS232(com);
        SimClearSent();
        ClearStatusHistory();
    }
    static int LiveRequests() {
        Bytes b = SentBytes();
        int n = 0;
        for (size_t i = 0; i + 36 <= b.size(); i += 36)
            n += b[i + 3] == 8;
        return n;
    }
};

static void PressStop() {
    OperatorPress(panelHandle, BTNStop);
}

TEST_F(Monitor, RunPollsAndPlotsEveryReplyUntilStop) {
    unsigned short live[16] = {812, 790, 523, 498, 640, 650, 900, 880, 700, 690, 0, 0, 1, 0, 5, 9};
    SimSetLiveWords(live);
    AtTestTime(Timer() + 1.0, PressStop);
    OperatorPress(panelHandle, BTNRun);
    EXPECT_EQ(stop_flag, 1);
    int requests = LiveRequests();
    EXPECT_GT(requests, 20); // a reply every ~40 ms of line time
    EXPECT_LT(requests, 27);
    EXPECT_EQ(CtrlInt(panelHandle, NUMvalA), 812);
    EXPECT_EQ(CtrlInt(panelHandle, LEDIn0), 1);
    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"Line Ok!"}));
    EXPECT_EQ(Attr(panelHandle, BTNRun, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(panelHandle, BTNData, ATTR_DIMMED), 0);
    EXPECT_EQ(arrayNORM[0], 2560); // Stop reset the history
}

TEST_F(Monitor, ARequestAgedExactlyTwoSecondsDoesNotEndTheLoopJustAboveDoes) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    double t0 = Timer();
    OperatorPress(panelHandle, BTNRun);
    EXPECT_DOUBLE_EQ(Timer() - t0, 2.001); // turns at 2.000 s went on
    EXPECT_EQ(StatusLine(), "Timeout RS232-Line!");
    EXPECT_EQ(Attr(panelHandle, BTNRun, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(panelHandle, BTNData, ATTR_DIMMED), 1); // until Stop
    EXPECT_EQ(LiveRequests(), 1);
}

// One reply is there when a turn's event processing starts, the second arrives while it waits.
static void TwoReplies() {
    Bytes first = Frame(8, {111, 0, 11});
    Bytes second = Frame(8, {222, 0, 22});
    first[0] = second[0] = 0xEE; // replies are taken whatever their first bytes hold
    SimSetLineTiming(false);
    SimQueueRaw(first.data(), 36, Timer());
    SimQueueRaw(second.data(), 36, Timer() + 0.0005);
}

TEST_F(Monitor, TwoRepliesBeforeATurnGiveOnePlotAndOneRequest) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    SetCtrlVal(panelHandle, RNGGraphSource, 0);
    AtTestTime(Timer() + 0.010, TwoReplies);
    OperatorPress(panelHandle, BTNRun); // ends by time-out after the second request
    EXPECT_EQ(LiveRequests(), 2);
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

TEST_F(Monitor, ANewRunAfterATimeOutKeepsTheRawHistoryAndResetsTheNormHistory) {
    SetCtrlVal(panelHandle, RNGGraphSource, 0);
    AtTestTime(Timer() + 0.5, [] { SimSetFault(SIM_FAULT_NO_ANSWER); });
    OperatorPress(panelHandle, BTNRun);
    ASSERT_EQ(StatusLine(), "Timeout RS232-Line!");
    double lastA = arrayRAW[198];
    EXPECT_GT(lastA, 0);
    refA = 700, tolA = 40;
    AtTestTime(Timer() + 0.001, [] {
        EXPECT_EQ(arrayNORM[0], 740); // reset from refA and tolA when Run started
        EXPECT_EQ(arrayNORM[1], 660);
    });
    OperatorPress(panelHandle, BTNRun);
    EXPECT_EQ(arrayRAW[198], lastA); // not cleared: only Stop and the start-up clear it
}

// Scan capture and the curve display: data block reads, limits, the four views and the cursor,
// against the simulated controller on the test clock.
#include "fixture.h"

#include <algorithm>

class Scan : public LineTest {
  protected:
    // A raw block the controller did not compute: n bytes 1, 2, 3, ... arriving after seconds
    // from now (after the request, so the input flush before it does not take them).
    static void QueueBlock(int n, double after = 0.005) {
        unsigned char bytes[200];
        for (int i = 0; i < n; i++)
            bytes[i] = static_cast<unsigned char>(1 + i);
        SimSetLineTiming(false);
        SimQueueRaw(bytes, n, Timer() + after);
    }
    static void Prefill() { // 7 everywhere, to see what a read writes
        std::fill(yArrayA, yArrayA + 256, 7);
        std::fill(yArrayB, yArrayB + 256, 7);
    }
    static Ints Kinds() { // data kind of every block request sent
        Bytes b = SentBytes();
        Ints kinds;
        for (size_t i = 0; i + 36 <= b.size(); i += 36)
            if (b[i + 3] == 9) kinds.push_back(b[i + 7]);
        return kinds;
    }
    static std::vector<GraphPlotInfo> Plots() {
        std::vector<GraphPlotInfo> plots;
        GraphPlotInfo info;
        double y[1];
        for (int i = 0; GraphPlot(panelHandle, GRAPHData, i, info, y, 0) == 0; i++)
            plots.push_back(info);
        return plots;
    }
    static Doubles Cursor() { // where cursor 1 stands, or nothing without a cursor
        double x, y;
        if (GetGraphCursor(panelHandle, GRAPHData, 1, x, y) != 0) return {};
        return {x, y};
    }
};

TEST_F(Scan, BlockReadsNameOffsetAndKindAndStoreUnsignedWordsOnlyWhereTheOffsetNamesABlock) {
    ReadData64(192, 0, 9);
    EXPECT_EQ(SentBytes(), Frame(9, {192}));
    SimSetFault(SIM_FAULT_NO_ANSWER); // from here only the raw blocks queued below answer
    Prefill();
    QueueBlock(128);
    EXPECT_EQ(ReadData64(32, 1, 9), 64); // no block starts at word 32: nothing is stored
    EXPECT_EQ(std::count(yArrayA, yArrayA + 256, 7) + std::count(yArrayB, yArrayB + 256, 7), 512);
    QueueBlock(128);
    EXPECT_EQ(ReadData64(64, 1, 9), 64); // the second half of channel A, nothing else
    EXPECT_EQ((Ints{yArrayA[64], yArrayA[127]}), (Ints{0x0102, 0x7F80}));
    EXPECT_EQ(std::count(yArrayA, yArrayA + 256, 7) + std::count(yArrayB, yArrayB + 256, 7), 448);
    EXPECT_EQ(StatusLine(), "Data[64] block received!");
    unsigned char ff[2] = {0xFF, 0xFF};
    SimQueueRaw(ff, 2, Timer() + 0.005);
    QueueBlock(126);
    ReadData64(0, 1, 9);
    EXPECT_EQ(yArrayA[0], 65535);
}

TEST_F(Scan, BlocksOfWrongLengthFailButOneFoundJustPastTheTimeOutIsClearedThenStored) {
    SimSetFault(SIM_FAULT_SHORT_BLOCK); // 127 bytes
    Prefill();
    double t0 = Timer();
    EXPECT_EQ(ReadData64(0, 0, 9), 0);
    EXPECT_NEAR(tdiff, 1.5, 0.002); // from the request on
    EXPECT_LT(Timer() - t0, 1.51);
    EXPECT_EQ(StatusLine(), "Timeout-RS-232 while reading 64 data-words!");
    EXPECT_EQ((Ints{yArrayA[0], yArrayB[127], yArrayB[128]}), (Ints{0, 0, 7}));
    EXPECT_EQ(GetInQLen(com), 0); // the 127 bytes were read and dropped
    SimSetFault(SIM_FAULT_LONG_BLOCK);
    SimSetLineTiming(false); // all 130 bytes are there at once
    Prefill();
    SetStatus("before");
    EXPECT_EQ(ReadData64(0, 0, 9), 0);
    EXPECT_EQ(yArrayA[0], 7);
    EXPECT_EQ(StatusLine(), "before");
    SimSetFault(SIM_FAULT_NO_ANSWER);
    // Seen by the poll whose clock reading passes 1.5 s after the request, which goes out once
    // the quiet-line check has seen three idle polls.
    QueueBlock(128, 1.4995 + 0.003);
    EXPECT_EQ(ReadData64(0, 0, 9), 64);
    EXPECT_EQ((Ints{yArrayA[0], yArrayB[0]}), (Ints{0x0102, 0})); // B cleared by the time-out
    EXPECT_EQ(StatusLine(), "Data[64] block received!");
}

// ---- Capture --------------------------------------------------------------------------------

TEST_F(Scan, LimitsAreTheChosenChannelsBandBoundedTo1000AndAtLeastOne) {
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    refA = 1200, tolA = 100;
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ((Ints{upArray[0], loArray[127], refArray[64]}), (Ints{1000, 1100, 1200}));
    refA = 0, tolA = 0;
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ((Ints{upArray[0], loArray[0]}), (Ints{0, 1}));
    SetCtrlVal(panelHandle, RNGGraphSource, 3);
    refB = 50, tolB = 80; // a negative lower limit is raised to one
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ((Ints{upArray[0], loArray[0]}), (Ints{130, 1}));
}

TEST_F(Scan, RawViewRequestsRawDataAndDrawsBothChannelsWithoutCursor) {
    SetCtrlVal(panelHandle, RNGGraphSource, 0);
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ(Kinds(), (Ints{0, 0, 0, 0}));
    std::vector<GraphPlotInfo> p = Plots();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ((Ints{p[0].colour, p[1].colour, p[0].points}), (Ints{0x00FF00, 0x0000FF, 128}));
    EXPECT_EQ(Cursor(), Doubles{});
    EXPECT_EQ(CtrlText(panelHandle, GRAPHData, ATTR_YNAME), "RAW-values / [ADC-units]");
    EXPECT_EQ(Attrs(panelHandle, {GRAPHData, STRIPNORM}, ATTR_VISIBLE), (Ints{1, 0}));
}

TEST_F(Scan, NormalisedViewsDrawLimitsCurvesDashedReferenceAndTheCursorAtTheIndex) {
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ(Cursor(), (Doubles{double(indexA), double(yArrayA[indexA])}));
    // The live values come 40 ms before the blocks; the peak may have drifted by a sample.
    int peak = int(std::max_element(yArrayA, yArrayA + 128) - yArrayA);
    EXPECT_LE(std::abs(peak - int(indexA)), 2);
    unsigned short live[16] = {0, 0, 0, 0, 0, 0, 0, 0, 11, 22, 0, 0, 0, 0, 0, 200};
    SimSetLiveWords(live); // index A 0 -> 1, index B 200 -> 128
    SetCtrlVal(panelHandle, RNGGraphSource, 1);
    SimClearSent();
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ(Kinds(), (Ints{1, 1, 1, 1}));
    std::vector<GraphPlotInfo> p = Plots();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ((Ints{p[2].colour, p[3].colour, p[4].dashed}), (Ints{0xFF0000, 0x404040, 1}));
    EXPECT_LT(p[0].width, p[2].width);
    EXPECT_EQ(Cursor(), (Doubles{1, double(yArrayA[1])}));
    EXPECT_EQ(CtrlInt(panelHandle, NUMvalA), 11); // the minima stand in the value displays
    EXPECT_EQ(CtrlText(panelHandle, GRAPHData, ATTR_YNAME), "NORM=1000*(A/Amax)");
    SetCtrlVal(panelHandle, RNGGraphSource, 3);
    OperatorPress(panelHandle, BTNData);
    ASSERT_EQ(Plots().size(), 4u);
    EXPECT_EQ(Cursor(), (Doubles{128, 0})); // entry 128 is never filled by a scan
}

TEST_F(Scan, FailedCapturesLeaveFlatCurvesAndTheLastLiveValuesAndGiveTheHandlerBack) {
    Prefill();
    MINvalA = 321;
    SimSetFault(SIM_FAULT_NO_ANSWER);
    double t0 = Timer();
    OperatorPress(panelHandle, BTNData);
    EXPECT_NEAR(Timer() - t0, 7.5, 0.02);
    EXPECT_EQ(StatusLine(), "Timeout-RS-232 while reading 64 data-words!");
    EXPECT_EQ(std::count(yArrayA, yArrayA + 128, 0), 128);
    // No live answer: the previous live values stay, and stand in the value display.
    EXPECT_EQ((Ints{MINvalA, CtrlInt(panelHandle, NUMvalA)}), (Ints{321, 321}));
    SimSetFault(SIM_FAULT_SHORT_BLOCK);
    SetStatus("");
    OperatorKey(panelHandle, BTNData); // a commit from the keyboard captures too
    EXPECT_EQ(StatusLine(), "Timeout-RS-232 while reading 64 data-words!");
    SimSetFault(SIM_FAULT_NONE);
    EXPECT_EQ(HandlerTakesReplies(), 1);
}

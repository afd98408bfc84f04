// Scan capture and the curve display: data block reads, limits, the four views and the cursor,
// against the simulated controller on the test clock.
#include "fixture.h"

#include <algorithm>

class Scan : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        LoadPanels();
        InitRS232(com);
        SimClearSent();
        ClearStatusHistory();
    }
    // A raw block the controller did not compute: n bytes 1, 2, 3, ... arriving at time at
    // (a little after the request, so the input flush before it does not take them).
    static void QueueBlock(int n, double at, unsigned char first = 1) {
        unsigned char bytes[200];
        for (int i = 0; i < n; i++)
            bytes[i] = static_cast<unsigned char>(first + i);
        SimSetLineTiming(false);
        SimQueueRaw(bytes, n, at);
    }
    static std::vector<int> Kinds() { // data kind of every block request sent
        Bytes b = SentBytes();
        std::vector<int> kinds;
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
};

TEST_F(Scan, BlockRequestCarriesOffsetKindAndZeros) {
    ReadData64(192, 0, 9);
    Bytes expected(36, 0);
    expected[1] = 0x55, expected[3] = 0x09, expected[5] = 0xC0;
    EXPECT_EQ(SentBytes(), expected);
}

TEST_F(Scan, BlockForOffset64FillsOnlyTheSecondHalfOfChannelA) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    std::fill(yArrayA, yArrayA + 256, 7);
    std::fill(yArrayB, yArrayB + 256, 7);
    QueueBlock(128, Timer() + 0.005);
    EXPECT_EQ(ReadData64(64, 1, 9), 64);
    EXPECT_EQ(yArrayA[63], 7);
    EXPECT_EQ(yArrayA[64], 0x0102);
    EXPECT_EQ(yArrayA[127], 0x7F80);
    EXPECT_EQ(yArrayA[128], 7);
    EXPECT_EQ(yArrayB[0], 7);
    EXPECT_EQ(StatusLine(), "Data[64] block received!");
}

TEST_F(Scan, BlockWordsAreUnsigned) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    unsigned char ff[2] = {0xFF, 0xFF};
    SimSetLineTiming(false);
    SimQueueRaw(ff, 2, Timer() + 0.005);
    QueueBlock(126, Timer() + 0.005);
    ReadData64(0, 1, 9);
    EXPECT_EQ(yArrayA[0], 65535);
}

TEST_F(Scan, BlockForAnOffsetThatNamesNoBlockStoresNothing) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    std::fill(yArrayA, yArrayA + 256, 7);
    std::fill(yArrayB, yArrayB + 256, 7);
    QueueBlock(128, Timer() + 0.005);
    EXPECT_EQ(ReadData64(32, 1, 9), 64);
    EXPECT_TRUE(std::all_of(yArrayA, yArrayA + 256, [](uint16_t v) { return v == 7; }));
    EXPECT_TRUE(std::all_of(yArrayB, yArrayB + 256, [](uint16_t v) { return v == 7; }));
}

TEST_F(Scan, ShortBlockTimesOutAndClearsBothChannels) {
    SimSetFault(SIM_FAULT_SHORT_BLOCK); // 127 bytes
    std::fill(yArrayA, yArrayA + 256, 7);
    std::fill(yArrayB, yArrayB + 256, 7);
    double t0 = Timer();
    EXPECT_EQ(ReadData64(0, 0, 9), 0);
    EXPECT_NEAR(Timer() - t0, 1.5, 0.003);
    EXPECT_EQ(StatusLine(), "Timeout-RS-232 while reading 64 data-words!");
    EXPECT_EQ(yArrayA[0], 0);
    EXPECT_EQ(yArrayB[127], 0);
    EXPECT_EQ(yArrayB[128], 7);
    EXPECT_EQ(GetInQLen(com), 0); // the 127 bytes were read and dropped
}

TEST_F(Scan, LongBlockIsRejectedAndTheStatusStays) {
    SimSetFault(SIM_FAULT_LONG_BLOCK); // 130 bytes, all there at once
    SimSetLineTiming(false);
    std::fill(yArrayA, yArrayA + 256, 7);
    SetStatus("before");
    EXPECT_EQ(ReadData64(0, 0, 9), 0);
    EXPECT_EQ(yArrayA[0], 7);
    EXPECT_EQ(StatusLine(), "before");
}

TEST_F(Scan, ABlockFoundInTheFirstTurnPastTheTimeOutIsClearedThenStored) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    std::fill(yArrayB, yArrayB + 256, 7);
    double t0 = Timer();
    QueueBlock(128, t0 + 1.4995); // seen by the poll whose clock reading passes 1.5 s
    EXPECT_EQ(ReadData64(0, 0, 9), 64);
    EXPECT_EQ(yArrayA[0], 0x0102);
    EXPECT_EQ(yArrayB[0], 0); // cleared by the time-out branch first
    EXPECT_EQ(StatusLine(), "Data[64] block received!");
}

// ---- Capture --------------------------------------------------------------------------------

TEST_F(Scan, LimitsFromChannelAAreBoundedTo1000AndAtLeastOne) {
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    refA = 1200, tolA = 100;
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ(upArray[0], 1000);
    EXPECT_EQ(loArray[127], 1100);
    EXPECT_EQ(refArray[64], 1200);
    refA = 0, tolA = 0;
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ(upArray[0], 0);
    EXPECT_EQ(loArray[0], 1);
}

TEST_F(Scan, LimitsFromChannelBRaiseANegativeLowerLimitToOne) {
    SetCtrlVal(panelHandle, RNGGraphSource, 3);
    refB = 50, tolB = 80;
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ(upArray[0], 130);
    EXPECT_EQ(loArray[0], 1);
}

TEST_F(Scan, RawViewRequestsRawDataAndDrawsBothChannelsWithoutCursor) {
    SetCtrlVal(panelHandle, RNGGraphSource, 0);
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ(Kinds(), (std::vector<int>{0, 0, 0, 0}));
    std::vector<GraphPlotInfo> p = Plots();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].colour, 0x00FF00);
    EXPECT_EQ(p[1].colour, 0x0000FF);
    EXPECT_EQ(p[0].points, 128);
    double x, y;
    EXPECT_EQ(GetGraphCursor(panelHandle, GRAPHData, 1, x, y), -1);
    char title[64];
    GetCtrlAttribute(panelHandle, GRAPHData, ATTR_YNAME, title, int(sizeof title));
    EXPECT_STREQ(title, "RAW-values / [ADC-units]");
    EXPECT_EQ(Attr(panelHandle, GRAPHData, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(panelHandle, STRIPNORM, ATTR_VISIBLE), 0);
}

TEST_F(Scan, NormalisedViewsDrawLimitsCurvesDashedReferenceAndTheCursor) {
    unsigned short live[16] = {0, 0, 0, 0, 0, 0, 0, 0, 11, 22, 0, 0, 0, 0, 0, 200};
    SimSetLiveWords(live); // index A 0 -> 1, index B 200 -> 128
    SetCtrlVal(panelHandle, RNGGraphSource, 1);
    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ(Kinds(), (std::vector<int>{1, 1, 1, 1}));
    std::vector<GraphPlotInfo> p = Plots();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[2].colour, 0xFF0000);
    EXPECT_EQ(p[3].colour, 0x404040);
    EXPECT_EQ(p[4].dashed, 1);
    EXPECT_LT(p[0].width, p[2].width);
    double x, y;
    ASSERT_EQ(GetGraphCursor(panelHandle, GRAPHData, 1, x, y), 0);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, yArrayA[1]);
    EXPECT_EQ(CtrlInt(panelHandle, NUMvalA), 11); // the minima stand in the value displays
    char title[64];
    GetCtrlAttribute(panelHandle, GRAPHData, ATTR_YNAME, title, int(sizeof title));
    EXPECT_STREQ(title, "NORM=1000*(A/Amax)");
    SetCtrlVal(panelHandle, RNGGraphSource, 3);
    OperatorPress(panelHandle, BTNData);
    ASSERT_EQ(Plots().size(), 4u);
    GetGraphCursor(panelHandle, GRAPHData, 1, x, y);
    EXPECT_EQ(x, 128);
    EXPECT_EQ(y, 0); // entry 128 is never filled by a scan
}

TEST_F(Scan, ThePeakOfTheScanSitsUnderTheCursor) {
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    OperatorPress(panelHandle, BTNData);
    double x, y;
    ASSERT_EQ(GetGraphCursor(panelHandle, GRAPHData, 1, x, y), 0);
    EXPECT_EQ(x, indexA);
    EXPECT_EQ(y, yArrayA[indexA]);
    // The live values come 40 ms before the blocks; the peak may have drifted by a sample.
    int peak = int(std::max_element(yArrayA, yArrayA + 128) - yArrayA);
    EXPECT_LE(std::abs(peak - int(indexA)), 2);
}

TEST_F(Scan, SilentControllerTakesSevenAndAHalfSecondsAndLeavesFlatCurves) {
    std::fill(yArrayA, yArrayA + 256, 7);
    MINvalA = 321;
    SimSetFault(SIM_FAULT_NO_ANSWER);
    double t0 = Timer();
    OperatorPress(panelHandle, BTNData);
    EXPECT_NEAR(Timer() - t0, 7.5, 0.02);
    EXPECT_EQ(StatusLine(), "Timeout-RS-232 while reading 64 data-words!");
    EXPECT_TRUE(std::all_of(yArrayA, yArrayA + 128, [](uint16_t v) { return v == 0; }));
    EXPECT_EQ(MINvalA, 321); // no live answer: the previous live values stay
    EXPECT_EQ(CtrlInt(panelHandle, NUMvalA), 321);
}

TEST_F(Scan, TheReceiveHandlerIsBackAfterACaptureEvenWhenBlocksFail) {
    SimSetFault(SIM_FAULT_SHORT_BLOCK);
    OperatorKey(panelHandle, BTNData); // a commit from the keyboard captures too
    EXPECT_EQ(StatusLine(), "Timeout-RS-232 while reading 64 data-words!");
    SimSetFault(SIM_FAULT_NONE);
    rx_flag = 0;
    FillTxBuf(11, pp);
    ComWrt(com, szWriteBuf, FRAMELEN);
    EXPECT_EQ(WaitRxFull(), 1);
}

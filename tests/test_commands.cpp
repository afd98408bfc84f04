// Teach, Reset and Refresh, the firmware text and the banner, against the simulated
// controller on the test clock.
#include "fixture.h"

#include <cstring>

using Texts = std::vector<std::string>;

class Commands : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        LoadPanels();
        InitRS232(com);
        SimClearSent();
        ClearStatusHistory();
    }
};

TEST_F(Commands, ResetSendsOrder10WithSetIAsThePanelShowsIt) {
    SetCtrlVal(panelHandle, NEDITrefA, 1234); // edited, not yet read into refA
    OperatorPress(panelHandle, ButtonReset);
    Bytes sent = SentBytes();
    ASSERT_GE(sent.size(), 36u);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 36),
              Frame(10, {0, 500, 1234, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 0}));
}

TEST_F(Commands, RefreshAnsweredTwiceEndsOnParameterFrameReceivedWithTheControllersSetI) {
    SimSetRamWord(0, 3, 321); // tolA in the controller
    OperatorPress(panelHandle, ButtonRefresh);
    EXPECT_EQ(StatusTexts(), (Texts{"Line Ok!", "Waiting for parameter-frame ...",
                                    "Parameter-frame received! - Line Ok!"}));
    EXPECT_EQ(tolA, 321);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITtolA), 512); // the panel keeps what was sent
}

TEST_F(Commands, TeachWithoutAnswerTimesOutAfterOneAndAHalfSeconds) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    double t0 = Timer();
    OperatorPress(panelHandle, ButtonTeach);
    EXPECT_EQ(StatusTexts(), (Texts{"Teach new Reference-Value ...", "Line Ok!",
                                    "New setpoint value teached!", "Timeout RS-232!!"}));
    EXPECT_NEAR(Timer() - t0, 1.5, 0.002);
    EXPECT_EQ(refA, 2048);
}

TEST_F(Commands, TeachFromTheKeyboardRunsWithoutTheAnnouncement) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    OperatorKey(panelHandle, ButtonTeach);
    EXPECT_EQ(StatusTexts(),
              (Texts{"Line Ok!", "New setpoint value teached!", "Timeout RS-232!!"}));
}

TEST_F(Commands, TeachTakesTheControllersNewReferenceIntoRefA) {
    unsigned short live[16] = {777};
    SimSetLiveWords(live);
    OperatorPress(panelHandle, ButtonTeach);
    EXPECT_EQ(StatusLine(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(refA, 777);
}

TEST_F(Commands, CommandWithoutPortSaysNoLineOkAndTimesOut) {
    CloseCom(com);
    OperatorPress(panelHandle, ButtonRefresh);
    EXPECT_EQ(StatusTexts(), (Texts{"Timeout RS-232!!"}));
}

// ---- Firmware -------------------------------------------------------------------------------

TEST_F(Commands, FirmwareTextIsShownAndTheHandlerIsBack) {
    EXPECT_EQ(GetVERSIONInfo(), 64);
    EXPECT_STREQ(szVersion, kSimFirmware);
    EXPECT_EQ(StatusLine(), kSimFirmware);
    EXPECT_EQ(rx_flag, 0);
    FillTxBuf(11, pp); // the receive handler takes replies again
    ComWrt(com, szWriteBuf, FRAMELEN);
    EXPECT_EQ(WaitRxFull(), 1);
}

TEST_F(Commands, ShortFirmwareAnswerTimesOutAndLeavesTheLineClean) {
    SimSetFault(SIM_FAULT_SHORT_BLOCK);
    double t0 = Timer();
    EXPECT_EQ(GetVERSIONInfo(), 63);
    EXPECT_NEAR(Timer() - t0, 2.0, 0.01);
    EXPECT_EQ(StatusLine(), "Timeout - reading firmware info!");
    EXPECT_STREQ(szVersion, "");
    EXPECT_EQ(rx_flag, 0);
    EXPECT_EQ(GetInQLen(com), 0);
    SimSetFault(SIM_FAULT_NONE);
    FillTxBuf(11, pp);
    ComWrt(com, szWriteBuf, FRAMELEN);
    EXPECT_EQ(WaitRxFull(), 1);
}

TEST_F(Commands, LongFirmwareAnswerIsRejectedAndTheStatusStays) {
    SetStatus("before");
    SimSetFault(SIM_FAULT_LONG_BLOCK);
    SimSetLineTiming(false); // all 66 bytes are there when the wait looks
    EXPECT_EQ(GetVERSIONInfo(), 66);
    EXPECT_STREQ(szVersion, "");
    EXPECT_EQ(StatusLine(), "before");
    EXPECT_EQ(GetInQLen(com), 0);
}

TEST_F(Commands, HostileFirmwareBytesNeverReachTheStatusLineRaw) {
    unsigned char bytes[64];
    memset(bytes, 'A', sizeof bytes);
    bytes[0] = '\n';
    bytes[1] = 0x1B; // escape
    bytes[2] = 0xFF;
    bytes[3] = 0x7F;
    SimSetFirmware(bytes, 64);
    EXPECT_EQ(GetVERSIONInfo(), 64);
    EXPECT_EQ(strlen(szVersion), 64u); // no terminator in the answer: all 64, no more
    EXPECT_EQ(std::string(szVersion, 6), "????AA");
    bytes[10] = 0; // a terminator in the middle ends the text
    SimSetFirmware(bytes, 64);
    GetVERSIONInfo();
    EXPECT_STREQ(szVersion, "????AAAAAA");
}

TEST_F(Commands, StartUpWithoutFirmwareAnswerEndsOnTheFirmwareError) {
    SimSetFault(SIM_FAULT_SHORT_BLOCK); // echo and parameter frames are fine, the block is not
    InitRS232(com);
    EXPECT_EQ(StatusLine(), "Error reading firmware-info!");
}

// ---- Banner ---------------------------------------------------------------------------------

struct Line {
    std::string text;
    int left, top, size, colour, background;
};

static std::vector<Line> BannerLines() { // the text lines made at run time, in order
    std::vector<Line> lines;
    for (int id = CTRL_COUNT; id < CTRL_COUNT + 64; id++) {
        char text[128];
        if (GetCtrlVal(panelHandle, id, text, int(sizeof text)) != 0) break;
        Line l{text,
               Attr(panelHandle, id, ATTR_LEFT),
               Attr(panelHandle, id, ATTR_TOP),
               Attr(panelHandle, id, ATTR_TEXT_POINT_SIZE),
               Attr(panelHandle, id, ATTR_TEXT_COLOR),
               Attr(panelHandle, id, ATTR_TEXT_BGCOLOR)};
        lines.push_back(l);
    }
    return lines;
}

class Banner : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        panelHandle = LoadPanel(0, "XVELZUK1V15.uir", PANEL);
        snprintf(szSoftname, sizeof szSoftname, "X-VEL-ZUK1-Rerov");
        snprintf(szSoftversion, sizeof szSoftversion, "V1.5");
    }
};

TEST_F(Banner, BrandTwoShowsLogoCompanyLinesNameAndVersionWhiteOnBlue) {
    ShowLogo(2);
    EXPECT_EQ(Attr(panelHandle, DECOBanner, ATTR_FRAME_COLOR), 0x0080FF);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_LEFT), 175);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_TOP), 6);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_VISIBLE), 1);
    std::vector<Line> l = BannerLines();
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[0].text, "Quarvel GmbH");
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(l[i].left, 15);
        EXPECT_EQ(l[i].top, 7 + 15 * i);
        EXPECT_EQ(l[i].size, 11);
    }
    EXPECT_EQ(l[3].text, "X-VEL-ZUK1-Rerov");
    EXPECT_EQ(l[3].left, 220);
    EXPECT_EQ(l[3].top, 32);
    EXPECT_EQ(l[3].size, 16);
    EXPECT_EQ(l[4].text, "V1.5");
    EXPECT_EQ(l[4].left, 380);
    EXPECT_EQ(l[4].top, 36);
    for (const Line &x : l) {
        EXPECT_EQ(x.colour, 0xFFFFFF);
        EXPECT_EQ(x.background, 0x0080FF);
    }
}

TEST_F(Banner, BrandZeroShowsOnlyNameAndVersionGreyOnWhiteWithoutLogo) {
    ShowLogo(0);
    EXPECT_EQ(Attr(panelHandle, DECOBanner, ATTR_FRAME_COLOR), 0xFFFFFF);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_VISIBLE), 0);
    std::vector<Line> l = BannerLines();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0].text, "X-VEL-ZUK1-Rerov");
    EXPECT_EQ(l[0].left, 20);
    EXPECT_EQ(l[1].left, 180);
    EXPECT_EQ(l[1].top, 24);
    EXPECT_EQ(l[1].colour, 0x808080);
}

TEST_F(Banner, BrandsFiveAndSevenChangeNothing) {
    ShowLogo(5);
    ShowLogo(7);
    ShowLogo(-1);
    EXPECT_TRUE(BannerLines().empty());
    EXPECT_EQ(Attr(panelHandle, DECOBanner, ATTR_FRAME_COLOR), 0);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_VISIBLE), 1);
}

TEST_F(Banner, MissingBitmapLeavesThePictureEmpty) {
    EXPECT_EQ(DisplayImageFile(panelHandle, PICLogo, "no-such-logo.bmp"), -1);
    EXPECT_EQ(DisplayImageFile(panelHandle, PICLogo, "qv.bmp"), 0);
}

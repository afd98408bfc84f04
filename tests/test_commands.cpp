// Teach, Reset and Refresh, the firmware text and the banner, against the simulated
// controller on the test clock.
#include "fixture.h"

#include <cstring>
#include <tuple>

using Texts = std::vector<std::string>;

class Commands : public LineTest {};

TEST_F(Commands, ResetSendsOrder10WithSetIAsThePanelShowsIt) {
    SetCtrlVal(panelHandle, NEDITrefA, 1234); // edited, not yet read into refA
    OperatorPress(panelHandle, ButtonReset);
    Bytes sent = SentBytes();
    sent.resize(36); // its own frame; the read of set I after the answer follows it
    EXPECT_EQ(sent, Frame(10, {0, 500, 1234, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 0}));
}

TEST_F(Commands, RefreshEndsOnParameterFrameReceivedWithTheControllersSetIOrWithoutPortTimesOut) {
    SimSetRamWord(0, 3, 321); // tolA in the controller
    OperatorPress(panelHandle, ButtonRefresh);
    EXPECT_EQ(StatusTexts(), (Texts{"Line Ok!", "Waiting for parameter-frame ...",
                                    "Parameter-frame received! - Line Ok!"}));
    EXPECT_EQ(tolA, 321);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITtolA), 512); // the panel keeps what was sent
    CloseCom(com);
    ClearStatusHistory();
    OperatorPress(panelHandle, ButtonRefresh); // nothing written: no "Line Ok!"
    EXPECT_EQ(StatusTexts(), (Texts{"Timeout RS-232!!"}));
}

TEST_F(Commands, TeachTakesTheNewReferenceIntoRefAOrTimesOutAfterOneAndAHalfSeconds) {
    unsigned short live[16] = {777};
    SimSetLiveWords(live);
    OperatorPress(panelHandle, ButtonTeach);
    EXPECT_EQ(StatusLine(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(refA, 777);
    SimSetFault(SIM_FAULT_NO_ANSWER);
    ClearStatusHistory();
    double t0 = Timer();
    OperatorPress(panelHandle, ButtonTeach);
    EXPECT_EQ(StatusTexts(), (Texts{"Teach new Reference-Value ...", "Line Ok!",
                                    "New setpoint value teached!", "Timeout RS-232!!"}));
    EXPECT_NEAR(tdiff, 1.5, 0.002); // from the request on
    EXPECT_LT(Timer() - t0, 1.51);
    EXPECT_EQ(refA, 2048); // as the panel shows it: no answer replaced it
    ClearStatusHistory();
    OperatorKey(panelHandle, ButtonTeach); // from the keyboard: without the announcement
    EXPECT_EQ(StatusTexts(),
              (Texts{"Line Ok!", "New setpoint value teached!", "Timeout RS-232!!"}));
}

// ---- Firmware -------------------------------------------------------------------------------

TEST_F(Commands, OnlyA64ByteFirmwareAnswerIsShownAndEveryAnswerLeavesTheLineToTheHandler) {
    const std::tuple<SimFault, int, double, const char *, const char *> cases[] = {
        {SIM_FAULT_SHORT_BLOCK, 63, 2.0, "Timeout - reading firmware info!", ""},
        {SIM_FAULT_NONE, 64, 0.0, kSimFirmware, kSimFirmware},
        {SIM_FAULT_LONG_BLOCK, 66, 0.0, "before", ""}, // rejected: the status stays
    };
    SimSetLineTiming(false); // every byte is there when the wait first looks
    for (auto &[fault, n, seconds, status, text] : cases) {
        SimSetFault(fault);
        SetStatus("before");
        double t0 = Timer();
        EXPECT_EQ(GetVERSIONInfo(), n);
        EXPECT_NEAR(Timer() - t0, seconds, 0.01);
        EXPECT_EQ(StatusLine(), status);
        EXPECT_STREQ(szVersion, text); // the previous text is gone either way
        EXPECT_EQ(rx_flag, 0);
        EXPECT_EQ(GetInQLen(com), 0);
        SimSetFault(SIM_FAULT_NONE);
        EXPECT_EQ(HandlerTakesReplies(), 1);
    }
    SimSetFault(SIM_FAULT_SHORT_BLOCK); // echo and parameter frames are fine, the block is not
    InitRS232(com);
    EXPECT_EQ(StatusLine(), "Error reading firmware-info!");
}

TEST_F(Commands, HostileFirmwareBytesNeverReachTheStatusLineRaw) {
    unsigned char bytes[64];
    memset(bytes, 'A', sizeof bytes);
    memcpy(bytes, "\n\x1B\xFF\x7F", 4); // newline, escape, 0xFF, delete
    SimSetFirmware(bytes, 64);
    EXPECT_EQ(GetVERSIONInfo(), 64);
    EXPECT_EQ(strlen(szVersion), 64u); // no terminator in the answer: all 64, no more
    EXPECT_EQ(std::string(szVersion, 6), "????AA");
    bytes[10] = 0; // a terminator in the middle ends the text
    SimSetFirmware(bytes, 64);
    GetVERSIONInfo();
    EXPECT_STREQ(szVersion, "????AAAAAA");
}

// ---- Banner ---------------------------------------------------------------------------------

using Line = std::tuple<std::string, int, int, int, int, int>; // text, left, top, size, colours

static std::vector<Line> BannerLines() { // the text lines made at run time, in order
    std::vector<Line> lines;
    char text[128];
    for (int id = CTRL_COUNT; GetCtrlVal(panelHandle, id, text, int(sizeof text)) == 0; id++)
        lines.emplace_back(text, Attr(panelHandle, id, ATTR_LEFT), Attr(panelHandle, id, ATTR_TOP),
                           Attr(panelHandle, id, ATTR_TEXT_POINT_SIZE),
                           Attr(panelHandle, id, ATTR_TEXT_COLOR),
                           Attr(panelHandle, id, ATTR_TEXT_BGCOLOR));
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

constexpr int kWhite = 0xFFFFFF, kBlue = 0x0080FF, kGrey = 0x808080;

TEST_F(Banner, BrandTwoShowsLogoCompanyLinesNameAndVersionWhiteOnBlue) {
    ShowLogo(2);
    EXPECT_EQ(Attr(panelHandle, DECOBanner, ATTR_FRAME_COLOR), kBlue);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_LEFT), 175);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_TOP), 6);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_VISIBLE), 1);
    EXPECT_EQ(BannerLines(), (std::vector<Line>{
                                 {"Quarvel GmbH", 15, 7, 11, kWhite, kBlue},
                                 {"Tel. +49 721 555-0100", 15, 22, 11, kWhite, kBlue},
                                 {"quarvel.example", 15, 37, 11, kWhite, kBlue},
                                 {"X-VEL-ZUK1-Rerov", 220, 32, 16, kWhite, kBlue},
                                 {"V1.5", 380, 36, 11, kWhite, kBlue},
                             }));
}

TEST_F(Banner, BrandsFiveAndSevenChangeNothingAndBrandZeroShowsNameAndVersionGreyOnWhite) {
    ShowLogo(5);
    ShowLogo(7);
    ShowLogo(-1);
    EXPECT_TRUE(BannerLines().empty());
    EXPECT_EQ(Attr(panelHandle, DECOBanner, ATTR_FRAME_COLOR), VAL_DEFAULT_COLOR);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_VISIBLE), 1);
    ShowLogo(0);
    EXPECT_EQ(Attr(panelHandle, DECOBanner, ATTR_FRAME_COLOR), kWhite);
    EXPECT_EQ(Attr(panelHandle, PICLogo, ATTR_VISIBLE), 0); // no logo
    EXPECT_EQ(BannerLines(), (std::vector<Line>{{"X-VEL-ZUK1-Rerov", 20, 20, 16, kGrey, kWhite},
                                                {"V1.5", 180, 24, 11, kGrey, kWhite}}));
}

TEST_F(Banner, MissingBitmapLeavesThePictureEmpty) {
    EXPECT_EQ(DisplayImageFile(panelHandle, PICLogo, "no-such-logo.bmp"), -1);
    EXPECT_EQ(DisplayImageFile(panelHandle, PICLogo, "qv.bmp"), 0);
}

// One exchange at a time: what the operator can and cannot do while a loop or a reply wait
// runs, and what the program does when the window closes in the middle of one.
#include "fixture.h"

#include <filesystem>
#include <fstream>

static const unsigned short kLive[16] = {812, 790, 523, 498, 640, 650, 900, 880,
                                         700, 690, 0,   0,   0,   0,   1,   1};

// Controls whose action starts an exchange, changes the port or touches the record file.
static const Ints kMainGuarded = {BTNGet,  ButtonTeach, ButtonReset, ButtonRefresh,
                                  BTNSend, BTNData,     BTNRun,      BTNCompare};
static const Ints kPopupGuarded = {BTNStartRecord, RecordFileNameBtn};

static Ints g_tried; // what the operator's attempts during an exchange returned

// Presses every guarded control and picks another port; each gives -1 when refused.
static void TryEverything() {
    for (int c : kMainGuarded)
        g_tried.push_back(OperatorPress(panelHandle, c));
    for (int c : kPopupGuarded)
        g_tried.push_back(OperatorPress(panelPopUp, c));
    g_tried.push_back(OperatorSet(panelHandle, DropDCom, 2));
}

static Ints RefusedThenStopped() { // every try refused, then the Stop taken
    Ints r(kMainGuarded.size() + kPopupGuarded.size() + 1, -1);
    r.push_back(0);
    return r;
}

static Ints Dimmed() { // the guarded controls' dimmed states, main panel then second panel
    Ints d = Attrs(panelHandle, kMainGuarded, ATTR_DIMMED);
    for (int v : Attrs(panelPopUp, kPopupGuarded, ATTR_DIMMED))
        d.push_back(v);
    d.push_back(Attr(panelHandle, DropDCom, ATTR_DIMMED));
    return d;
}

class Guard : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        g_tried.clear();
        MapPorts({"--com", "1=sim", "--com", "2=sim"}); // a second port to change to
        LoadPanels();
        InitRS232(com);
        SimClearSent();
        ClearStatusHistory();
        SimSetLiveWords(kLive);
    }
};

TEST_F(Guard, DuringALiveLoopNothingElseCanStartAndAfterStopEverythingWorksAgain) {
    // A parameter read during the loop would store a live reply as a parameter set, plot its
    // reply as a live sample, and a port change would end the loop with a false time-out.
    std::vector<uint16_t> before = ParamVars();
    AtTestTime(Timer() + 0.2, [] {
        TryEverything();
        CC_BTNGet(panelHandle, BTNGet, EVENT_COMMIT, nullptr, 0, 0); // past the dimming
        g_tried.push_back(OperatorPress(panelHandle, BTNStop));      // Stop stays free
    });
    OperatorPress(panelHandle, BTNRun);
    EXPECT_EQ(g_tried, RefusedThenStopped());
    EXPECT_EQ(ParamVars(), before);
    EXPECT_EQ(SentOrders(), Ints(size_t(SentCount(8)), 8)) << "nothing but live requests";
    EXPECT_EQ(StatusTexts().back(), "Busy - wait until the running command ends!");
    EXPECT_EQ(valNORMA, 812);
    EXPECT_EQ(Dimmed(), Ints(11, 0));
    SimClearSent(); // the same press when nothing runs works as before
    EXPECT_EQ(OperatorPress(panelHandle, BTNGet), 0);
    EXPECT_EQ(SentOrders(), (Ints{2, 2}));
    EXPECT_EQ(StatusLine(), "Parameter-frame received! - Line Ok!");
}

TEST_F(Guard, DuringARecordingTheRecordFileAndThePortStayUntouchedAndEveryLineIsALiveReply) {
    std::string path = TEST_TMP_DIR "/guard-record.dat";
    std::filesystem::remove(path);
    snprintf(recfile_name, sizeof recfile_name, "%s", path.c_str());
    SimUnfreezeLive(); // values that change, so a line can be matched to its reply
    SetCtrlVal(panelPopUp, NEDITRecSamples, 1000);
    SetCtrlVal(panelPopUp, NEDITRecTime, 0);
    AtTestTime(Timer() + 0.3, [] {
        TryEverything();
        g_tried.push_back(OperatorPress(panelPopUp, BTNStopRecord));
    });
    OperatorPress(panelPopUp, BTNStartRecord);
    EXPECT_EQ(g_tried, RefusedThenStopped());
    std::ifstream f(path);
    std::string line;
    std::getline(f, line);
    EXPECT_EQ(line, "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 0");
    int lines = 0, next = 0; // lines match live replies in the order they were sent
    for (unsigned a, b, c, d; f >> a >> b >> c >> d; lines++) {
        for (; next < SimReplyCount(); next++) {
            const SimReply *r = SimReplyAt(next);
            if (r->order == 8 && Ints{r->words[0], r->words[1], r->words[2], r->words[3]} ==
                                     Ints{int(a), int(b), int(c), int(d)})
                break;
        }
        ASSERT_LT(next++, SimReplyCount()) << "line " << lines + 2 << " is no live reply";
    }
    EXPECT_GT(lines, 5);
    EXPECT_EQ(Dimmed(), Ints(11, 0));
    QueueDialogAnswer(0, ""); // free again: the dialog opens (and is cancelled)
    EXPECT_EQ(OperatorPress(panelPopUp, RecordFileNameBtn), 0);
}

TEST_F(Guard, AReplyWaitDimsItsOwnButtonSoASecondPressCannotNestAndItsTargetHolds) {
    AtTestTime(Timer() + 0.01, [] {
        g_tried.push_back(OperatorPress(panelHandle, BTNGet));
        g_tried.push_back(OperatorPress(panelHandle, ButtonTeach));
        OperatorSet(panelHandle, RBTEeprom, 1); // the memory was chosen when Get was pressed
        SetCtrlAttribute(panelHandle, GRAPHData, ATTR_VISIBLE, 1);
        OperatorMenu(panelHandle, GRAPHData, 1); // a modal save dialog would stall the wait
        g_tried.push_back(StatusLine() == "Busy - wait until the running command ends!" ? -1 : 0);
    });
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ(SentOrders(), (Ints{2, 2}));
    SimSetFault(SIM_FAULT_NO_ANSWER);
    SimClearSent();
    AtTestTime(Timer() + 0.5, [] {
        g_tried.push_back(OperatorPress(panelHandle, ButtonRefresh));
        g_tried.push_back(OperatorPress(panelHandle, BTNRun));
    });
    OperatorPress(panelHandle, ButtonRefresh);
    EXPECT_EQ(g_tried, (Ints{-1, -1, -1, -1, -1}));
    EXPECT_EQ(SentOrders(), (Ints{11}));
    EXPECT_EQ(StatusLine(), "Timeout RS-232!!");
    EXPECT_EQ(Dimmed(), Ints(11, 0));
    SimSetFault(SIM_FAULT_NONE);
    SimClearSent();
    EXPECT_EQ(OperatorPress(panelHandle, ButtonRefresh), 0);
    EXPECT_EQ(SentOrders(), (Ints{11, 2}));
}

TEST_F(Guard, ClosingTheMainPanelEndsALoopARecordingAScanOrAReplyWaitAtOnce) {
    static double closedAt;
    auto closeNow = [] {
        closedAt = Timer();
        OperatorClose(panelHandle);
    };
    struct Case {
        int panel, button;
        SimFault fault;
        double closeAfter; // seconds into the command
    };
    snprintf(recfile_name, sizeof recfile_name, "%s", TEST_TMP_DIR "/guard-close.dat");
    SetCtrlVal(panelPopUp, NEDITRecSamples, 1000);
    const Case cases[] = {{panelHandle, BTNRun, SIM_FAULT_NONE, 0.5},
                          {panelPopUp, BTNStartRecord, SIM_FAULT_NONE, 0.5},
                          {panelHandle, BTNData, SIM_FAULT_NO_ANSWER, 2.0}, // a block wait
                          {panelHandle, ButtonTeach, SIM_FAULT_NO_ANSWER, 0.5},
                          {panelHandle, BTNCompare, SIM_FAULT_NO_ANSWER, 0.5}};
    for (const Case &c : cases) {
        SimSetFault(c.fault);
        AtTestTime(Timer() + c.closeAfter, closeNow);
        OperatorPress(c.panel, c.button);
        EXPECT_LT(Timer() - closedAt, 0.2) << c.button;
        EXPECT_EQ(QuitPending(), 1);
        EXPECT_EQ(ComOpenCount(), 0);
        EXPECT_EQ(CC_BTNGet(panelHandle, BTNGet, EVENT_COMMIT, nullptr, 0, 0), 0);
        EXPECT_EQ(ExchangeRunning(), 0) << "nothing new starts once the program ends";
        ResetQuitRequest();
        SimSetFault(SIM_FAULT_NONE);
        InitRS232(com);
    }
}

TEST_F(Guard, WaitsOnAPortThatIsNotOpenEndAtOnceWhileAnOpenSilentPortWaitsItsTime) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    double t = Timer();
    EXPECT_LT(GetVERSIONInfo(), 64); // open but silent: the whole 2 s
    EXPECT_GT(Timer() - t, 2.0);
    CloseCom(com);
    t = Timer();
    EXPECT_EQ(GetVERSIONInfo(), 0);
    EXPECT_STREQ(szStatus, "Timeout - reading firmware info!");
    EXPECT_EQ(ReadData64(0, 0, 9), 0);
    EXPECT_EQ(StatusLine(), "Timeout-RS-232 while reading 64 data-words!");
    EXPECT_LT(Timer() - t, 0.01);
}

TEST_F(Guard, ModesTheRingsDoNotListTravelFromGetToSendUnchanged) {
    const uint16_t unlisted[] = {9, 6, 5, 7}, listed[] = {3, 4, 2, 3}; // words 10 to 13
    for (const uint16_t *modes : {unlisted, listed}) {
        for (int w = 0; w < 4; w++)
            SimSetRamWord(0, 10 + w, modes[w]);
        OperatorPress(panelHandle, BTNGet);
        SimClearSent();
        OperatorPress(panelHandle, BTNSend);
        Bytes sent = SentBytes();
        ASSERT_EQ(sent.size(), 72u);
        for (int w = 0; w < 4; w++)
            EXPECT_EQ(sent[4 + 2 * (10 + w) + 1], modes[w]) << "word " << 10 + w;
    }
    EXPECT_EQ(CtrlText(panelHandle, TXTEvalMode), "DIFFERENCE (A - B)");
    for (int w = 0; w < 4; w++) // unlisted again: the mode boxes show their last rows
        SimSetRamWord(0, 10 + w, unlisted[w]);
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ((std::vector<std::string>{
                  CtrlText(panelHandle, TXTEvalMode), CtrlText(panelHandle, TXTTrigMode),
                  CtrlText(panelHandle, TXTOutMode), CtrlText(panelHandle, TXTAnaMode)}),
              (std::vector<std::string>{"NORM-A: A/Amax", "CONTINOUS", "(+)->OUT0; (-)->OUT1",
                                        "DIRECT 0 .. 10V"}));
    EXPECT_EQ(CtrlText(panelPopUp, DROP_EvalMode), "9 - not a listed value");
}

TEST_F(Guard, ALiveLoopStartsOnAQuietLineSoAReplyStillArrivingCannotMisalignItsFrames) {
    const unsigned char tail[20] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    // A clean start; the rest of an earlier reply arriving; Run again at once after Stop, while
    // the reply to the stopped loop's last request is on its way.
    for (int start : {0, 1, 2}) {
        if (start == 1) SimQueueRaw(tail, 20, Timer());
        AtTestTime(Timer() + 0.5, [] { OperatorPress(panelHandle, BTNStop); });
        SimClearSent();
        valNORMA = 0;
        OperatorPress(panelHandle, BTNRun);
        EXPECT_EQ((Ints{valNORMA, valNORMB, adcCHA, adcCHB}), (Ints{812, 790, 523, 498})) << start;
        EXPECT_NE(StatusLine(), "Timeout RS232-Line!");
        EXPECT_GT(SentCount(8), 10);
    }
}

TEST_F(Guard, AReplyStillArrivingWhenThePortReopensIsNeitherTheEchoNorAParameterSet) {
    const unsigned char tail[20] = {0x00, 0x00, 0x00, 0xB7, 0x08, 0x00};
    SimSetRamWord(0, 1, 321);
    SimQueueRaw(tail, 20, Timer()); // the rest of a reply sent before the port was closed
    InitRS232(com);
    EXPECT_EQ(StatusLine(), kSimFirmware);
    EXPECT_EQ((Ints{powerA, refA}), (Ints{321, 2048}));
}

TEST_F(Guard, FileDialogsHandOutOnlyFilesOfTheirOwnExtension) {
    std::string cfg = TEST_TMP_DIR "/ZUK1para.cfg";
    std::ofstream(cfg) << "keep";
    QueueDialogAnswer(1, cfg.c_str()); // typed into the record-file dialog
    OperatorPress(panelPopUp, RecordFileNameBtn);
    EXPECT_TRUE(std::filesystem::exists(cfg)) << "a parameter file is never deleted here";
    EXPECT_EQ(std::string(recfile_name), cfg + ".dat");
    std::string dat = TEST_TMP_DIR "/run.DAT";
    QueueDialogAnswer(1, dat.c_str());
    OperatorPress(panelPopUp, RecordFileNameBtn);
    EXPECT_EQ(std::string(recfile_name), dat);
    OperatorSet(panelHandle, RBTFile, 1);
    QueueDialogAnswer(1, (TEST_TMP_DIR "/para.dat"));
    OperatorPress(panelHandle, BTNSend);
    EXPECT_EQ(std::string(file_name), TEST_TMP_DIR "/para.dat.cfg");
}

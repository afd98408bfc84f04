// Parameter sets: reads from RAM and EEPROM, the panel binding, Send and Get with the storage
// target buttons, and parameter files, against the simulated controller on the test clock.
#include "fixture.h"
#include "gui.h"

#include <fstream>
#include <sstream>

class Params : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        LoadPanels();
        InitRS232(com);
        SimClearSent();
    }
    static std::string Tmp(const std::string &name) {
        return std::string(TEST_TMP_DIR) + "/" + name;
    }
    static std::string Read(const std::string &path) {
        std::ifstream f(path);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    static void Write(const std::string &path, const std::string &text) {
        std::ofstream(path) << text;
    }
    std::vector<uint16_t> SetI() {
        return {powerA, refA,     tolA,     triglvlA, hysteresis, polarity, hold,   average,
                hwmode, evalmode, trigmode, outmode,  anamode,    sdelay,   maxmode};
    }
    std::vector<uint16_t> SetII() { return {powerB, refB, tolB, triglvlB}; }
};

static const char kStartFile[] = "    0\n  500\n 2048\n  512\n  950\n   20\n    1\n  100\n"
                                 "    8\n    1\n    0\n    0\n    0\n    0\n  500\n    0\n"
                                 "    1\n  500\n 2048\n  512\n  950\n    0\n    0\n    0\n"
                                 "    0\n    0\n    0\n    0\n    0\n    0\n    0\n    0\n";

TEST_F(Params, ReadRequestCarriesTheSetAsThePcHoldsIt) {
    powerB = 5;
    refB = tolB = triglvlB = 0;
    PushGET(EEPROM, 1);
    EXPECT_EQ(SentBytes(), Frame(4, {1, 5}));
    EXPECT_EQ(StatusLine(), "Parameter-frame received! - Line Ok!");
}

TEST_F(Params, ReadFromAFileTargetSendsNothingAndChangesNothing) {
    order = 42;
    PushGET(DATFILE, 0);
    EXPECT_TRUE(SentBytes().empty());
    EXPECT_EQ(order, 42);
}

TEST_F(Params, SetIIReplyChangesOnlyTheFourChannelBVariables) {
    for (int w = 1; w < 16; w++)
        SimSetRamWord(1, w, uint16_t(100 + w));
    std::vector<uint16_t> before = SetI();
    PushGET(RAM, 1);
    EXPECT_EQ(SetII(), (std::vector<uint16_t>{101, 102, 103, 104}));
    EXPECT_EQ(SetI(), before);
}

TEST_F(Params, WithoutControllerAReadTakesOneAndAHalfSecondsAndChangesNothing) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    std::vector<uint16_t> before = SetI();
    double t0 = Timer();
    PushGET(RAM, 0);
    EXPECT_NEAR(Timer() - t0, 1.5, 0.01);
    EXPECT_EQ(SetI(), before);
    EXPECT_EQ(StatusLine(), "Waiting for parameter-frame ...");
    EXPECT_STREQ(szStatus, "Timeout-RS-232...");
}

TEST_F(Params, StartUpShowsTheControllersSetsOnThePanels) {
    SimSetRamWord(0, 1, 777); // powerA
    SimSetRamWord(0, 10, 3);  // evalmode: difference
    SimSetRamWord(1, 2, 999); // refB
    InitRS232(com);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITpowerA), 777);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITrefB), 999);
    EXPECT_EQ(CtrlInt(panelPopUp, DROP_EvalMode), 3);
    EXPECT_EQ(Attr(panelHandle, NEDITrefB, ATTR_DIMMED), 1);
    EXPECT_EQ(StatusLine(), kSimFirmware);
}

TEST_F(Params, SendToEepromWritesSetIThenSetIIAsOrder3FramesATenthApart) {
    OperatorSet(panelHandle, RBTEeprom, 1);
    OperatorSet(panelHandle, NEDITrefB, 123);
    OperatorSet(panelPopUp, NEDITmaxmode, 2);
    double t0 = Timer();
    OperatorPress(panelHandle, BTNSend);
    EXPECT_NEAR(Timer() - t0, 0.1, 1e-9);
    Bytes expected = Frame(3, {0, 500, 2048, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 2});
    Bytes second = Frame(3, {1, 500, 123, 512, 950});
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(SentBytes(), expected);
    EXPECT_EQ(StatusLine(), "Transmit para Ok!");
    EXPECT_EQ(SimEepromWord(1, 2), 123);
    EXPECT_EQ(SimEepromWord(0, 15), 2);
    EXPECT_EQ(SimRamWord(1, 2), 2048);
}

TEST_F(Params, SendToRamUsesOrder1AndAKeyboardCommitSendsNothing) {
    OperatorKey(panelHandle, BTNSend);
    EXPECT_TRUE(SentBytes().empty());
    OperatorPress(panelHandle, BTNSend);
    Bytes f = SentBytes();
    ASSERT_EQ(f.size(), 72u);
    EXPECT_EQ(f[3], 1);
    EXPECT_EQ(f[39], 1);
}

TEST_F(Params, SendWithoutPortSaysNothingPastTransmit) {
    CloseCom(com);
    OperatorPress(panelHandle, BTNSend);
    EXPECT_EQ(StatusLine(), "Transmit...");
}

TEST_F(Params, StorageTargetButtonsKeepExactlyOneOn) {
    OperatorSet(panelHandle, RBTEeprom, 1);
    EXPECT_EQ(target, EEPROM);
    EXPECT_EQ(CtrlInt(panelHandle, RBTRam), 0);
    EXPECT_EQ(CtrlInt(panelHandle, RBTFile), 0);
    OperatorSet(panelHandle, RBTFile, 1);
    EXPECT_EQ(target, DATFILE);
    EXPECT_EQ(CtrlInt(panelHandle, RBTEeprom), 0);
    OperatorSet(panelHandle, RBTFile, 0); // switched off: back to RAM
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(CtrlInt(panelHandle, RBTRam), 1);
    OperatorPress(panelHandle, RBTRam); // clicking RAM while on leaves it on
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(CtrlInt(panelHandle, RBTRam), 1);
}

TEST_F(Params, ParameterFileOfTheStartValuesIsByteExact) {
    std::string path = Tmp("start.cfg");
    OperatorSet(panelHandle, RBTFile, 1);
    QueueDialogAnswer(1, path.c_str());
    OperatorPress(panelHandle, BTNSend);
    EXPECT_EQ(Read(path), kStartFile);
    EXPECT_EQ(std::string(file_name), path);
    EXPECT_EQ(StatusLine(), "Transmit...");
    EXPECT_TRUE(SentBytes().empty());
}

TEST_F(Params, SavingThenLoadingRestoresAllNineteenVariables) {
    const int controls[] = {NEDITpowerA, NEDITpowerB, NEDITrefA,       NEDITrefB,
                            NEDITtolA,   NEDITtolB,   NEDIThysteresis, NEDIThwmode};
    for (int i = 0; i < 8; i++)
        SetCtrlVal(panelHandle, controls[i], 60000 + i);
    const int second[] = {NEDITmaxmode,  NEDITaverage,  NEDITpolarity, NEDIThold,
                          NEDITtriglvlA, NEDITtriglvlB, NEDITsdelay};
    for (int i = 0; i < 7; i++)
        SetCtrlVal(panelPopUp, second[i], 70 + i);
    SetCtrlVal(panelPopUp, DROP_EvalMode, 3);
    SetCtrlVal(panelPopUp, DropTrigmode, 5);
    SetCtrlVal(panelPopUp, RNGoutmode, 2);
    SetCtrlVal(panelPopUp, RNGanamode, 1);
    std::string path = Tmp("all.cfg");
    OperatorSet(panelHandle, RBTFile, 1);
    QueueDialogAnswer(1, path.c_str());
    OperatorPress(panelHandle, BTNSend);
    std::vector<uint16_t> savedI = SetI(), savedII = SetII();
    EXPECT_EQ(maxmode, 70);
    for (int i = 0; i < 8; i++)
        SetCtrlVal(panelHandle, controls[i], 1); // forget them
    SetCtrlVal(panelPopUp, NEDITmaxmode, 0);
    GetPanelValues();
    ASSERT_EQ(maxmode, 0);
    QueueDialogAnswer(1, path.c_str());
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ(SetI(), savedI);
    EXPECT_EQ(SetII(), savedII);
    EXPECT_EQ(CtrlInt(panelHandle, NEDIThwmode), 60007);
    EXPECT_EQ(CtrlInt(panelPopUp, NEDITmaxmode), 70);
}

TEST_F(Params, BadParameterFilesChangeNothingAndSayWhy) {
    std::string number32 = kStartFile;
    const std::pair<std::string, std::string> cases[] = {
        {"", " holds fewer than 32 numbers!"},
        {"1 2 3\n", " holds fewer than 32 numbers!"},
        {"0\n500\nabc\n", ": no valid number in line 3!"},
        {"0\n-5\n", ": no valid number in line 2!"},
    };
    std::vector<uint16_t> before = SetI();
    OperatorSet(panelHandle, RBTFile, 1);
    for (auto &[content, message] : cases) {
        std::string path = Tmp("bad.cfg");
        Write(path, content);
        QueueDialogAnswer(1, path.c_str());
        OperatorPress(panelHandle, BTNGet);
        EXPECT_EQ(StatusLine(), "Parameter file " + path + message) << content;
        EXPECT_EQ(SetI(), before);
    }
    std::string missing = Tmp("no-such.cfg");
    QueueDialogAnswer(1, missing.c_str());
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ(StatusLine(), "Cannot read parameter file " + missing + "!");
    EXPECT_EQ(SetI(), before);
}

TEST_F(Params, NumbersAboveSixteenBitsLoadAsTheirLowSixteenBits) {
    std::string text = kStartFile;
    text.replace(text.find("  500"), 5, "65537"); // powerA
    std::string path = Tmp("big.cfg");
    Write(path, text + "99999999999999999999\n"); // more than 32 numbers: the rest is ignored
    OperatorSet(panelHandle, RBTFile, 1);
    QueueDialogAnswer(1, path.c_str());
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ(powerA, 1);
}

TEST_F(Params, AnUnwritableParameterFileIsReported) {
    std::string path = Tmp("no-such-folder/x.cfg");
    OperatorSet(panelHandle, RBTFile, 1);
    QueueDialogAnswer(1, path.c_str());
    OperatorPress(panelHandle, BTNSend);
    EXPECT_EQ(StatusLine(), "Cannot write parameter file " + path + "!");
}

TEST_F(Params, GetFromFileRefreshesThePanelsEvenWhenTheDialogIsCancelled) {
    OperatorSet(panelHandle, RBTFile, 1);
    SetCtrlVal(panelHandle, NEDITrefA, 1111); // edited, not yet read
    QueueDialogAnswer(0, "");
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITrefA), 2048);
    EXPECT_EQ(StatusLine(), "Receive...");
}

TEST_F(Params, GetFromRamWithoutControllerTakesTwoReadsAndShowsTheOldValues) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    SetCtrlVal(panelHandle, NEDITrefA, 1111);
    double t0 = Timer();
    OperatorPress(panelHandle, BTNGet);
    EXPECT_NEAR(Timer() - t0, 3.0, 0.02);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITrefA), 2048);
}

TEST_F(Params, GetFromEepromReadsBothSetsWithOrder4) {
    SimSetRamWord(0, 1, 1); // RAM differs from EEPROM
    OperatorSet(panelHandle, RBTEeprom, 1);
    OperatorPress(panelHandle, BTNGet);
    Bytes f = SentBytes();
    ASSERT_EQ(f.size(), 72u);
    EXPECT_EQ(f[3], 4);
    EXPECT_EQ(f[39], 4);
    EXPECT_EQ(powerA, 500);
}

TEST_F(Params, DifferenceModeDimsChannelBAndRelabelsChannelAUntilAnotherMode) {
    char label[64];
    evalmode = 3;
    SetPanelValues();
    EXPECT_EQ(Attr(panelHandle, NEDITrefB, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(panelHandle, NEDITtolB, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(panelHandle, NUMDIFF, ATTR_VISIBLE), 1);
    GetCtrlAttribute(panelHandle, NEDITrefA, ATTR_LABEL_TEXT, label, int(sizeof label));
    EXPECT_STREQ(label, "REFERENCE-DIFF");
    GetCtrlAttribute(panelHandle, NEDITtolA, ATTR_LABEL_TEXT, label, int(sizeof label));
    EXPECT_STREQ(label, "TOLERANCE-DIFF");
    evalmode = 1;
    SetPanelValues();
    EXPECT_EQ(Attr(panelHandle, NEDITrefB, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(panelHandle, NUMDIFF, ATTR_VISIBLE), 0);
    GetCtrlAttribute(panelHandle, NEDITtolA, ATTR_LABEL_TEXT, label, int(sizeof label));
    EXPECT_STREQ(label, "TOLERANCE-CHA");
}

TEST_F(Params, ReadingThePanelsUpdatesTheModeBoxesButNotTheControlStates) {
    char box[64];
    SetCtrlVal(panelPopUp, DROP_EvalMode, 3);
    SetCtrlVal(panelPopUp, DropTrigmode, 4);
    GetPanelValues();
    GetCtrlVal(panelHandle, TXTEvalMode, box, int(sizeof box));
    EXPECT_STREQ(box, "DIFFERENCE (A - B)");
    GetCtrlVal(panelHandle, TXTTrigMode, box, int(sizeof box));
    EXPECT_STREQ(box, "EXT-IN0-L/H-scan128");
    EXPECT_EQ(Attr(panelHandle, NEDITrefB, ATTR_DIMMED), 0);
}

TEST_F(Params, ModeValuesOutsideTheirTablesReadAsTheDefaultText) {
    EXPECT_STREQ(TrigModeText(0), "CONTINOUS");
    EXPECT_STREQ(TrigModeText(6), "CONTINOUS");
    EXPECT_STREQ(EvalModeText(65535), "NORM-A: A/Amax");
    EXPECT_STREQ(AnaModeText(4), "DIRECT 0 .. 10V");
    EXPECT_STREQ(OutModeText(3), "(+)->OUT0; (-)->OUT1");
    trigmode = 6; // the ring has no such item and keeps its value; the variable keeps its own
    SetPanelValues();
    EXPECT_EQ(trigmode, 6);
    EXPECT_EQ(CtrlInt(panelPopUp, DropTrigmode), 0);
}

TEST_F(Params, ReopeningTheLineSelectsRamOnTheButtonsAsWellAsForSend) {
    OperatorSet(panelHandle, RBTEeprom, 1);
    OperatorSet(panelHandle, DropDCom, 1); // the operator picks the port again
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(CtrlInt(panelHandle, RBTRam), 1);
    EXPECT_EQ(CtrlInt(panelHandle, RBTEeprom), 0);
    SimSetFault(SIM_FAULT_WRONG_ECHO); // a failed line check leaves the choice alone
    OperatorSet(panelHandle, RBTFile, 1);
    OperatorSet(panelHandle, DropDCom, 1);
    EXPECT_EQ(target, DATFILE);
    EXPECT_EQ(CtrlInt(panelHandle, RBTFile), 1);
}

// Parameter sets: reads from RAM and EEPROM, the panel binding, Send and Get with the storage
// target buttons, and parameter files, against the simulated controller on the test clock.
#include "fixture.h"
#include "gui.h"

#include <fstream>
#include <iterator>
#include <numeric>

using Words = std::vector<uint16_t>;

class Params : public LineTest {
  protected:
    static std::string Tmp(const std::string &name) { return TEST_TMP_DIR "/" + name; }
    // Picks the file target, presses the button and answers its file dialog with path.
    static void WithFile(int button, const std::string &path) {
        OperatorSet(panelHandle, RBTFile, 1);
        QueueDialogAnswer(1, path.c_str());
        OperatorPress(panelHandle, button);
    }
    static Ints Targets() { // the storage target, then the RAM, EEPROM and file buttons
        return {target, CtrlInt(panelHandle, RBTRam), CtrlInt(panelHandle, RBTEeprom),
                CtrlInt(panelHandle, RBTFile)};
    }
};

static const char kStartFile[] = "    0\n  500\n 2048\n  512\n  950\n   20\n    1\n  100\n"
                                 "    8\n    1\n    0\n    0\n    0\n    0\n  500\n    0\n"
                                 "    1\n  500\n 2048\n  512\n  950\n    0\n    0\n    0\n"
                                 "    0\n    0\n    0\n    0\n    0\n    0\n    0\n    0\n";

TEST_F(Params, ReadsSendTheSetAsThePcHoldsItAndSetOnlyItsVariablesFromTheChosenStore) {
    order = 42;
    PushGET(DATFILE, 0); // parameter files are read by the callers: nothing sent, nothing set
    EXPECT_TRUE(SentBytes().empty());
    EXPECT_EQ(order, 42);
    for (int w = 1; w < 16; w++)
        SimSetRamWord(1, w, uint16_t(100 + w));
    Words want = ParamVars();
    std::iota(want.end() - 4, want.end(), 101);
    PushGET(RAM, 1);
    EXPECT_EQ(ParamVars(), want); // only the four channel B variables changed
    SimClearSent();
    PushGET(EEPROM, 1);
    EXPECT_EQ(SentBytes(), Frame(4, {1, 101, 102, 103, 104}));
    EXPECT_EQ(StatusLine(), "Parameter-frame received! - Line Ok!");
    SimSetRamWord(0, 1, 1); // RAM differs from EEPROM
    OperatorSet(panelHandle, RBTEeprom, 1);
    SimClearSent();
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ(SentOrders(), (Ints{4, 4}));
    EXPECT_EQ(powerA, 500);
}

TEST_F(Params, WithoutControllerAReadTakesOneAndAHalfSecondsAGetTwiceThatAndNothingChanges) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    SetCtrlVal(panelHandle, NEDITrefA, 1111); // edited, not yet read
    Words before = ParamVars();
    double t0 = Timer();
    PushGET(RAM, 0);
    EXPECT_NEAR(Timer() - t0, 1.5, 0.01);
    EXPECT_EQ(ParamVars(), before);
    EXPECT_EQ(StatusLine(), "Waiting for parameter-frame ...");
    EXPECT_STREQ(szStatus, "Timeout-RS-232...");
    t0 = Timer();
    OperatorPress(panelHandle, BTNGet); // both sets time out; the panels show the old values
    EXPECT_NEAR(Timer() - t0, 3.0, 0.02);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITrefA), 2048);
}

TEST_F(Params, StartUpShowsTheControllersSetsOnThePanels) {
    SimSetRamWord(0, 1, 777); // powerA
    SimSetRamWord(0, 10, 3);  // evalmode: difference
    SimSetRamWord(1, 2, 999); // refB
    InitRS232(com);
    EXPECT_EQ(CtrlInts(panelHandle, {NEDITpowerA, NEDITrefB}), (Ints{777, 999}));
    EXPECT_EQ(CtrlInt(panelPopUp, DROP_EvalMode), 3);
    EXPECT_EQ(StatusLine(), kSimFirmware);
}

TEST_F(Params, SendWritesSetIThenSetIIATenthApartAsOrder3ToEepromOrder1ToRamOnAClickOnly) {
    OperatorKey(panelHandle, BTNSend); // a keyboard commit sends nothing
    EXPECT_TRUE(SentBytes().empty());
    OperatorSet(panelHandle, NEDITrefB, 123);
    OperatorSet(panelPopUp, NEDITmaxmode, 2);
    for (auto [button, code] : {std::pair{RBTEeprom, 3}, std::pair{RBTRam, 1}}) {
        SimClearSent();
        OperatorSet(panelHandle, button, 1);
        double t0 = Timer();
        OperatorPress(panelHandle, BTNSend);
        EXPECT_NEAR(Timer() - t0, 0.1, 1e-9);
        Bytes want = Frame(code, {0, 500, 2048, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 2});
        Bytes second = Frame(code, {1, 500, 123, 512, 950});
        want.insert(want.end(), second.begin(), second.end());
        EXPECT_EQ(SentBytes(), want);
        EXPECT_EQ(StatusLine(), "Transmit para Ok!");
    }
    CloseCom(com);
    OperatorPress(panelHandle, BTNSend);
    EXPECT_EQ(StatusLine(), "Transmit...");
}

TEST_F(Params, StorageTargetButtonsKeepExactlyOneOnAndReopeningTheLineFallsBackToRam) {
    OperatorSet(panelHandle, RBTEeprom, 1);
    EXPECT_EQ(Targets(), (Ints{EEPROM, 0, 1, 0}));
    OperatorSet(panelHandle, RBTFile, 1);
    EXPECT_EQ(Targets(), (Ints{DATFILE, 0, 0, 1}));
    OperatorSet(panelHandle, RBTFile, 0); // switched off: back to RAM
    EXPECT_EQ(Targets(), (Ints{RAM, 1, 0, 0}));
    OperatorPress(panelHandle, RBTRam); // clicking RAM while on leaves it on
    EXPECT_EQ(Targets(), (Ints{RAM, 1, 0, 0}));
    OperatorSet(panelHandle, RBTEeprom, 1);
    OperatorSet(panelHandle, DropDCom, 1); // the operator picks the port again
    EXPECT_EQ(Targets(), (Ints{RAM, 1, 0, 0}));
    SimSetFault(SIM_FAULT_WRONG_ECHO); // a failed line check leaves the choice alone
    OperatorSet(panelHandle, RBTFile, 1);
    OperatorSet(panelHandle, DropDCom, 1);
    EXPECT_EQ(Targets(), (Ints{DATFILE, 0, 0, 1}));
}

TEST_F(Params, ParameterFilesHoldTheStartValuesByteExactAndLoadBackAllNineteenVariables) {
    std::string start = Tmp("start.cfg"), all = Tmp("all.cfg"), big = Tmp("big.cfg");
    WithFile(BTNSend, start);
    std::ifstream written(start);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), kStartFile);
    EXPECT_EQ(std::string(file_name), start);
    EXPECT_EQ(StatusLine(), "Transmit...");
    EXPECT_TRUE(SentBytes().empty());
    const int onMain[] = {NEDITpowerA, NEDITpowerB, NEDITrefA,       NEDITrefB,
                          NEDITtolA,   NEDITtolB,   NEDIThysteresis, NEDIThwmode};
    for (int i = 0; i < 8; i++)
        SetCtrlVal(panelHandle, onMain[i], 60000 + i);
    const std::pair<int, int> onPopUp[] = {
        {NEDITmaxmode, 70},  {NEDITaverage, 71},  {NEDITpolarity, 72}, {NEDIThold, 73},
        {NEDITtriglvlA, 74}, {NEDITtriglvlB, 75}, {NEDITsdelay, 76},   {DROP_EvalMode, 3},
        {DropTrigmode, 5},   {RNGoutmode, 2},     {RNGanamode, 1}};
    for (auto [control, value] : onPopUp)
        SetCtrlVal(panelPopUp, control, value);
    WithFile(BTNSend, all);
    EXPECT_EQ(maxmode, 70); // Send took the panels' values first
    Words saved = ParamVars();
    // powerA above sixteen bits, and more than 32 numbers: the rest is ignored.
    std::string text = kStartFile;
    text.replace(text.find("  500"), 5, "65537");
    std::ofstream(big) << text << "99999999999999999999\n";
    WithFile(BTNGet, big); // forgets the saved values, on the panels too
    EXPECT_EQ(powerA, 1);  // the low sixteen bits of 65537
    ASSERT_EQ(CtrlInt(panelPopUp, NEDITmaxmode), 0);
    WithFile(BTNGet, all);
    EXPECT_EQ(ParamVars(), saved);
    EXPECT_EQ(CtrlInt(panelHandle, NEDIThwmode), 60007);
    EXPECT_EQ(CtrlInt(panelPopUp, NEDITmaxmode), 70);
}

TEST_F(Params, BadMissingUnwritableOrCancelledParameterFilesChangeNothingAndSayWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"", " holds fewer than 32 numbers!"},
        {"1 2 3\n", " holds fewer than 32 numbers!"},
        {"0\n500\nabc\n", ": no valid number in line 3!"},
        {"0\n-5\n", ": no valid number in line 2!"},
    };
    Words before = ParamVars();
    std::string path = Tmp("bad.cfg"), missing = Tmp("no-such.cfg");
    for (auto &[content, message] : cases) {
        std::ofstream(path) << content;
        WithFile(BTNGet, path);
        EXPECT_EQ(StatusLine(), "Parameter file " + path + message) << content;
        EXPECT_EQ(ParamVars(), before);
    }
    WithFile(BTNGet, missing);
    EXPECT_EQ(StatusLine(), "Cannot read parameter file " + missing + "!");
    EXPECT_EQ(ParamVars(), before);
    path = Tmp("no-such-folder/x.cfg");
    WithFile(BTNSend, path);
    EXPECT_EQ(StatusLine(), "Cannot write parameter file " + path + "!");
    SetCtrlVal(panelHandle, NEDITrefA, 1111); // edited, not yet read
    QueueDialogAnswer(0, "");                 // a cancelled Get still refreshes the panels
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITrefA), 2048);
    EXPECT_EQ(StatusLine(), "Receive...");
}

// Reading the panels only renames the mode boxes; the control states follow writing them.
TEST_F(Params, DifferenceModeStatesComeWithWritingThePanelsAndGoWithAnotherMode) {
    SetCtrlVal(panelPopUp, DROP_EvalMode, 3);
    SetCtrlVal(panelPopUp, DropTrigmode, 4);
    GetPanelValues();
    EXPECT_EQ(CtrlText(panelHandle, TXTEvalMode), "DIFFERENCE (A - B)");
    EXPECT_EQ(CtrlText(panelHandle, TXTTrigMode), "EXT-IN0-L/H-scan128");
    EXPECT_EQ(Attr(panelHandle, NEDITrefB, ATTR_DIMMED), 0);
    SetPanelValues(); // evalmode is 3 now
    EXPECT_EQ(Attrs(panelHandle, {NEDITrefB, NEDITtolB}, ATTR_DIMMED), (Ints{1, 1}));
    EXPECT_EQ(Attr(panelHandle, NUMDIFF, ATTR_VISIBLE), 1);
    EXPECT_EQ(CtrlText(panelHandle, NEDITrefA, ATTR_LABEL_TEXT), "REFERENCE-DIFF");
    EXPECT_EQ(CtrlText(panelHandle, NEDITtolA, ATTR_LABEL_TEXT), "TOLERANCE-DIFF");
    evalmode = 1;
    SetPanelValues();
    EXPECT_EQ(Attr(panelHandle, NEDITrefB, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(panelHandle, NUMDIFF, ATTR_VISIBLE), 0);
    EXPECT_EQ(CtrlText(panelHandle, NEDITtolA, ATTR_LABEL_TEXT), "TOLERANCE-CHA");
}

TEST_F(Params, ModeValuesOutsideTheirTablesReadAsTheDefaultText) {
    EXPECT_STREQ(TrigModeText(0), "CONTINOUS");
    EXPECT_STREQ(TrigModeText(6), "CONTINOUS");
    EXPECT_STREQ(EvalModeText(65535), "NORM-A: A/Amax");
    EXPECT_STREQ(AnaModeText(4), "DIRECT 0 .. 10V");
    EXPECT_STREQ(OutModeText(3), "(+)->OUT0; (-)->OUT1");
}

// --show and --diff name the settings without the panels: their captions must be the panels'.
// (The two power values share one unlabelled place, named by the A/B switch.)
TEST_F(Params, EverySettingsCaptionIsItsControlsLabelOnThePanels) {
    const int onMain[] = {NEDITrefA, NEDITrefB, NEDITtolA, NEDITtolB, NEDIThysteresis, NEDIThwmode};
    const int onPopUp[] = {NEDITmaxmode,  NEDITaverage,  NEDITpolarity, NEDIThold,
                           DROP_EvalMode, NEDITtriglvlA, NEDITtriglvlB, DropTrigmode,
                           NEDITsdelay,   RNGoutmode,    RNGanamode};
    ASSERT_EQ(2 + std::size(onMain) + std::size(onPopUp), size_t(SETTINGS_COUNT));
    for (int i = 2; i < SETTINGS_COUNT; i++) // settings 0 and 1: the two power values
        EXPECT_EQ(i < 8 ? CtrlText(panelHandle, onMain[i - 2], ATTR_LABEL_TEXT)
                        : CtrlText(panelPopUp, onPopUp[i - 8], ATTR_LABEL_TEXT),
                  kSettings[i].caption)
            << i;
}

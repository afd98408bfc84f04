// COMPARE and VERIFY against the simulated controller: every difference between the panels, RAM,
// EEPROM and the parameter file found in the view and on the status line, nothing else touched.
#include "compare.h"
#include "fixture.h"

#include <filesystem>

class Compare : public LineTest {
  protected:
    static std::vector<uint16_t> Sets() {
        return {powerA,  refA,   tolA,     triglvlA, hysteresis, polarity, hold,
                average, hwmode, evalmode, trigmode, outmode,    anamode,  sdelay,
                maxmode, powerB, refB,     tolB,     triglvlB};
    }
    static Ints Panels() {
        Ints v = CtrlInts(panelHandle, {NEDITpowerA, NEDITrefA, NEDITrefB, NEDITtolA});
        for (int c : {NEDIThold, NEDITsdelay, NEDITpolarity, NEDITtriglvlB, DROP_EvalMode})
            v.push_back(CtrlInt(panelPopUp, c));
        return v;
    }
    // A cell of the view: its text, then "*" when it is marked as differing.
    static std::string Cell(int row, int column) {
        char text[64] = "";
        int marked = CompareViewCell(row, column, text, int(sizeof text));
        return marked < 0 ? "none" : std::string(text) + (marked ? "*" : "");
    }
    static void Verify(int on) { OperatorSet(panelHandle, BINSWVerify, on); }
};

constexpr int kRefB = 3, kPolarity = 10, kHold = 11, kEval = 12, kDelay = 16; // rows

TEST_F(Compare, EveryDifferenceOfRamEepromAndFileIsFoundWhilePanelsVariablesAndFramesStay) {
    OperatorPress(panelHandle, BTNCompare);
    EXPECT_EQ(StatusLine(), "Compare: panels = RAM = EEPROM");
    Bytes want; // the request frames a Get sends, RAM then EEPROM
    for (int order : {2, 4})
        for (const Bytes &f :
             {Frame(order, {0, 500, 2048, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 0}),
              Frame(order, {1, 500, 2048, 512, 950})})
            want.insert(want.end(), f.begin(), f.end());
    EXPECT_EQ(SentBytes(), want);
    EXPECT_TRUE(CompareViewOpen());
    EXPECT_EQ(Cell(0, 3), "none") << "no File column before a file was chosen";

    std::string cfg = TEST_TMP_DIR "/compare.cfg";
    OperatorSet(panelHandle, RBTFile, 1);
    QueueDialogAnswer(1, cfg.c_str());
    OperatorPress(panelHandle, BTNSend);       // the file holds the panels as they are now
    OperatorSet(panelPopUp, NEDITpolarity, 0); // differs from RAM, EEPROM and the file
    SimSetRamWord(0, 7, 33);                   // hold in RAM
    SimSetEepromWord(1, 2, 999);               // refB in EEPROM
    SimSetEepromWord(0, 10, 3);                // evaluation mode in EEPROM
    SimSetRamWord(0, 14, 750);                 // delay in RAM
    std::vector<uint16_t> vars = Sets();
    Ints panels = Panels();
    OperatorPress(panelHandle, BTNCompare);
    EXPECT_EQ(StatusLine(), "Compare: 5 differ - REFERENCE-CHB, POLARITY, HOLD, EVALUATION-MODE, "
                            "DELAY");
    EXPECT_EQ(Sets(), vars);
    EXPECT_EQ(Panels(), panels);
    EXPECT_EQ((std::vector<std::string>{Cell(kRefB, 1), Cell(kRefB, 2), Cell(kPolarity, 0),
                                        Cell(kPolarity, 1), Cell(kPolarity, 3), Cell(kHold, 1),
                                        Cell(kHold, 2), Cell(kEval, 2), Cell(kDelay, 1)}),
              (std::vector<std::string>{"2048", "999*", "0", "1*", "1*", "33*", "100",
                                        "3 "
                                        "(DIFFERENCE (A - B))*",
                                        "750*"}));

    std::string csv = TEST_TMP_DIR "/compare.csv";
    ASSERT_EQ(ExportCompareCsv(csv.c_str()), 0);
    std::string text = FileText(csv);
    EXPECT_EQ(text.substr(0, text.find("\"port\"")).size(), 38u) << text; // a stamped first line
    EXPECT_NE(text.find("\"port\",\"COM1 (sim)\"\n\"firmware\",\"" + std::string(kSimFirmware) +
                        "\"\n\"setting\",Panels,RAM,EEPROM,File\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n\"HOLD\",\"100\",\"33\",\"100\",\"100\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"EVALUATION-MODE\",\"0 (NORM-A: A/Amax)\",\"0 (NORM-A: A/Amax)\","
                        "\"3 (DIFFERENCE (A - B))\",\"0 (NORM-A: A/Amax)\"\n"),
              std::string::npos);
    EXPECT_EQ(ExportCompareCsv(TEST_TMP_DIR), -1); // a folder: refused, said
    EXPECT_EQ(StatusLine(), "Cannot write " TEST_TMP_DIR "!");
}

TEST_F(Compare, ASetWithoutAnswerIsNamedAndNeverCountedAsEqual) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    OperatorPress(panelHandle, BTNCompare);
    EXPECT_EQ(StatusLine(), "Compare: no answer - RAM set I, RAM set II, EEPROM set I, EEPROM "
                            "set II not read");
    EXPECT_EQ(Cell(kHold, 1), "-");
    EXPECT_EQ(LastCompareOutcome(), COMPARE_UNREAD);
    SimSetFault(SIM_FAULT_NONE);
    SimSetRamWord(0, 7, 33);
    OperatorPress(panelHandle, BTNCompare);
    EXPECT_EQ(StatusLine(), "Compare: 1 differ - HOLD");
    EXPECT_EQ(LastCompareOutcome(), COMPARE_DIFFER);
}

TEST_F(Compare, VerifyPassesAGoodSendAndCatchesAnIgnoredOrAlteredWriteOrASilentController) {
    OperatorSet(panelHandle, NEDITrefB, 1234);
    OperatorPress(panelHandle, BTNSend); // VERIFY off: the two frames and nothing more
    EXPECT_EQ(SentOrders(), (Ints{1, 1}));
    EXPECT_EQ(StatusLine(), "Transmit para Ok!");
    Verify(1);
    struct Case {
        int target;
        SimFault fault;
        const char *said;
        Ints orders;
    } cases[] = {
        {RBTRam, SIM_FAULT_NONE, "Verify: RAM holds what was sent", {1, 1, 2, 2}},
        {RBTEeprom, SIM_FAULT_NONE, "Verify: EEPROM holds what was sent", {3, 3, 4, 4}},
        {RBTRam, SIM_FAULT_IGNORE_WRITE, "Verify FAILED: 1 differ - TOLERANCE-CHB", {1, 1, 2, 2}},
        {RBTEeprom,
         SIM_FAULT_BAD_WRITE,
         "Verify FAILED: 2 differ - REFERENCE-CHA, REFERENCE-CHB",
         {3, 3, 4, 4}},
        {RBTRam,
         SIM_FAULT_NO_ANSWER,
         "Verify FAILED: no answer - RAM set I, RAM set II not read",
         {1, 1, 2, 2}},
    };
    int tol = 600;
    for (const Case &c : cases) {
        OperatorSet(panelHandle, c.target, 1);
        OperatorSet(panelHandle, NEDITtolB, tol++); // a value the controller does not hold yet
        SimSetFault(c.fault);
        SimClearSent();
        OperatorPress(panelHandle, BTNSend);
        EXPECT_EQ(StatusLine(), c.said);
        EXPECT_EQ(SentOrders(), c.orders) << c.said;
    }
    EXPECT_EQ(LastCompareOutcome(), COMPARE_UNREAD);
}

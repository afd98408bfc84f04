// Edit marks of the parameter controls: set by the operator's edits, cleared by what reads,
// sends, saves or loads the values, against the simulated controller on the test clock.
#include "fixture.h"

namespace {
// A line that takes the first frame written to it whole and half of every later one.
struct CutLine final : ComDevice {
    int writes = 0;
    int write(const unsigned char *, int count) override { return writes++ ? count / 2 : count; }
    int read(unsigned char *, int) override { return 0; }
    void flushInput() override {}
    void flushOutput() override {}
    double nextArrival() override { return -1; }
    bool gone() override { return false; }
};
} // namespace

static ComDevice *OpenCutLine(const char *, int *) {
    return new CutLine;
}

class Marks : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        RegisterComDevice("cut", OpenCutLine);
        MapPorts({"--com", "1=sim", "--com", "2=cut"});
        LoadPanels();
        InitRS232(com);
    }
    static std::string Tmp(const std::string &name) { return TEST_TMP_DIR "/" + name; }
    static void WithFile(int button, const std::string &path) {
        OperatorSet(panelHandle, RBTFile, 1);
        QueueDialogAnswer(1, path.c_str());
        OperatorPress(panelHandle, button);
    }
    static Ints Marked() { // the marked controls, main panel first
        Ints marked;
        for (const ParamBinding &b : kBindings)
            if (EditMarked(*b.panel, b.control) == 1) marked.push_back(b.control);
        return marked;
    }
};

TEST_F(Marks, AnEditMarksExactlyItsControlUntilItIsSetBackSentOrReplacedByAGet) {
    EXPECT_EQ(Marked(), Ints{}); // start-up has shown the controller's values
    EXPECT_EQ(EditMarked(panelHandle, BTNSend), -1);
    std::string own = Tmp("marks-own.png"), back = Tmp("marks-back.png");
    ASSERT_EQ(GrabControl(panelHandle, NEDITrefA, own.c_str()), 0);
    OperatorSet(panelHandle, NEDITrefA, 1234);
    EXPECT_EQ(Marked(), Ints{NEDITrefA});
    OperatorSet(panelHandle, NEDITrefA, 2048); // the known value again
    EXPECT_EQ(Marked(), Ints{});
    EXPECT_EQ(Attr(panelHandle, NEDITrefA, ATTR_TEXT_BGCOLOR), VAL_DEFAULT_COLOR);
    ASSERT_EQ(GrabControl(panelHandle, NEDITrefA, back.c_str()), 0);
    EXPECT_TRUE(FileText(back) == FileText(own)); // the control's own look, pixel for pixel

    OperatorSet(panelHandle, NEDITtolB, 600);
    OperatorSet(panelPopUp, DROP_EvalMode, 2); // takes the trigger mode to 2 with it
    EXPECT_EQ(Marked(), (Ints{NEDITtolB, DROP_EvalMode, DropTrigmode}));
    OperatorPress(panelHandle, BTNSend);
    EXPECT_EQ(Marked(), Ints{});

    OperatorSet(panelPopUp, NEDIThold, 55);
    SimSetRamWord(0, 7, 300); // hold, as the controller now holds it
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ(CtrlInt(panelPopUp, NEDIThold), 300);
    EXPECT_EQ(Marked(), Ints{});
}

TEST_F(Marks, OnlyAWholeFrameOrAWrittenOrLoadedParameterFileClearsTheMarksOfItsSet) {
    OperatorSet(panelHandle, NEDITrefA, 1111); // set I
    OperatorSet(panelHandle, NEDITrefB, 2222); // set II
    CloseCom(com);
    com = 2;
    ASSERT_GE(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    OperatorPress(panelHandle, BTNSend); // set I whole, set II cut short
    EXPECT_EQ(Marked(), Ints{NEDITrefB});

    std::string path = Tmp("marks.cfg");
    WithFile(BTNSend, Tmp("no-such-folder/marks.cfg"));
    EXPECT_EQ(Marked(), Ints{NEDITrefB});
    WithFile(BTNSend, path);
    EXPECT_EQ(Marked(), Ints{});

    OperatorSet(panelHandle, NEDITrefB, 500);
    OperatorSet(panelPopUp, NEDITsdelay, 77);
    EXPECT_EQ(Marked(), (Ints{NEDITrefB, NEDITsdelay}));
    WithFile(BTNGet, path);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITrefB), 2222);
    EXPECT_EQ(CtrlInt(panelPopUp, NEDITsdelay), 500);
    EXPECT_EQ(Marked(), Ints{});
}

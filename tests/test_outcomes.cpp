// What the operator reads after a command: the hint line under the status line says how a
// command ended whose status text reads as a wait; and the program's own files in a folder where
// another user planted links and FIFOs.
#include "fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

class Outcomes : public LineTest {
  protected:
    std::string dir;
    void SetUp() override {
        LineTest::SetUp();
        dir = std::string(TEST_TMP_DIR) + "/outcomes-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::remove_all(dir);
        LineTest::TearDown();
    }
    std::string At(const std::string &name) const { return dir + "/" + name; }
    static std::string Hint() {
        return Attr(panelHandle, TXTPortHint, ATTR_VISIBLE) ? CtrlText(panelHandle, TXTPortHint)
                                                            : "(hidden)";
    }
    static void WithFile(int button, const std::string &path) {
        OperatorSet(panelHandle, RBTFile, 1);
        QueueDialogAnswer(path.empty() ? 0 : 1, path.c_str());
        OperatorPress(panelHandle, button);
    }
};

TEST_F(Outcomes, AReadWithoutAnswerSaysWhichSetAndMemoryUnderTheWaitingTextUntilTheNextCommand) {
    OperatorSet(panelHandle, RBTEeprom, 1);
    SimSetFault(SIM_FAULT_NO_ANSWER);
    OperatorPress(panelHandle, BTNGet);
    EXPECT_EQ(StatusLine(), "Waiting for parameter-frame ...");
    EXPECT_EQ(Hint(), "No answer within 1.5 s: parameter set II was not read from EEPROM");
    SimSetFault(SIM_FAULT_NONE);
    OperatorPress(panelHandle, BTNGet); // answered: the hint goes
    EXPECT_EQ(StatusLine(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(Hint(), "(hidden)");
}

TEST_F(Outcomes, FilesSavedLoadedOrNotChosenAreSaidWhileTheStatusLineKeepsItsText) {
    std::string cfg = At("p.cfg");
    WithFile(BTNSend, cfg);
    EXPECT_EQ(StatusLine(), "Transmit...");
    EXPECT_EQ(Hint(), "Parameters saved as " + cfg);
    WithFile(BTNGet, cfg);
    EXPECT_EQ(StatusLine(), "Receive...");
    EXPECT_EQ(Hint(), "Parameters loaded from " + cfg);
    WithFile(BTNGet, "");
    EXPECT_EQ(Hint(), "No file chosen: nothing loaded");
    WithFile(BTNSend, "");
    EXPECT_EQ(Hint(), "No file chosen: nothing saved");

    // Loaded as always (low 16 bits, 32 numbers), with what did not fit said.
    std::string text = FileText(cfg);
    text.replace(text.find("  500"), 5, "65537");
    std::ofstream(cfg) << text << "7 8\n";
    WithFile(BTNGet, cfg);
    EXPECT_EQ(powerA, 1);
    EXPECT_EQ(Hint(), "Parameters loaded from " + cfg +
                          " - 1 number above 65535 loaded as the low 16 bits - 2 more words "
                          "after the 32nd number not read");
}

// Another user's link and FIFO at every name the program writes: the victim's file stays as it
// was, nothing blocks, and the refusal is said.
TEST_F(Outcomes, LinksAndFifosPlantedAtTheProgramsFileNamesLeaveTheVictimUntouched) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to plant files as another user";
    std::string victim = At("victim.txt");
    std::ofstream(victim) << "the victim's notes\n";
    auto plantLink = [&](const std::string &name) {
        ASSERT_EQ(symlink(victim.c_str(), At(name).c_str()), 0);
        ASSERT_EQ(lchown(At(name).c_str(), 65534, 65534), 0);
    };
    auto plantFifo = [&](const std::string &name) { ASSERT_EQ(mkfifo(At(name).c_str(), 0666), 0); };
    for (const char *name :
         {"s2.cfg.tmp~", "XVelRecord.dat.tmp~", "scan.csv.tmp~", "scan.png.tmp~"})
        plantLink(name);
    plantLink("link.cfg");
    plantFifo("fifo.cfg");
    plantLink("link.csv");
    plantFifo("fifo.png");

    WithFile(BTNSend, At("s2.cfg")); // temporaries of old fixed names are nobody's business
    EXPECT_EQ(Hint(), "Parameters saved as " + At("s2.cfg"));
    WithFile(BTNSend, At("link.cfg"));
    EXPECT_EQ(StatusLine(), "Cannot write parameter file " + At("link.cfg") + "!");
    EXPECT_EQ(Hint(), At("link.cfg") + " is a symbolic link made by another user: not followed");
    WithFile(BTNSend, At("fifo.cfg"));
    EXPECT_EQ(Hint(), At("fifo.cfg") + " is not a regular file");
    WithFile(BTNGet, At("fifo.cfg"));
    EXPECT_EQ(StatusLine(), "Cannot read parameter file " + At("fifo.cfg") + "!");

    OperatorPress(panelHandle, BTNData);
    EXPECT_EQ(ExportScanCSV(At("link.csv").c_str()), -1);
    EXPECT_EQ(ExportScanCSV(At("scan.csv").c_str()), 0);
    EXPECT_EQ(ExportControlPNG(panelHandle, GRAPHData, At("fifo.png").c_str()), -1);
    EXPECT_EQ(StatusLine(), "Cannot write " + At("fifo.png") + "!");
    EXPECT_EQ(ExportControlPNG(panelHandle, GRAPHData, At("scan.png").c_str()), 0);

    // A recording starts by removing what stands at its name, link or FIFO, then makes its own.
    for (const char *name : {"linked.dat", "fifo.dat"}) {
        if (std::string(name) == "fifo.dat")
            plantFifo(name);
        else
            plantLink(name);
        snprintf(recfile_name, sizeof recfile_name, "%s", At(name).c_str());
        SetCtrlVal(panelPopUp, NEDITRecSamples, 2);
        SetCtrlVal(panelPopUp, NEDITRecTime, 0);
        OperatorPress(panelPopUp, BTNStartRecord);
        EXPECT_EQ(CtrlInt(panelPopUp, NUMSampleCount), 2) << name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(At(name)))) << name;
    }
    EXPECT_EQ(FileText(victim), "the victim's notes\n");
}

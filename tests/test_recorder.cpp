// Data recorder: the total recording time, the recording loop and the record file, against
// the simulated controller on the test clock.
#include "fixture.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

static const unsigned short kLive[16] = {812, 790, 523, 498, 640, 650, 900, 880,
                                         700, 690, 0,   0,   0,   0,   1,   1};
static const char kHeader[] = "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: ";

class Recorder : public AppTest {
  protected:
    std::string path;
    void SetUp() override {
        AppTest::SetUp();
        LoadPanels();
        InitRS232(com);
        path = std::string(TEST_TMP_DIR) + "/record-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat";
        std::filesystem::remove(path);
        snprintf(recfile_name, sizeof recfile_name, "%s", path.c_str());
        SimSetLiveWords(kLive);
    }
    void Record(int lines, int interval) {
        SetCtrlVal(panelPopUp, NEDITRecSamples, lines);
        SetCtrlVal(panelPopUp, NEDITRecTime, interval);
        OperatorPress(panelPopUp, BTNStartRecord);
    }
    static std::string Lines(int interval, int n, const char *line = "812\t790\t523\t498\n") {
        std::string s = kHeader + std::to_string(interval) + "\n";
        for (int i = 0; i < n; i++)
            s += line;
        return s;
    }
};

static int Display(int control) {
    return CtrlInt(panelPopUp, control);
}

TEST_F(Recorder, TotalTimeIsSplitIntoDaysHoursMinutesAndSeconds) {
    SetCtrlVal(panelPopUp, NUMSampleCount, 9);
    SetCtrlVal(panelPopUp, NEDITRecTime, 10);
    OperatorSet(panelPopUp, NEDITRecSamples, 8640);
    EXPECT_EQ(Display(NUMDays), 1);
    EXPECT_EQ(Display(NUMHours) + Display(NUMMinutes) + Display(NUMSeconds), 0);
    EXPECT_EQ(Display(NUMSampleCount), 0);
    SetCtrlVal(panelPopUp, NEDITRecSamples, 65535);
    OperatorSet(panelPopUp, NEDITRecTime, 65535);
    EXPECT_EQ(Display(NUMDays), 49708);
    EXPECT_EQ(Display(NUMHours), 18);
    EXPECT_EQ(Display(NUMMinutes), 3);
    EXPECT_EQ(Display(NUMSeconds), 45);
    OperatorSet(panelPopUp, NEDITRecTime, 0);
    EXPECT_EQ(Display(NUMDays) + Display(NUMHours) + Display(NUMMinutes) + Display(NUMSeconds), 0);
}

TEST_F(Recorder, ThreeLinesAtIntervalZeroRecordTheFirstThreeReplies) {
    Record(3, 0);
    EXPECT_EQ(FileText(path), Lines(0, 3));
    EXPECT_EQ(Display(NUMSampleCount), 3);
    EXPECT_EQ(stop_flag, 1);
    char box[64];
    GetCtrlVal(panelPopUp, TXTRecStatus, box, int(sizeof box));
    EXPECT_STREQ(box, "DATA-RECORDER");
    EXPECT_EQ(Attr(panelPopUp, TXTRecStatus, ATTR_TEXT_BGCOLOR), 0xE0E0E0);
    for (int c : {BTNRun, BTNData, BTNSend})
        EXPECT_EQ(Attr(panelHandle, c, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(panelPopUp, BTNStartRecord, ATTR_DIMMED), 0);
}

TEST_F(Recorder, ZeroLinesLeaveOnlyTheHeader) {
    Record(0, 7);
    EXPECT_EQ(FileText(path), Lines(7, 0));
}

static void Look() { // while recording at interval 5, started at 100.3 s
    double t = Timer() - 100;
    int count = CtrlInt(panelPopUp, NUMSampleCount);
    if (t < 5.0) {
        EXPECT_EQ(count, 0) << "at " << t;
    } else if (t > 5.1 && t < 10.0) {
        EXPECT_EQ(count, 1) << "at " << t;
    }
}

TEST_F(Recorder, IntervalFiveWritesALineOnlyAfterFiveWholeSecondBoundaries) {
    SetTestClock(100.3);
    for (double t : {104.95, 105.15, 109.9})
        AtTestTime(t, Look);
    Record(2, 5);
    EXPECT_EQ(FileText(path), Lines(5, 2));
    // The second line: the first reply after 110 s; the request that followed it is let pass.
    EXPECT_NEAR(Timer(), 110.0, 0.05 + REPLY_WINDOW);
}

TEST_F(Recorder, ASecondRecordingReplacesTheFile) {
    Record(3, 0);
    Record(1, 0);
    EXPECT_EQ(FileText(path), Lines(0, 1));
}

TEST_F(Recorder, AControllerFallingSilentEndsItWithTheLinesKept) {
    AtTestTime(Timer() + 0.2, [] { SimSetFault(SIM_FAULT_NO_ANSWER); });
    Record(1000, 0);
    EXPECT_EQ(StatusLine(), "Timeout RS232-Line!");
    std::string file = FileText(path);
    ASSERT_EQ(file.rfind(Lines(0, 0), 0), 0u);
    int lines = int(std::count(file.begin(), file.end(), '\n')) - 1;
    EXPECT_GE(lines, 3);
    EXPECT_EQ(file, Lines(0, lines));
}

TEST_F(Recorder, StopRecordEndsIt) {
    double t0 = Timer();
    AtTestTime(t0 + 0.5, [] { OperatorPress(panelPopUp, BTNStopRecord); });
    Record(1000, 0);
    EXPECT_NEAR(Timer() - t0, 0.5, REPLY_WINDOW); // the reply in flight is let pass
    EXPECT_EQ(StatusLine(), "Line Ok!");
}

TEST_F(Recorder, TheLiveMonitorsStopEndsItToo) {
    double t0 = Timer();
    AtTestTime(t0 + 0.5, [] { OperatorPress(panelHandle, BTNStop); });
    Record(1000, 0);
    EXPECT_NEAR(Timer() - t0, 0.5, REPLY_WINDOW); // the reply in flight is let pass
}

TEST_F(Recorder, ChangingTheSettingsDuringARecordingDoesNotChangeIt) {
    AtTestTime(Timer() + 0.1, [] { OperatorSet(panelPopUp, NEDITRecSamples, 1); });
    Record(5, 0);
    EXPECT_EQ(FileText(path), Lines(0, 5));
}

TEST_F(Recorder, ARecordFileThatCannotBeCreatedIsReportedAndNothingRuns) {
    std::string bad = std::string(TEST_TMP_DIR) + "/no-such-folder/r.dat";
    snprintf(recfile_name, sizeof recfile_name, "%s", bad.c_str());
    SimClearSent();
    Record(3, 0);
    EXPECT_EQ(StatusLine(), "Cannot write record file " + bad + "!");
    EXPECT_TRUE(SentBytes().empty());
    EXPECT_EQ(Attr(panelPopUp, BTNStartRecord, ATTR_DIMMED), 0);
}

static std::string g_folder;

TEST_F(Recorder, ARecordFileThatStopsTakingLinesEndsTheRecordingWithTheLinesKept) {
    g_folder = std::string(TEST_TMP_DIR) + "/vanishing";
    std::filesystem::create_directories(g_folder);
    snprintf(recfile_name, sizeof recfile_name, "%s/r.dat", g_folder.c_str());
    AtTestTime(Timer() + 0.2, [] { std::filesystem::remove_all(g_folder); }); // the medium is gone
    Record(1000, 0);
    EXPECT_EQ(StatusLine(), "Cannot write record file " + g_folder + "/r.dat!");
    EXPECT_EQ(stop_flag, 1);
    EXPECT_EQ(Attr(panelHandle, BTNRun, ATTR_DIMMED), 0);
}

TEST_F(Recorder, ChoosingAnExistingRecordFileDeletesItAtOnce) {
    std::ofstream(path) << "old";
    QueueDialogAnswer(1, path.c_str());
    OperatorPress(panelPopUp, RecordFileNameBtn);
    EXPECT_FALSE(std::filesystem::exists(path));
    char box[MAX_PATHNAME_LEN];
    GetCtrlVal(panelPopUp, TXTRecFile, box, int(sizeof box));
    EXPECT_EQ(std::string(box), path);
    QueueDialogAnswer(0, ""); // cancelled: the box keeps its path
    OperatorPress(panelPopUp, RecordFileNameBtn);
    GetCtrlVal(panelPopUp, TXTRecFile, box, int(sizeof box));
    EXPECT_EQ(std::string(box), path);
}

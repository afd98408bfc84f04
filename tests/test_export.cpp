// Data out: the scan as CSV and the scan graph as PNG from its context menu, and the second
// panel's record viewer, against the simulated controller on the test clock.
#include "fixture.h"
#include "png.h"

#include <filesystem>
#include <fstream>
#include <sstream>

static std::string TmpPath(const std::string &name) {
    return std::string(TEST_TMP_DIR) + "/" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + name;
}

static std::vector<std::string> FileLines(const std::string &path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

using Export = LineTest;

TEST_F(Export, TheScanCsvHoldsTheCapturedArraysValueForValueUnderItsViewAndKind) {
    const std::string path = TmpPath("scan.csv");
    for (int view : {2, 0}) {
        refA = 600, tolA = 150;
        SetCtrlVal(panelHandle, RNGGraphSource, view);
        OperatorPress(panelHandle, BTNData);
        ASSERT_EQ(ExportScanCSV(path.c_str()), 0);
        EXPECT_EQ(StatusLine(), "Scan saved as " + path);
        std::vector<std::string> lines = FileLines(path);
        ASSERT_EQ(lines.size(), 129u);
        EXPECT_EQ(lines[0], view == 2 ? "index (view NORM CHANNEL A),channel A (normalised),"
                                        "channel B (normalised),upper limit,lower limit,reference"
                                      : "index (view RAW A / B),channel A (raw ADC),channel B "
                                        "(raw ADC),upper limit,lower limit,reference");
        for (int i = 0; i < 128; i++) {
            std::ostringstream want;
            want << i << ',' << yArrayA[i] << ',' << yArrayB[i] << ',' << upArray[i] << ','
                 << loArray[i] << ',' << refArray[i];
            ASSERT_EQ(lines[size_t(i) + 1], want.str()) << "view " << view;
        }
        EXPECT_EQ(lines[1].substr(lines[1].size() - 12), ",750,450,600"); // limits and reference
    }
}

TEST_F(Export, NoScanIsSavedBeforeACaptureOrWhereTheFileCannotBeWritten) {
    const std::string path = TmpPath("scan.csv");
    EXPECT_EQ(ExportScanCSV(path.c_str()), -1);
    EXPECT_EQ(StatusLine(), "No scan to save: capture one first!");
    EXPECT_FALSE(std::filesystem::exists(path));
    OperatorPress(panelHandle, BTNData);
    const std::string bad = std::string(TEST_TMP_DIR) + "/no-such-folder/scan.csv";
    EXPECT_EQ(ExportScanCSV(bad.c_str()), -1);
    EXPECT_EQ(StatusLine(), "Cannot write " + bad + "!");
}

TEST_F(Export, TheScanGraphsMenuSavesCsvAndPngThroughTheSaveDialog) {
    const std::string csv = TmpPath("menu.csv"), png = TmpPath("menu.png");
    OperatorPress(panelHandle, BTNData);
    QueueDialogAnswer(1, csv.c_str());
    EXPECT_EQ(OperatorMenu(panelHandle, GRAPHData, 1), 0);
    EXPECT_EQ(FileLines(csv).size(), 129u);
    QueueDialogAnswer(1, png.c_str());
    EXPECT_EQ(OperatorMenu(panelHandle, GRAPHData, 2), 0);
    EXPECT_EQ(StatusLine(), "Image saved as " + png);
    EXPECT_EQ(PngSize(png), std::make_pair(Attr(panelHandle, GRAPHData, ATTR_WIDTH),
                                           Attr(panelHandle, GRAPHData, ATTR_HEIGHT)));
    EXPECT_GT(PngSize(png).first, 100);
    std::filesystem::remove(png);
    QueueDialogAnswer(0, ""); // cancelled: nothing written
    EXPECT_EQ(OperatorMenu(panelHandle, GRAPHData, 2), 0);
    EXPECT_FALSE(std::filesystem::exists(png));
    EXPECT_EQ(OperatorMenu(panelHandle, GRAPHData, 3), -1); // the menu has two items
    EXPECT_EQ(OperatorMenu(panelHandle, STRIPRAW, 1), -1);  // and the strip charts none
}

TEST_F(Export, ViewRecordOpensTheRecordFileInAWindowOrNamesWhyItCannot) {
    const std::string path = TmpPath("rec.dat");
    std::filesystem::remove(path);
    snprintf(recfile_name, sizeof recfile_name, "%s", path.c_str());
    OperatorPress(panelPopUp, BTNViewRecord);
    EXPECT_EQ(ViewerCount(), 0);
    EXPECT_EQ(StatusLine(), path + ": cannot read the file (No such file or directory)");
    std::ofstream(path) << "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 2\n"
                           "812\t790\t523\t498\n815\t788\t525\t497\n900\t1";
    SetStatus("before");
    ShowStatus();
    OperatorPress(panelPopUp, BTNViewRecord);
    EXPECT_EQ(ViewerCount(), 1);
    EXPECT_EQ(StatusLine(), path + ": line 4 is cut short (no line end) and not shown");
    char readout[256];
    ASSERT_EQ(ViewerPoint(1.0, readout, int(sizeof readout)), 0);
    EXPECT_STREQ(readout, "line 2   time 4   NORM A 815   NORM B 788   ADC A 525   ADC B 497   "
                          "(file line 3)");
    ASSERT_EQ(ViewerPoint(0.0, readout, int(sizeof readout)), 0);
    EXPECT_EQ(std::string(readout).substr(0, 28), "line 1   time 2   NORM A 812");
}

static int LineAt(double fraction) { // the recorded line the viewer's read-out names there
    char readout[256] = "";
    ViewerPoint(fraction, readout, int(sizeof readout));
    return atoi(readout + 5); // "line N ..."
}

TEST_F(Export, TheViewerZoomsPansAndShowsTheWholeRecordingAgain) {
    const std::string path = TmpPath("zoom.dat");
    FILE *f = fopen(path.c_str(), "w");
    fprintf(f, "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 0\n");
    for (int i = 1; i <= 1000; i++)
        fprintf(f, "%d\t%d\t%d\t%d\n", i % 997, 500, 2000, 1800);
    fclose(f);
    char message[256];
    ASSERT_EQ(ViewRecord(path.c_str(), message, int(sizeof message)), 0);
    EXPECT_EQ((Ints{LineAt(0), LineAt(0.5), LineAt(1)}), (Ints{1, 500, 1000}));
    ViewerGesture(VIEWER_BOX, 0.2, 0.4); // lines 200..400
    EXPECT_NEAR(LineAt(0), 200, 2);
    EXPECT_NEAR(LineAt(1), 400, 2);
    ViewerGesture(VIEWER_PAN, 0.5, 0.25); // a quarter of the view to the left: 50 lines later
    EXPECT_NEAR(LineAt(0), 250, 2);
    ViewerGesture(VIEWER_WHEEL, 0.5, 2); // 1.25^2 closer around the middle
    EXPECT_NEAR(LineAt(1) - LineAt(0), 128, 3);
    EXPECT_NEAR(LineAt(0.5), 350, 2);
    for (int i = 0; i < 3; i++) // a view width to the right each time, held at the start
        ViewerGesture(VIEWER_PAN, 0.0, 1.0);
    EXPECT_EQ(LineAt(0), 1);
    ViewerGesture(VIEWER_WHOLE, 0.5, 0.5);
    EXPECT_EQ((Ints{LineAt(0), LineAt(1)}), (Ints{1, 1000}));
}

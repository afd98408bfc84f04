// Renders the panels against the simulated controller and saves them as PNG files in
// build/<preset>/screenshots, which the README shows: after start-up, and the live monitor's
// NORM and RAW views while it runs, the scans, and the record viewer.
#include "fixture.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

static std::string Shot(const char *name) {
    std::filesystem::create_directories(SCREENSHOT_DIR);
    return std::string(SCREENSHOT_DIR) + "/" + name;
}

static void GrabAndStop(const char *name) {
    ASSERT_EQ(GrabPanel(panelHandle, Shot(name).c_str()), 0);
    OperatorPress(panelHandle, BTNStop);
}

TEST_F(AppTest, PanelsAreSavedAsScreenshotsAfterStartUp) {
    LoadPanels();
    InitRS232(com);
    DisplayPanel(panelHandle);
    DisplayPanel(panelPopUp);
    SetCtrlVal(panelHandle, TOGBTNparaII, 1);
    ASSERT_EQ(GrabPanel(panelHandle, Shot("main-panel.png").c_str()), 0);
    ASSERT_EQ(GrabPanel(panelPopUp, Shot("second-panel.png").c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(Shot("main-panel.png")), 10000u);
    EXPECT_GT(std::filesystem::file_size(Shot("second-panel.png")), 5000u);
}

TEST_F(AppTest, LiveViewsAreSavedAsScreenshotsWhileRunning) {
    LoadPanels();
    InitRS232(com);
    DisplayPanel(panelHandle);
    SetCtrlVal(panelHandle, NEDIThwmode, 0); // band from the panel's tolerance
    SetCtrlVal(panelHandle, NEDITrefA, 600);
    SetCtrlVal(panelHandle, NEDITtolA, 150);
    SetCtrlVal(panelPopUp, RNGanamode, 3); // maximum and minimum markers
    GetPanelValues();
    OperatorSet(panelHandle, RNGGraphSource, 2);
    AtTestTime(Timer() + 6.0, [] { GrabAndStop("monitor-norm.png"); });
    OperatorPress(panelHandle, BTNRun);
    OperatorSet(panelHandle, RNGGraphSource, 0);
    AtTestTime(Timer() + 6.0, [] { GrabAndStop("monitor-raw.png"); });
    OperatorPress(panelHandle, BTNRun);
    EXPECT_GT(std::filesystem::file_size(Shot("monitor-norm.png")), 10000u);
    EXPECT_GT(std::filesystem::file_size(Shot("monitor-raw.png")), 10000u);
}

TEST_F(AppTest, ScanViewsAreSavedAsScreenshots) {
    LoadPanels();
    InitRS232(com);
    DisplayPanel(panelHandle);
    refA = 600, tolA = 150;
    SetCtrlVal(panelHandle, RNGGraphSource, 0);
    OperatorPress(panelHandle, BTNData);
    ASSERT_EQ(GrabPanel(panelHandle, Shot("scan-raw.png").c_str()), 0);
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    OperatorPress(panelHandle, BTNData);
    ASSERT_EQ(GrabPanel(panelHandle, Shot("scan-norm.png").c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(Shot("scan-norm.png")), 10000u);
}

// Six hours at a 2 s interval: slow drift, sensor noise and a few passing objects.
static std::string SixHourRecording() {
    std::string path = Shot("XVelRecord.dat");
    FILE *f = fopen(path.c_str(), "w");
    fprintf(f, "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 2\n");
    unsigned seed = 7;
    auto noise = [&seed] { return int((seed = seed * 1103515245u + 12345u) >> 16 & 15) - 7; };
    for (int i = 1; i <= 10800; i++) {
        double drift = 25 * std::sin(i / 1700.0), dip = (i % 1300 < 18) ? 420 : 0;
        int a = int(820 + drift - dip) + noise(), b = int(760 - drift * 0.6 - dip * 0.8) + noise();
        fprintf(f, "%d\t%d\t%d\t%d\n", a, b, a * 36 / 10 + noise(), b * 34 / 10 + noise());
    }
    fclose(f);
    return path;
}

TEST_F(AppTest, RecordViewerIsSavedAsScreenshots) {
    std::string dat = SixHourRecording();
    char message[512], readout[256];
    ASSERT_EQ(ViewRecord(dat.c_str(), message, int(sizeof message)), 0);
    ASSERT_EQ(ViewerPoint(0.385, readout, int(sizeof readout)), 0);
    ASSERT_EQ(GrabViewer(Shot("viewer.png").c_str()), 0);
    ASSERT_EQ(RenderRecord(dat.c_str(), Shot("viewer-report.png").c_str(), 1200, 600, message,
                           int(sizeof message)),
              0);
    EXPECT_GT(std::filesystem::file_size(Shot("viewer.png")), 20000u);
}

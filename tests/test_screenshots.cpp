// Renders the panels against the simulated controller and saves them as PNG files in
// build/<preset>/screenshots, which the README shows: after start-up, and the live monitor's
// NORM and RAW views while it runs.
#include "fixture.h"

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

// Renders both panels after a start-up against the simulated controller and saves them as PNG
// files (build/<preset>/screenshots), which the README shows.
#include "fixture.h"

#include <filesystem>

TEST_F(AppTest, PanelsAreSavedAsScreenshotsAfterStartUp) {
    LoadPanels();
    InitRS232(com);
    DisplayPanel(panelHandle);
    DisplayPanel(panelPopUp);
    SetCtrlVal(panelHandle, TOGBTNparaII, 1);
    std::filesystem::create_directories(SCREENSHOT_DIR);
    std::string main = std::string(SCREENSHOT_DIR) + "/main-panel.png";
    std::string popup = std::string(SCREENSHOT_DIR) + "/second-panel.png";
    ASSERT_EQ(GrabPanel(panelHandle, main.c_str()), 0);
    ASSERT_EQ(GrabPanel(panelPopUp, popup.c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(main), 10000u);
    EXPECT_GT(std::filesystem::file_size(popup), 5000u);
}

// Start-up, the panels and shutdown: the whole WinMain with the close box, the start values,
// the second panel and the COM-port ring, against the simulated controller.
#include "fixture.h"

#include <cstring>

class Startup : public AppTest {};

static int g_seenVisible = -1;
static std::string g_seenStatus;

static void LookThenClose() { // runs inside the user-interface loop
    g_seenVisible = PanelVisible(panelHandle);
    g_seenStatus = StatusLine();
    OperatorClose(panelHandle);
}

TEST_F(Startup, WithoutControllerThePanelStillShowsTheFailureAndTheCloseBoxEndsWithZero) {
    SimSetFault(SIM_FAULT_NO_ANSWER);
    RunWhenLoopStarts(LookThenClose);
    char arg0[] = "xvelzuk1";
    char *argv[] = {arg0, nullptr};
    EXPECT_EQ(WinMain(RunTimeInstance{1, argv}, RunTimeInstance{0, nullptr}, "", 1), 0);
    EXPECT_EQ(g_seenVisible, 1);
    EXPECT_EQ(g_seenStatus, "Timeout < 36 Bytes");
    EXPECT_EQ(ComOpenCount(), 0);
    EXPECT_EQ(SimCloseCount(), 1);
}

TEST_F(Startup, WithControllerTheStartUpEndsOnLineOk) {
    RunWhenLoopStarts(LookThenClose);
    char arg0[] = "xvelzuk1";
    char *argv[] = {arg0, nullptr};
    EXPECT_EQ(WinMain(RunTimeInstance{1, argv}, RunTimeInstance{0, nullptr}, "", 1), 0);
    EXPECT_EQ(g_seenStatus, kSimFirmware);
}

TEST_F(Startup, InitVarsSetsStartValuesRecordPathAndShowsPowerA) {
    LoadPanels();
    EXPECT_EQ(StatusLine(), "InitVars");
    EXPECT_EQ(std::string(recfile_name), std::string(proj_dir) + "/XVelRecord.dat");
    char box[MAX_PATHNAME_LEN] = "";
    GetCtrlVal(panelPopUp, TXTRecFile, box, int(sizeof box));
    EXPECT_STREQ(box, recfile_name);
    EXPECT_STREQ(file_name, "ZUK1para.cfg");
    EXPECT_STREQ(szSoftname, "X-VEL-ZUK1-Rerov");
    EXPECT_STREQ(szSoftversion, "V1.5");
    EXPECT_EQ(Attr(panelHandle, NEDITpowerA, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(panelHandle, NEDITpowerB, ATTR_VISIBLE), 0);
    EXPECT_EQ(com, 1);
    EXPECT_EQ(rx_flag, 1);
    EXPECT_EQ(powerA, 500);
}

TEST_F(Startup, SecondPanelToggleShowsAndHidesItKeepingItsValues) {
    LoadPanels();
    EXPECT_EQ(PanelVisible(panelPopUp), 0);
    ASSERT_EQ(OperatorPress(panelHandle, TOGBTNparaII), 0);
    EXPECT_EQ(PanelVisible(panelPopUp), 1);
    SetCtrlVal(panelPopUp, NEDITaverage, 33);
    ASSERT_EQ(OperatorPress(panelHandle, TOGBTNparaII), 0);
    EXPECT_EQ(PanelVisible(panelPopUp), 0);
    ASSERT_EQ(OperatorKey(panelHandle, TOGBTNparaII), 0); // keyboard toggles it too
    EXPECT_EQ(PanelVisible(panelPopUp), 1);
    EXPECT_EQ(CtrlInt(panelPopUp, NEDITaverage), 33);
}

TEST_F(Startup, SecondPanelCloseBoxHidesItAndTurnsTheToggleOff) {
    LoadPanels();
    OperatorPress(panelHandle, TOGBTNparaII);
    ASSERT_EQ(CtrlInt(panelHandle, TOGBTNparaII), 1);
    OperatorClose(panelPopUp);
    EXPECT_EQ(PanelVisible(panelPopUp), 0);
    EXPECT_EQ(CtrlInt(panelHandle, TOGBTNparaII), 0);
    EXPECT_EQ(PanelVisible(panelHandle), 0); // the main panel was never shown here
    OperatorPress(panelHandle, TOGBTNparaII);
    EXPECT_EQ(PanelVisible(panelPopUp), 1);
}

TEST_F(Startup, ChoosingAPortRunsCloseAndOpenOncePerEventItRaises) {
    MapPorts({"--com", "1=sim", "--com", "2=sim"});
    LoadPanels();
    InitRS232(com);
    ASSERT_EQ(SimOpenCount(), 1);
    SimClearSent();
    ASSERT_EQ(OperatorSet(panelHandle, DropDCom, 2), 0); // value changed, then commit
    EXPECT_EQ(com, 2);
    EXPECT_EQ(SimOpenCount(), 3);
    EXPECT_EQ(SimCloseCount(), 2); // COM1, then COM2 opened by the first run
    Bytes startUp = Frame(5, {0, 500, 2048, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 0});
    for (Bytes read : {Frame(2, {0, 500, 2048, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 0}),
                       Frame(2, {1, 500, 2048, 512, 950}), Frame(7, {1, 500, 2048, 512, 950})})
        startUp.insert(startUp.end(), read.begin(), read.end());
    Bytes twice = startUp;
    twice.insert(twice.end(), startUp.begin(), startUp.end());
    EXPECT_EQ(SentBytes(), twice);
    EXPECT_EQ(StatusLine(), kSimFirmware);
    EXPECT_EQ(ComOpenCount(), 1);
}

TEST_F(Startup, ChoosingAPortThatFailsLeavesNoPortOpenAndSaysWhy) {
    MapPorts({"--com", "1=sim", "--com", "2=/nonexistent/ttyXVEL"});
    LoadPanels();
    InitRS232(com);
    OperatorSet(panelHandle, DropDCom, 2);
    EXPECT_EQ(StatusLine(), "No serial port found");
    EXPECT_EQ(ComOpenCount(), 0);
}

TEST_F(Startup, PortRingListsThePortTableWithDeviceNames) {
    MapPorts({"--com", "2=sim", "--com", "1=/dev/ttyXVEL0"});
    LoadPanels();
    char text[256] = "";
    GetCtrlVal(panelHandle, DropDCom, text, int(sizeof text));
    EXPECT_STREQ(text, "COM1  /dev/ttyXVEL0 (absent)");
    SetCtrlVal(panelHandle, DropDCom, 2);
    GetCtrlVal(panelHandle, DropDCom, text, int(sizeof text));
    EXPECT_STREQ(text, "COM2  sim (simulator)");
    EXPECT_EQ(SetCtrlVal(panelHandle, DropDCom, 7), -1); // not in the table: ring unchanged
    EXPECT_EQ(CtrlInt(panelHandle, DropDCom), 2);
}

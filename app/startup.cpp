// Program start and end: loads both panels, gives every global its start value, runs the
// serial start-up, then the user-interface loop until the main panel is closed.
#include "XVELZUK1V15.h"
#include "com232.h"

#include <cstdio>

int panelHandle = 0;
int panelPopUp = 0;

static void Copy(char *dst, int size, const char *src) {
    snprintf(dst, size_t(size), "%s", src);
}

static void StartValues() {
    powerA = 500;
    powerB = 500;
    refA = 2048;
    refB = 2048;
    tolA = 512;
    tolB = 512;
    hysteresis = 20;
    polarity = 1;
    hold = 100;
    hwmode = 1;
    average = 8;
    evalmode = 0;
    triglvlA = 950;
    triglvlB = 950;
    trigmode = 0;
    sdelay = 500;
    outmode = 0;
    anamode = 0;
    ref10Bit = 2048;
    tol10Bit = 512;
    com = FirstComPort(); // the port the COM ring shows first
    sync = 0x55;
    order = ORDER_STORE_RAM;
    target = RAM;
    type = 1;
    rx_flag = 1;
    stop_flag = 1;
    ResetGuard();
    scanview = -1;
}

void InitVars() {
    StartValues();
    SetStatus("InitVars");
    Copy(recfile_name, MAX_PATHNAME_LEN, "XVelRecord.dat");
    Copy(file_name, MAX_PATHNAME_LEN, "ZUK1para.cfg");
    MakePathname(proj_dir, "XVelRecord.dat", recfile_name);
    SetCtrlVal(panelPopUp, TXTRecFile, recfile_name);
    CalcRecTime();
    Copy(szSoftname, sizeof szSoftname, "X-VEL-ZUK1-Rerov");
    Copy(szSoftversion, sizeof szSoftversion, "V1.5");
    ShowLogo(BRAND_USED);
    ShowStatus();
    SetCtrlAttribute(panelHandle, NEDITpowerB, ATTR_VISIBLE, 0);
    SetCtrlAttribute(panelHandle, NEDITpowerA, ATTR_VISIBLE, 1);
    GetPanelValues(); // the controls' values count from here on, not the start values
    KnowPanelValues();
    FillarrayRAW(0, 0);
    FillarrayNORM(tol10Bit, ref10Bit, 0);
    for (int i = 0; i < SCAN_WORDS; i++) {
        xArray[i] = uint16_t(i);
        yArrayA[i] = yArrayB[i] = yArrayN[i] = 0;
    }
    pfnSetPanelValues = SetPanelValues;
    InitExports();
    InitCompare();
}

int WinMain(RunTimeInstance instance, RunTimeInstance, const char *, int) {
    if (InitCVIRTE(instance) == 0) return -1;
    InstallCallbackTable(kControlCallbacks, kControlCallbackCount, kPanelCallbacks,
                         kPanelCallbackCount);
    if ((panelHandle = LoadPanel(0, "XVELZUK1V15.uir", PANEL)) < 0) return -1;
    FillComRing(1);
    if ((panelPopUp = LoadPanel(0, "XVELZUK1V15.uir", POPUP)) < 0) return -1;
    GetUserFilesDir(proj_dir);
    InitVars();
    StartHotplug();
    BeginExchange();
    InitRS232(com);
    EndExchange();
    DisplayPanel(panelHandle);
    RunUserInterface();
    CloseCom(com);
    DiscardPanel(panelPopUp);
    DiscardPanel(panelHandle);
    return 0;
}

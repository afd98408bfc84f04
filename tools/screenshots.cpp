// Renders the pictures the README shows into a folder: the panels after start-up, the live
// monitor's NORM and RAW views while it runs, the scans and the record viewer (make screenshots).
#include "XVELZUK1V15.h"
#include "compare.h"
#include "sim.h"
#include "testing.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

static std::string g_dir;
static int g_failed = 0;

static std::string Shot(const char *name) {
    return g_dir + "/" + name;
}

static void Grab(int panel, const char *name) {
    if (GrabPanel(panel, Shot(name).c_str()) != 0) {
        fprintf(stderr, "screenshots: cannot write %s\n", Shot(name).c_str());
        g_failed = 1;
    } else {
        printf("%s\n", Shot(name).c_str());
    }
}

static void GrabAndStop(const char *name) {
    Grab(panelHandle, name);
    OperatorPress(panelHandle, BTNStop);
}

// Panels loaded, start values given and the line to the simulator opened, on the test clock.
static void Start() {
    ResetPlatform();
    InstallCallbackTable(kControlCallbacks, kControlCallbackCount, kPanelCallbacks,
                         kPanelCallbackCount);
    UseTestClock(true);
    SetTestClock(0);
    SimReset();
    panelHandle = LoadPanel(0, "XVELZUK1V15.uir", PANEL);
    panelPopUp = LoadPanel(0, "XVELZUK1V15.uir", POPUP);
    GetProjectDir(proj_dir);
    InitVars();
    InitRS232(com);
    DisplayPanel(panelHandle);
}

static void Panels() {
    Start();
    DisplayPanel(panelPopUp);
    SetCtrlVal(panelHandle, TOGBTNparaII, 1);
    Grab(panelHandle, "main-panel.png");
    Grab(panelPopUp, "second-panel.png");
}

static void LiveViews() {
    Start();
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
}

static void Scans() {
    Start();
    refA = 600, tolA = 150;
    SetCtrlVal(panelHandle, RNGGraphSource, 0);
    OperatorPress(panelHandle, BTNData);
    Grab(panelHandle, "scan-raw.png");
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    OperatorPress(panelHandle, BTNData);
    Grab(panelHandle, "scan-norm.png");
}

// Two edits not yet sent: their controls carry the edit mark.
static void EditMarks() {
    Start();
    OperatorSet(panelHandle, NEDITrefA, 1500);
    OperatorSet(panelHandle, NEDITtolA, 200);
    Grab(panelHandle, "edit-marks.png");
}

// RAM tuned but not stored: two settings of RAM differ from the EEPROM, one edit not yet sent,
// and the parameter file saved before both.
static void CompareView() {
    Start();
    std::string cfg = Shot("compare.cfg");
    SetCtrlVal(panelHandle, RBTFile, 1);
    target = DATFILE;
    QueueDialogAnswer(1, cfg.c_str());
    OperatorPress(panelHandle, BTNSend);
    SimSetRamWord(0, 7, 140);   // hold
    SimSetRamWord(1, 3, 600);   // tolerance B
    SimSetEepromWord(0, 10, 3); // evaluation mode
    OperatorSet(panelPopUp, NEDITsdelay, 750);
    OperatorPress(panelHandle, BTNCompare);
    if (GrabCompareView(Shot("compare-view.png").c_str()) != 0) {
        fprintf(stderr, "screenshots: cannot write %s\n", Shot("compare-view.png").c_str());
        g_failed = 1;
    } else {
        printf("%s\n", Shot("compare-view.png").c_str());
    }
    std::filesystem::remove(cfg);
}

// Six hours at a 2 s interval: slow drift, sensor noise and a few passing objects.
static std::string SixHourRecording() {
    std::string path = Shot("XVelRecord.dat");
    FILE *f = fopen(path.c_str(), "w");
    if (!f) return path;
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

static void Viewer() {
    std::string dat = SixHourRecording();
    char message[512], readout[256];
    if (ViewRecord(dat.c_str(), message, int(sizeof message)) != 0 ||
        ViewerPoint(0.385, readout, int(sizeof readout)) != 0 ||
        GrabViewer(Shot("viewer.png").c_str()) != 0 ||
        RenderRecord(dat.c_str(), Shot("viewer-report.png").c_str(), 1200, 600, message,
                     int(sizeof message)) != 0) {
        fprintf(stderr, "screenshots: the viewer pictures failed: %s\n", message);
        g_failed = 1;
    }
}

int main(int argc, char **argv) {
    g_dir = argc > 1 ? argv[1] : "build/screenshots";
    std::filesystem::create_directories(g_dir);
    char opt0[] = "screenshots", opt1[] = "--headless", opt2[] = "--com-only", opt3[] = "--com",
         opt4[] = "1=sim";
    char *args[] = {opt0, opt1, opt2, opt3, opt4};
    int code = 0;
    InstallProgram();
    if (PlatformOptions(5, args, &code) || !InitCVIRTE(RunTimeInstance{argc, argv})) return 1;
    SimRegisterDevice();
    Panels();
    LiveViews();
    Scans();
    CompareView();
    EditMarks();
    Viewer();
    ResetPlatform();
    CloseCVIRTE();
    return g_failed;
}

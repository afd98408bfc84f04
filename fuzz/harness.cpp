// Shared set-up of the fuzz targets: the toolkit offscreen, the simulator registered, both panels
// loaded and given their start values as at program start, the test clock on.
#include "harness.h"

#include "XVELZUK1V15.h"
#include "com232.h"
#include "sim.h"
#include "testing.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

static int g_stderr = -1;  // the real standard error while quiet
static int g_devnull = -1; // where quiet messages go

void FuzzQuiet(bool on) {
    if (g_devnull < 0) g_devnull = open("/dev/null", O_WRONLY);
    if (on && g_stderr < 0) {
        g_stderr = dup(2);
        dup2(g_devnull, 2);
    } else if (!on && g_stderr >= 0) {
        dup2(g_stderr, 2);
        close(g_stderr);
        g_stderr = -1;
    }
}

void FuzzFail(const char *fmt, ...) {
    FuzzQuiet(false);
    va_list ap;
    va_start(ap, fmt);
    fputs("fuzz invariant broken: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
    abort();
}

void FuzzStartProgram(bool openLine) {
    static int argc = 1;
    static char name[] = "xvelzuk1-fuzz";
    static char *argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static char comOpt[] = "--com", sim[] = "1=sim", only[] = "--com-only";
    char *options[] = {name, only, comOpt, sim};
    int code = 0;
    InstallProgram();
    if (PlatformOptions(4, options, &code) != 0 || !InitCVIRTE(RunTimeInstance{argc, argv}))
        FuzzFail("the program does not start");
    SimRegisterDevice();
    UseTestClock(true);
    SimReset();
    InstallCallbackTable(kControlCallbacks, kControlCallbackCount, kPanelCallbacks,
                         kPanelCallbackCount);
    panelHandle = LoadPanel(0, "XVELZUK1V15.uir", PANEL);
    panelPopUp = LoadPanel(0, "XVELZUK1V15.uir", POPUP);
    if (panelHandle <= 0 || panelPopUp <= 0) FuzzFail("the panels do not load");
    GetProjectDir(proj_dir);
    InitVars();
    if (openLine) {
        InitRS232(com);
        if (ComOpenCount() != 1) FuzzFail("COM1 does not open on the simulator");
    }
}

// Benchmark of ports that come and go: the program idles in its user-interface loop on the pty
// of xvelzuk1-sim, reached through a link; the simulator is unplugged and plugged in again
// XVEL_BENCH_CYCLES times (default 10). Prints, in ms: loss -> port closed and node released,
// return -> line check passed and -> start-up done; and a link made -> its port present.
#include "XVELZUK1V15.h"
#include "com232.h"
#include "run_program.h"
#include "testing.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

static int g_cycles = 10;
static int g_sim = -1;
static std::string g_link, g_newLink;
static double g_t0;   // Timer() of the unplug, the plug-in or the link made
static int g_phase;   // what the poll waits for
static bool g_echoed; // the line check of this return passed
static std::vector<double> g_closed, g_checked, g_started, g_appeared; // ms

enum { LOSS, RETURN, APPEAR };

static bool HoldsPty() {
    std::error_code err;
    std::string pty = fs::read_symlink(g_link, err).string();
    for (const auto &fd : fs::directory_iterator("/proc/self/fd")) {
        std::string target = fs::read_symlink(fd.path(), err).string();
        if (!pty.empty() && (target == pty || target == pty + " (deleted)")) return true;
    }
    return false;
}

static double Ms() {
    return (Timer() - g_t0) * 1000.0;
}

static void Unplug() {
    g_phase = LOSS;
    g_t0 = Timer();
    kill(g_sim, SIGUSR1);
}

static void PlugIn() {
    g_phase = RETURN;
    g_echoed = false;
    ClearStatusHistory();
    g_t0 = Timer();
    kill(g_sim, SIGUSR2);
}

static void MakeLink() {
    g_phase = APPEAR;
    g_t0 = Timer();
    fs::create_symlink("/dev/null", g_newLink);
}

static void Poll() {
    const char *texts[32];
    int n = StatusHistory(texts, 32);
    char ring[256] = "";
    if (g_phase == LOSS && ComOpenCount() == 0 && !HoldsPty()) {
        g_closed.push_back(Ms());
        RunAfter(0.3, PlugIn);
        g_phase = -1;
    } else if (g_phase == RETURN) {
        for (int i = 0; i < n && !g_echoed; i++)
            if (!strcmp(texts[i], "Echo Check - Line Ok!")) {
                g_checked.push_back(Ms());
                g_echoed = true;
            }
        if (g_echoed && n > 0 && !strcmp(texts[n - 1], szVersion)) { // the firmware text ends it
            g_started.push_back(Ms());
            g_phase = -1;
            if (int(g_started.size()) < g_cycles)
                RunAfter(0.3, Unplug);
            else
                RunAfter(0.1, MakeLink);
        }
    } else if (g_phase == APPEAR) {
        SetCtrlVal(panelHandle, DropDCom, 2);
        GetCtrlVal(panelHandle, DropDCom, ring, int(sizeof ring));
        SetCtrlVal(panelHandle, DropDCom, com);
        if (!strstr(ring, "(absent)")) {
            g_appeared.push_back(Ms());
            QuitUserInterface(0);
            return;
        }
    }
    if (Ms() > 10000) { // a step that never happened
        fprintf(stderr, "bench_hotplug: stuck in phase %d\n", g_phase);
        QuitUserInterface(1);
        return;
    }
    RunAfter(0.001, Poll);
}

static void Print(const char *what, std::vector<double> v) {
    if (v.empty()) return;
    std::sort(v.begin(), v.end());
    printf("%-44s median %7.1f  max %7.1f  (%zu)\n", what, v[v.size() / 2], v.back(), v.size());
}

int main(int argc, char **argv) {
    if (const char *c = getenv("XVEL_BENCH_CYCLES")) g_cycles = std::max(1, atoi(c));
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string dir = fs::temp_directory_path() / ("xvelzuk1-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    g_link = dir + "/port";
    g_newLink = dir + "/new-port";
    if (StartSimServer({"--link", g_link}, &g_sim).empty()) return 1;
    std::string com1 = "1=" + g_link, com2 = "2=" + g_newLink;
    std::vector<char *> args{
        argv[0],     const_cast<char *>("--com-only"), const_cast<char *>("--com"),
        com1.data(), const_cast<char *>("--com"),      com2.data()};
    int code = 0;
    InstallProgram();
    if (PlatformOptions(int(args.size()), args.data(), &code) || !InitCVIRTE({argc, argv}))
        return 1;
    InstallCallbackTable(kControlCallbacks, kControlCallbackCount, kPanelCallbacks,
                         kPanelCallbackCount);
    panelHandle = LoadPanel(0, "XVELZUK1V15.uir", PANEL);
    panelPopUp = LoadPanel(0, "XVELZUK1V15.uir", POPUP);
    GetProjectDir(proj_dir);
    InitVars();
    StartHotplug();
    InitRS232(com);
    RunWhenLoopStarts([] {
        RunAfter(0.3, Unplug);
        Poll();
    });
    int rc = RunUserInterface();
    StopSimServer(g_sim);
    fs::remove_all(dir);
    Print("unplug -> port closed, node released, ms", g_closed);
    Print("plug in -> line check passed, ms", g_checked);
    Print("plug in -> start-up done (firmware), ms", g_started);
    Print("link made -> port present in the ring, ms", g_appeared);
    CloseCVIRTE();
    return rc;
}

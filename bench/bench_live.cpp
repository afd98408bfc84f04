// Benchmark of the live monitor: runs the Run loop against the simulated controller in process
// at true 19200-baud line timing, against xvelzuk1-sim over a pseudo-terminal at line timing,
// and in process without line timing (as fast as it answers); prints the reply rate, CPU per
// reply split into decode, history, drawing and the rest, the drawing's share of a core, the
// reply-to-next-request times and the time the virtual machine's host took for other guests
// (the tails follow it); then the time of a scan capture. With the panel showing, a fourth
// run in process with it hidden gives the loop's own CPU, and the difference the window's share:
// the chart's and indicators' redraws. XVEL_BENCH_SECONDS shortens the runs, XVEL_BENCH_HIDDEN
// leaves the panel hidden throughout, XVEL_BENCH_PTY_ONLY makes the pty run the only one (for a
// profiler attached to it).
#include "XVELZUK1V15.h"
#include "com232.h"
#include "probes.h"
#include "run_program.h"
#include "sim.h"
#include "testing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

static double kSeconds = 20.0;      // XVEL_BENCH_SECONDS overrides it for a quick look
constexpr double kSimDelay = 0.002; // the simulator's processing time per request
constexpr double kCycle = 72 * 10.0 / 19200.0 + kSimDelay; // request + reply on the line

struct Result {
    double rate = 0, ratio = 0, cpu = 0; // replies/s, of the line limit, CPU/wall %
    double median = 0, p99 = 0, max = 0; // reply -> next request, ms
    double perReply[CPU_PARTS + 1] = {}; // ms of CPU per reply: the parts, then the rest
    double paints = 0, drawShare = 0;    // chart paints per second, drawing CPU/wall %
    double steal = 0;                    // CPU time the host gave other guests / wall %
};

static double CpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// CPU time the virtual machine's host took from this guest for others, all CPUs, s; 0 where
// the system does not tell. A run with much of it shows the host's scheduling, not the loop's.
static double StealSeconds() {
    unsigned long long v[8] = {};
    FILE *f = fopen("/proc/stat", "r");
    if (!f) return 0;
    int n = fscanf(f, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2], &v[3],
                   &v[4], &v[5], &v[6], &v[7]);
    fclose(f);
    return n == 8 ? double(v[7]) / double(sysconf(_SC_CLK_TCK)) : 0;
}

// One Run of kSeconds. Replies are counted by their decoding: the receive handler decodes each
// into the frame and the plotting into the live values, two spans a reply.
static Result RunLoop() {
    RunAfter(kSeconds, [] { OperatorPress(panelHandle, BTNStop); });
    plat::ResetCpuParts();
    plat::g_cpuProbes = true;
    auto wall0 = std::chrono::steady_clock::now();
    double cpu0 = CpuSeconds();
    double steal0 = StealSeconds();
    OperatorPress(panelHandle, BTNRun); // returns when Stop has ended the loop
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    double cpu = CpuSeconds() - cpu0;
    plat::g_cpuProbes = false;
    Result r;
    r.steal = (StealSeconds() - steal0) / wall * 100;
    int n = std::max(1, plat::CpuPartSpans(CPU_DECODE) / 2);
    r.rate = n / wall;
    r.ratio = r.rate * kCycle;
    r.cpu = cpu / wall * 100;
    double parts = 0;
    for (int p = 0; p < CPU_PARTS; p++) {
        r.perReply[p] = plat::CpuPartSeconds(p) / n * 1e3;
        parts += plat::CpuPartSeconds(p);
    }
    r.perReply[CPU_PARTS] = (cpu - parts) / n * 1e3;
    r.paints = plat::CpuPartSpans(CPU_DRAW) / wall;
    r.drawShare = plat::CpuPartSeconds(CPU_DRAW) / wall * 100;
    return r;
}

static std::vector<double> g_log(2000000);

static void Percentiles(Result &r, int n) {
    std::sort(g_log.begin(), g_log.begin() + n);
    if (n == 0) return;
    r.median = g_log[n / 2] * 1e3;
    r.p99 = g_log[std::min(n - 1, int(n * 0.99))] * 1e3;
    r.max = g_log[n - 1] * 1e3;
}

static Result InProcess(bool lineTiming) {
    SimSetLineTiming(lineTiming);
    SimSetProcessingDelay(kSimDelay);
    SimLogLatency(g_log.data(), int(g_log.size()));
    Result r = RunLoop();
    Percentiles(r, SimLatencyCount());
    SimLogLatency(nullptr, 0);
    Delay(0.1); // the reply in flight when Stop came must not start the next run misaligned
    FlushInQ(com);
    SimSetLineTiming(true);
    return r;
}

// xvelzuk1-sim on a pseudo-terminal, mapped to COM2; the reply -> next request times are those
// its side of the line saw after live-value replies.
static Result OverPty(const std::string &tty, int sim, const std::string &report) {
    OpenComPort(2);
    Result r = RunLoop();
    Delay(0.1);
    StopSimServer(sim);
    FILE *f = fopen(report.c_str(), "r");
    int n = 0;
    if (!f || fscanf(f, "%d replies, median %lf ms, p99 %lf ms, max %lf ms", &n, &r.median, &r.p99,
                     &r.max) != 4)
        fprintf(stderr, "bench_live: no latency report from xvelzuk1-sim on %s\n", tty.c_str());
    if (f) fclose(f);
    OpenComPort(1);
    return r;
}

static void Row(const char *name, const Result *r, int n, double Result::*field, const char *fmt) {
    printf("%-38s", name);
    for (int i = 0; i < n; i++)
        printf(fmt, r[i].*field);
    printf("\n");
}

static void PartRow(const char *name, const Result *r, int n, int part) {
    printf("%-38s", name);
    for (int i = 0; i < n; i++)
        printf("%14.3f", r[i].perReply[part]);
    printf("\n");
}

static void ScanCapture() {
    const double captureLimit = (72 + 4 * 164) * 10.0 / 19200.0 + 5 * kSimDelay;
    SetCtrlVal(panelHandle, RNGGraphSource, 2);
    double total = 0;
    const int captures = 5;
    for (int i = 0; i < captures; i++) {
        Delay(0.1); // a quiet line: nothing of the previous exchange still in flight
        FlushInQ(com);
        auto t0 = std::chrono::steady_clock::now();
        OperatorPress(panelHandle, BTNData);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    printf("scan capture: %.3f s (mean of %d), line limit with the simulator's delays %.3f s, "
           "ratio %.3f\n",
           total / captures, captures, captureLimit, total / captures / captureLimit);
}

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (const char *s = getenv("XVEL_BENCH_SECONDS")) kSeconds = atof(s);
    std::string report = std::string(P_tmpdir) + "/bench_live-latency." + std::to_string(getpid());
    int sim = -1;
    std::string tty = StartSimServer({"--latency", report}, &sim);
    if (tty.empty()) {
        fprintf(stderr, "bench_live: xvelzuk1-sim did not start\n");
        return 1;
    }
    std::string second = "2=" + tty;
    char *args[] = {argv[0],
                    const_cast<char *>("--com-only"),
                    const_cast<char *>("--com"),
                    const_cast<char *>("1=sim"),
                    const_cast<char *>("--com"),
                    second.data()};
    int code = 0;
    InstallProgram();
    if (PlatformOptions(6, args, &code) || !InitCVIRTE(RunTimeInstance{argc, argv})) return 1;
    SimRegisterDevice();
    SimReset();
    InstallCallbackTable(kControlCallbacks, kControlCallbackCount, kPanelCallbacks,
                         kPanelCallbackCount);
    panelHandle = LoadPanel(0, "XVELZUK1V15.uir", PANEL);
    panelPopUp = LoadPanel(0, "XVELZUK1V15.uir", POPUP);
    GetProjectDir(proj_dir);
    InitVars();
    InitRS232(com);
    bool shown = !getenv("XVEL_BENCH_HIDDEN");
    if (shown) DisplayPanel(panelHandle); // redraws of the visible strip chart are part of the cost
    printf("live loop, %.0f s each, line limit %.2f replies/s (72 bytes at 19200 Bd + %.0f ms)\n",
           kSeconds, 1.0 / kCycle, kSimDelay * 1e3);
    bool all = !getenv("XVEL_BENCH_PTY_ONLY");
    shown = shown && all;
    Result r[3], hidden;
    if (all) r[0] = InProcess(true);
    if (shown) {
        HidePanel(panelHandle);
        hidden = InProcess(true);
        DisplayPanel(panelHandle);
    }
    r[1] = OverPty(tty, sim, report);
    if (all) r[2] = InProcess(false);
    remove(report.c_str());
    printf("%-38s%14s%14s%14s\n", "", "in process", "pty", "no timing");
    Row("replies per second", r, 3, &Result::rate, "%14.2f");
    Row("ratio to the line limit", r, 2, &Result::ratio, "%14.3f");
    Row("CPU time / wall time, %", r, 3, &Result::cpu, "%14.2f");
    if (shown) {
        printf("%-38s%14.2f\n", "  the same with the panel hidden, %", hidden.cpu);
        printf("%-38s%14.2f\n", "  the window's redraws, %", r[0].cpu - hidden.cpu);
    }
    printf("CPU per reply, ms:\n");
    PartRow("  decode", r, 3, CPU_DECODE);
    PartRow("  history", r, 3, CPU_HISTORY);
    PartRow("  drawing", r, 3, CPU_DRAW);
    PartRow("  the rest (port, events, indicators)", r, 3, CPU_PARTS);
    Row("chart paints per second", r, 3, &Result::paints, "%14.1f");
    Row("drawing CPU / wall time, %", r, 3, &Result::drawShare, "%14.2f");
    Row("reply -> next request, median ms", r, 3, &Result::median, "%14.3f");
    Row("reply -> next request, p99 ms", r, 3, &Result::p99, "%14.3f");
    Row("reply -> next request, max ms", r, 3, &Result::max, "%14.3f");
    Row("host's steal time / wall time, %", r, 3, &Result::steal, "%14.2f");
    ScanCapture();
    CloseCom(com);
    CloseCVIRTE();
    return 0;
}

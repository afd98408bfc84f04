// Benchmark of the live monitor: runs the Run loop for 20 s against the simulated controller at
// true 19200-baud line timing, once with event processing that waits when idle and once with a
// loop that spins, and prints the reply rate, CPU use and reply-to-request times of both, then
// the time of a scan capture. XVEL_BENCH_SECONDS shortens the runs, XVEL_BENCH_NO_SPIN skips the
// spinning run, XVEL_BENCH_HIDDEN leaves the panel hidden, XVEL_BENCH_TRACE adds --trace.
#include "XVELZUK1V15.h"
#include "com232.h"
#include "sim.h"
#include "testing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <vector>

static double kSeconds = 20.0;      // XVEL_BENCH_SECONDS overrides it for a quick look
constexpr double kSimDelay = 0.002; // the simulator's processing time per request
constexpr double kCycle = 72 * 10.0 / 19200.0 + kSimDelay; // request + reply on the line

struct Result {
    double rate, ratio, cpu, median, p99, max; // replies/s, of line limit, CPU/wall, ms
};

static double CpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

static Result RunLoop(bool idleWait) {
    static std::vector<double> log(100000);
    SetIdleWait(idleWait);
    SimLogLatency(log.data(), int(log.size()));
    RunAfter(kSeconds, [] { OperatorPress(panelHandle, BTNStop); });
    auto wall0 = std::chrono::steady_clock::now();
    double cpu0 = CpuSeconds();
    OperatorPress(panelHandle, BTNRun); // returns when Stop has ended the loop
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    double cpu = CpuSeconds() - cpu0;
    int n = SimLatencyCount();

    SimLogLatency(nullptr, 0);
    std::sort(log.begin(), log.begin() + n);
    Result r{};
    r.rate = n / wall;
    r.ratio = r.rate * kCycle;
    r.cpu = cpu / wall;
    if (n > 0) {
        r.median = log[n / 2] * 1e3;
        r.p99 = log[std::min(n - 1, int(n * 0.99))] * 1e3;
        r.max = log[n - 1] * 1e3;
    }
    return r;
}

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (const char *s = getenv("XVEL_BENCH_SECONDS")) kSeconds = atof(s);
    char *args[] = {argv[0], const_cast<char *>("--com-only"), const_cast<char *>("--com"),
                    const_cast<char *>("1=sim"), const_cast<char *>("--trace")};
    int code = 0;
    InstallProgram();
    if (PlatformOptions(getenv("XVEL_BENCH_TRACE") ? 5 : 4, args, &code) ||
        !InitCVIRTE(RunTimeInstance{argc, argv}))
        return 1;
    SimRegisterDevice();
    SimReset();
    SimSetProcessingDelay(kSimDelay);
    InstallCallbackTable(kControlCallbacks, kControlCallbackCount, kPanelCallbacks,
                         kPanelCallbackCount);
    panelHandle = LoadPanel(0, "XVELZUK1V15.uir", PANEL);
    panelPopUp = LoadPanel(0, "XVELZUK1V15.uir", POPUP);
    GetProjectDir(proj_dir);
    InitVars();
    InitRS232(com);
    if (!getenv("XVEL_BENCH_HIDDEN"))
        DisplayPanel(panelHandle); // redraws of the visible strip chart are part of the cost
    printf("live loop, %.0f s each, line limit %.2f replies/s (72 bytes at 19200 Bd + %.0f ms)\n",
           kSeconds, 1.0 / kCycle, kSimDelay * 1e3);
    Result waiting = RunLoop(true);
    Delay(0.1); // the reply in flight when Stop came must not start the next run misaligned
    FlushInQ(com);
    Result spinning = getenv("XVEL_BENCH_NO_SPIN") ? Result{} : RunLoop(false);
    printf("%-34s %12s %12s\n", "", "waits <=1 ms", "spins");
    printf("%-34s %12.2f %12.2f\n", "replies per second", waiting.rate, spinning.rate);
    printf("%-34s %12.3f %12.3f\n", "ratio to the line limit", waiting.ratio, spinning.ratio);
    printf("%-34s %11.1f%% %11.1f%%\n", "CPU time / wall time", waiting.cpu * 100,
           spinning.cpu * 100);
    printf("%-34s %12.3f %12.3f\n", "reply -> next request, median ms", waiting.median,
           spinning.median);
    printf("%-34s %12.3f %12.3f\n", "reply -> next request, p99 ms", waiting.p99, spinning.p99);
    printf("%-34s %12.3f %12.3f\n", "reply -> next request, max ms", waiting.max, spinning.max);
    // A scan capture: one live exchange and four block exchanges (36 + 128 bytes each).
    SetIdleWait(true);
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
    CloseCom(com);
    CloseCVIRTE();
    return 0;
}

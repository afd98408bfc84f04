// Benchmark of the record viewer: writes a 24-hour recording at interval 0 (one line per live
// reply, 2.17 million lines), then times reading it, its envelope, the image and the window,
// with the peak memory of each step. XVEL_BENCH_LINES sets another line count;
// XVEL_BENCH_KEEP=FILE keeps the recording there (to time `xvelzuk1 --view FILE --png OUT`).
#include "recfile.h"
#include "viewer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

static double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

static long StatusKb(const char *field) { // VmRSS, VmHWM of this process in kB
    FILE *f = fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (f && fgets(line, sizeof line, f))
        if (!strncmp(line, field, strlen(field))) kb = atol(line + strlen(field) + 1);
    if (f) fclose(f);
    return kb;
}

static void ResetPeak() { // the kernel's high-water mark starts again from the current size
    if (FILE *f = fopen("/proc/self/clear_refs", "w")) {
        fputs("5", f);
        fclose(f);
    }
}

// A day of replies at 25.1 per second: slow thermal drift, sensor noise, an object passing
// every few minutes (both channels drop), 12-bit ADC values scaled from the normalised ones.
static size_t WriteRecording(const char *path, long lines) {
    FILE *f = fopen(path, "w");
    if (!f) return 0;
    fprintf(f, "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: 0\n");
    unsigned seed = 12345;
    auto noise = [&seed] { return int((seed = seed * 1103515245u + 12345u) >> 16 & 15) - 7; };
    for (long i = 1; i <= lines; i++) {
        double drift = 30 * std::sin(double(i) / 350000.0);
        double dip = (i % 7531 < 40) ? 380 : 0;
        int a = int(815 + drift - dip) + noise(), b = int(770 - drift * 0.7 - dip * 0.9) + noise();
        fprintf(f, "%d\t%d\t%d\t%d\n", a, b, a * 36 / 10 + noise(), b * 34 / 10 + noise());
    }
    long size = ftell(f);
    fclose(f);
    return size_t(size);
}

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    long lines = getenv("XVEL_BENCH_LINES") ? atol(getenv("XVEL_BENCH_LINES")) : 2168640;
    if (!InitCVIRTE(RunTimeInstance{argc, argv})) return 1;
    char dir[] = "/tmp/xvelzuk1-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    std::string dat =
        getenv("XVEL_BENCH_KEEP") ? getenv("XVEL_BENCH_KEEP") : std::string(dir) + "/day.dat";
    std::string png = std::string(dir) + "/day.png", shot = std::string(dir) + "/window.png";
    size_t bytes = WriteRecording(dat.c_str(), lines);
    printf("recording: %ld lines, %.1f MB, interval 0 (24 h at 25.1 replies/s)\n", lines,
           double(bytes) / 1e6);
    long base = StatusKb("VmRSS:");
    printf("%-44s %10s %14s\n", "", "wall s", "peak RSS MB");
    printf("%-44s %10s %14.1f\n", "process after toolkit start", "", base / 1024.0);

    ResetPeak();
    double t0 = Now();
    auto *r = new RecordData;
    int rc = ReadRecord(dat.c_str(), r);
    double read = Now() - t0;
    printf("%-44s %10.3f %14.1f\n", "read + parse into four uint16 columns", read,
           StatusKb("VmHWM:") / 1024.0);
    std::vector<RecordSpan> spans(1114);
    const int rounds = 10;
    t0 = Now();
    for (int k = 0; k < rounds; k++)
        for (int c = 0; c < REC_COLUMNS; c++)
            RecordEnvelope(*r, c, 0, double(r->samples) + 0.5, int(spans.size()), spans.data());
    printf("%-44s %10.4f\n", "envelope, 4 columns x 1114 pixels (mean)", (Now() - t0) / rounds);
    if (rc != 0) printf("reader: %s\n", r->message);
    delete r;

    char message[2000];
    ResetPeak();
    t0 = Now();
    rc = RenderRecord(dat.c_str(), png.c_str(), 1200, 600, message, int(sizeof message));
    printf("%-44s %10.3f %14.1f\n", "image: read + envelope + draw + PNG 1200x600", Now() - t0,
           StatusKb("VmHWM:") / 1024.0);
    ResetPeak();
    t0 = Now();
    rc |= ViewRecord(dat.c_str(), message, int(sizeof message));
    rc |= GrabViewer(shot.c_str());
    printf("%-44s %10.3f %14.1f\n", "window: read + first drawing (grabbed)", Now() - t0,
           StatusKb("VmHWM:") / 1024.0);
    ResetPlatform();
    if (!getenv("XVEL_BENCH_KEEP")) unlink(dat.c_str());
    unlink(png.c_str());
    unlink(shot.c_str());
    rmdir(dir);
    CloseCVIRTE();
    return rc == 0 ? 0 : 1;
}

// CPU probes for the benchmarks: the thread CPU time spent decoding replies, keeping the chart
// histories and drawing the charts, added up while probes are on; off they cost one test.
#pragma once

enum CpuPart { CPU_DECODE, CPU_HISTORY, CPU_DRAW, CPU_PARTS };

namespace plat {
extern bool g_cpuProbes;               // on: spans add their CPU time to their part
double ThreadCpuSeconds();             // CPU time of the calling thread, s (cpu_posix.cpp)
void AddCpu(int part, double seconds); // into the part's sum
double CpuPartSeconds(int part);       // the part's sum since the last reset, s
int CpuPartSpans(int part);            // spans measured since the last reset
void ResetCpuParts();                  // every sum and count back to 0
} // namespace plat

// Measures its own lifetime into a part: declare one at the top of the code it accounts for.
struct CpuSpan {
    explicit CpuSpan(int part) : part(part), t0(plat::g_cpuProbes ? plat::ThreadCpuSeconds() : 0) {}
    ~CpuSpan() {
        if (plat::g_cpuProbes) plat::AddCpu(part, plat::ThreadCpuSeconds() - t0);
    }
    CpuSpan(const CpuSpan &) = delete;
    CpuSpan &operator=(const CpuSpan &) = delete;
    int part;
    double t0;
};

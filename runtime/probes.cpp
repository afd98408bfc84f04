// The sums of the CPU probes; the benchmarks switch them on, read them and reset them.
#include "probes.h"

bool plat::g_cpuProbes = false;
static double g_sum[CPU_PARTS];
static int g_spans[CPU_PARTS];

void plat::AddCpu(int part, double seconds) {
    if (part < 0 || part >= CPU_PARTS) return;
    g_sum[part] += seconds;
    g_spans[part]++;
}

double plat::CpuPartSeconds(int part) {
    return part >= 0 && part < CPU_PARTS ? g_sum[part] : 0;
}

int plat::CpuPartSpans(int part) {
    return part >= 0 && part < CPU_PARTS ? g_spans[part] : 0;
}

void plat::ResetCpuParts() {
    for (int i = 0; i < CPU_PARTS; i++)
        g_sum[i] = 0, g_spans[i] = 0;
}

// The calling thread's CPU clock, for the CPU probes: POSIX clock_gettime.
#include "probes.h"

#include <ctime>

double plat::ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

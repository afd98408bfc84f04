// The process's CPU clock where no thread clock is known, for the CPU probes: the program's
// work runs on its one thread, so the two agree but for the toolkit's helper threads.
#include "probes.h"

#include <ctime>

double plat::ThreadCpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// X display reachability where no POSIX sockets are at hand: the toolkit is left to find out
// on its own, as it did before the check.
#include "runtime.h"

bool plat::DisplayReachable(const char *) {
    return true;
}

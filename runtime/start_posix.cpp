// The toolkit's environment on POSIX systems: a private runtime folder, and whether the program's
// folder takes the operator's files.
#include "runtime.h"
#include "start.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

// Qt wants a private runtime directory and warns on every start without one.
void plat::PrepareToolkitEnvironment() {
#ifdef __linux__
    // A reply is waited for to its due time by a sleep; the default slack of 50 us would be
    // added to every turn from reply to next request.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    static char runtimeDir[128];
    if (getenv("XDG_RUNTIME_DIR")) return;
    snprintf(runtimeDir, sizeof runtimeDir, "/tmp/%s-runtime-%u", ProgramName(),
             unsigned(getuid()));
    mkdir(runtimeDir, 0700);
    setenv("XDG_RUNTIME_DIR", runtimeDir, 0);
}

bool plat::ProgramDirWritable(const char *dir) {
    return access(dir, W_OK) == 0;
}

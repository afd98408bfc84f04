// The toolkit's environment on POSIX systems: a private runtime folder, and whether the program's
// folder takes the operator's files.
#include "runtime.h"
#include "start.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

// Qt wants a private runtime directory and warns on every start without one.
void plat::PrepareToolkitEnvironment() {
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

// Process entry: platform options first (--help, --version, port mappings), then the program.
// The built-in simulated controller is registered so that `--com N=sim` can reach it.
#include "XVELZUK1V15.h"
#include "sim.h"

int main(int argc, char **argv) {
    int exitCode = 0;
    if (PlatformOptions(argc, argv, &exitCode)) return exitCode;
    SimRegisterDevice();
    RunTimeInstance instance{argc, argv};
    return PlatformExitCode(WinMain(instance, RunTimeInstance{0, nullptr}, "", 1));
}

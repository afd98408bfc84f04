// Process entry: platform options first (--help, --version, port mappings), then the program with
// the built-in simulated controller registered for `--com N=sim`, or for --view the record viewer.
#include "XVELZUK1V15.h"
#include "script.h"
#include "sim.h"

int main(int argc, char **argv) {
    int exitCode = 0;
    InstallProgram();
    if (SettingsCommand(argc, argv, &exitCode)) return exitCode; // no display needed
    if (PlatformOptions(argc, argv, &exitCode)) return exitCode;
    if (PlayOption() && !LoadScript(PlayOption())) return 1; // checked whole, before anything runs
    if (ViewOption()) {
        exitCode = RunViewer(RunTimeInstance{argc, argv});
    } else {
        SimRegisterDevice();
        RunTimeInstance instance{argc, argv};
        exitCode = PlatformExitCode(WinMain(instance, RunTimeInstance{0, nullptr}, "", 1));
    }
    CloseCVIRTE();
    return exitCode;
}

// Test program entry: the toolkit runs offscreen and the simulated controller is registered.
// Every test then starts from a clean state through its fixture.
#include "XVELZUK1V15.h"
#include "sim.h"
#include "testing.h"

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    InstallProgram();
    if (!InitCVIRTE(RunTimeInstance{argc, argv})) return 1;
    SimRegisterDevice();
    int rc = RUN_ALL_TESTS();
    CloseCVIRTE();
    return rc;
}

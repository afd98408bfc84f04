// Runs a program to its end with a bounded wait and collects its exit code and standard error.
// For tests that drive the real binaries.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;  // -1: did not end in time (killed) or could not start
    std::string errors; // standard error
};

// Runs argv[0] with the arguments; after maxSeconds the program is killed (SIGKILL).
ProgramResult RunProgram(const std::vector<std::string> &argv, double maxSeconds = 60);

// Starts xvelzuk1-sim with extra arguments; returns its pty path ("" on failure) and its pid.
std::string StartSimServer(const std::vector<std::string> &args, int *pid);
void StopSimServer(int pid);

// Child processes for the tests: the program under test and the pseudo-terminal simulator.
// Waits are bounded; nothing sleeps to test a time-out.
#include "run_program.h"

#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

static pid_t Spawn(const std::vector<std::string> &argv, int outFd, int errFd) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (outFd >= 0) dup2(outFd, 1);
    if (errFd >= 0) dup2(errFd, 2);
    std::vector<char *> args;
    for (auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

ProgramResult RunProgram(const std::vector<std::string> &argv, double maxSeconds) {
    ProgramResult r;
    int err[2];
    if (pipe(err) != 0) return r;
    pid_t pid = Spawn(argv, -1, err[1]);
    close(err[1]);
    double deadline = Now() + maxSeconds;
    char buf[4096];
    for (;;) {
        pollfd p{err[0], POLLIN, 0};
        int left = int((deadline - Now()) * 1000);
        if (left <= 0 || poll(&p, 1, left) <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        ssize_t n = read(err[0], buf, sizeof buf);
        if (n <= 0) break; // the program closed its standard error: it has ended
        r.errors.append(buf, size_t(n));
    }
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    return r;
}

std::string StartSimServer(const std::vector<std::string> &args, int *pid) {
    int out[2];
    if (pipe(out) != 0) return "";
    std::vector<std::string> argv{XVELZUK1_SIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    *pid = Spawn(argv, out[1], -1);
    close(out[1]);
    std::string path;
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
        path += c;
    close(out[0]);
    return path;
}

void StopSimServer(int pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

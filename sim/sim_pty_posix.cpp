// xvelzuk1-sim: serves the simulated controller on a pseudo-terminal, so the program (or any
// terminal tool) can open the printed slave path like a real serial port; it can be unplugged.
#include "sim.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <termios.h>
#include <unistd.h>

namespace {

int wakePipe[2] = {-1, -1}; // the signal handlers write here to wake the poll loop
volatile sig_atomic_t stopping, unplugAsked, plugAsked;
const char *linkPath;    // --link: a symbolic link kept pointing at the current pty
double backAfter = -1.0; // --back-after: seconds unplugged before coming back, <0 never
double latency[1 << 18]; // --latency: reply's last byte -> the PC's next write, seconds
int latencyCount;
const char *latencyFile;  // --latency FILE: where the report goes
double replyWritten = -1; // when the last byte of the latest reply went into the pty, or -1

const auto START = std::chrono::steady_clock::now();

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - START).count();
}

void OnSignal(int sig) {
    if (sig == SIGUSR1)
        unplugAsked = 1;
    else if (sig == SIGUSR2)
        plugAsked = 1;
    else
        stopping = 1;
    char c = 0;
    ssize_t r = write(wakePipe[1], &c, 1);
    (void)r;
}

void Usage(FILE *f) {
    std::fprintf(f, "usage: xvelzuk1-sim [--no-timing] [--fault NAME] [--link PATH] "
                    "[--back-after S] [--latency FILE]\n"
                    "Serves a simulated X-VEL-ZUK1 controller on a pseudo-terminal and prints\n"
                    "its path on the first line, and the path of every new one on a line.\n"
                    "SIGUSR1 unplugs it (the pty is closed), SIGUSR2 plugs it in again on a\n"
                    "new pty; the controller keeps its parameter sets.\n"
                    "  --no-timing     answer at once instead of at 19200 Bd line speed\n"
                    "  --link PATH     keep a symbolic link at PATH to the current pty\n"
                    "  --back-after S  after an unplug, come back by itself after S seconds\n"
                    "  --latency FILE  at the end, write to FILE how soon the PC's next request\n"
                    "                  followed each live-value reply (median, p99, max)\n"
                    "  --fault NAME    answer wrongly; NAME is one of:");
    for (int i = 0; i < SIM_FAULT_COUNT; i++)
        std::fprintf(f, " %s", SimFaultName(i));
    std::fprintf(f, "\n");
}

// 0: run; otherwise 1 + the exit code.
int ParseOptions(int argc, char **argv) {
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--help") == 0) {
            Usage(stdout);
            return 1;
        }
        if (std::strcmp(argv[i], "--no-timing") == 0) {
            SimSetLineTiming(false);
            continue;
        }
        if (std::strcmp(argv[i], "--latency") == 0 && i + 1 < argc) {
            latencyFile = argv[++i];
            continue;
        }
        if (std::strcmp(argv[i], "--link") == 0 && i + 1 < argc) {
            linkPath = argv[++i];
            continue;
        }
        char *end = nullptr;
        if (std::strcmp(argv[i], "--back-after") == 0 && i + 1 < argc &&
            (backAfter = std::strtod(argv[i + 1], &end)) >= 0 && *end == '\0') {
            i++;
            continue;
        }
        bool fault = std::strcmp(argv[i], "--fault") == 0 && i + 1 < argc;
        int f = fault ? SimFaultByName(argv[++i]) : -1;
        if (f < 0) {
            std::fprintf(stderr, "xvelzuk1-sim: %s '%s'\n", fault ? "unknown fault" : "bad option",
                         argv[i]);
            Usage(stderr);
            return 3;
        }
        SimSetFault(static_cast<SimFault>(f));
    }
    return 0;
}

// The link is replaced in one step (a new link renamed over it), so a reader never finds none.
bool PointLink(const char *target) {
    char tmp[4096];
    std::snprintf(tmp, sizeof tmp, "%s.new", linkPath);
    unlink(tmp);
    return symlink(target, tmp) == 0 && rename(tmp, linkPath) == 0;
}

// Opens the master and a raw slave. The slave stays open here so the master never reads EIO
// while the client closes and reopens the port. Returns the master fd, or -1.
int OpenPty(int *slave) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
    const char *path = ptsname(master);
    *slave = path ? open(path, O_RDWR | O_NOCTTY) : -1;
    termios t;
    if (*slave < 0 || tcgetattr(*slave, &t) != 0) return -1;
    cfmakeraw(&t); // no echo, no line editing: bytes pass unchanged
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    if (tcsetattr(*slave, TCSANOW, &t) != 0) return -1;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    if (linkPath && !PointLink(path)) return -1;
    std::printf("%s\n", path);
    std::fflush(stdout);
    return master;
}

bool InstallSignals() {
    if (pipe(wakePipe) != 0) return false;
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    std::signal(SIGPIPE, SIG_IGN); // the reader of the paths may have stopped listening
    return sigaction(SIGINT, &sa, nullptr) == 0 && sigaction(SIGTERM, &sa, nullptr) == 0 &&
           sigaction(SIGUSR1, &sa, nullptr) == 0 && sigaction(SIGUSR2, &sa, nullptr) == 0;
}

// Bytes taken from the model that the pty did not accept yet (its buffer was full).
unsigned char pending[4096];
int pendingCount;

// Only the polling of live values is timed: the pauses a program takes between its start-up
// exchanges are its own choice, not how fast it answers the line.
bool LiveReply() {
    const SimReply *r = SimReplyAt(SimReplyCount() - 1);
    return r && r->order == SIM_ORDER_LIVE;
}

void Flush(int master) {
    if (pendingCount == 0) pendingCount = SimTake(pending, sizeof pending, Now());
    ssize_t w = pendingCount > 0 ? write(master, pending, pendingCount) : 0;
    if (w > 0) {
        pendingCount -= static_cast<int>(w);
        std::memmove(pending, pending + w, pendingCount);
        // Nothing more to send: the reply is whole on the PC's side from now on.
        if (pendingCount == 0 && SimNextArrival() < 0 && LiveReply()) replyWritten = Now();
    }
}

// The PC's next request after a whole reply: how long the PC took, measured from the moment the
// reply's last byte was written, so the simulator's own timer lateness is not counted.
void NoteRequest() {
    if (replyWritten < 0) return;
    if (latencyCount < int(sizeof latency / sizeof latency[0]))
        latency[latencyCount++] = Now() - replyWritten;
    replyWritten = -1;
}

// Seconds until the next byte is due, -1 none: bytes go out to the microsecond, as a line
// delivers them, not on the next whole millisecond.
double Timeout() {
    if (pendingCount > 0) return -1; // waiting for POLLOUT
    double next = SimNextArrival();
    if (next < 0) return -1;
    return std::max(0.0, next - Now());
}

// Returns false when the client side is gone for good or the port must vanish.
bool Receive(int master) {
    unsigned char buf[256];
    ssize_t n = read(master, buf, sizeof buf);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    if (n > 0 && latencyFile) NoteRequest();
    int before = SimRequestCount();
    SimReceive(buf, static_cast<int>(n), Now());
    if (SimGetFault() != SIM_FAULT_VANISH || SimRequestCount() == before) return true;
    std::fprintf(stderr, "xvelzuk1-sim: port vanished after a request\n");
    return false;
}

struct Pty {
    int master = -1, slave = -1;
};

void ClosePty(Pty &p) {
    if (p.master >= 0) close(p.master);
    if (p.slave >= 0) close(p.slave);
    p = Pty{};
}

// Unplugging closes both sides: the client's port hangs up and the node disappears. The link
// goes too, as udev removes a by-id link: left dangling, it would lead to whichever pty next
// takes the freed number, another program's terminal.
void Unplug(Pty &p, double *backAt) {
    unplugAsked = 0;
    if (p.master < 0) return;
    ClosePty(p);
    if (linkPath) unlink(linkPath);
    SimSetPlugged(false, Now());
    pendingCount = 0;
    *backAt = backAfter >= 0 ? Now() + backAfter : -1;
    std::fprintf(stderr, "xvelzuk1-sim: unplugged\n");
}

bool PlugIn(Pty &p, double *backAt) {
    plugAsked = 0;
    *backAt = -1;
    if (p.master >= 0) return true;
    SimSetPlugged(true, Now());
    p.master = OpenPty(&p.slave);
    if (p.master >= 0) std::fprintf(stderr, "xvelzuk1-sim: plugged in again\n");
    return p.master >= 0;
}

double WaitSeconds(const Pty &p, double backAt) {
    if (p.master >= 0) return Timeout();
    if (backAt < 0) return -1;
    return std::max(0.0, backAt - Now());
}

int Poll(pollfd *fds, int n, double seconds) {
    if (seconds < 0) return ppoll(fds, nfds_t(n), nullptr, nullptr);
    timespec t{time_t(seconds), long((seconds - std::floor(seconds)) * 1e9)};
    return ppoll(fds, nfds_t(n), &t, nullptr);
}

int Serve(Pty &pty) {
    double backAt = -1;
    while (!stopping) {
        if (unplugAsked) Unplug(pty, &backAt);
        if ((plugAsked || (backAt >= 0 && Now() >= backAt)) && !PlugIn(pty, &backAt)) return 1;
        bool open = pty.master >= 0;
        pollfd fds[2] = {
            {wakePipe[0], POLLIN, 0},
            {pty.master, static_cast<short>(pendingCount ? POLLIN | POLLOUT : POLLIN), 0}};
        if (Poll(fds, open ? 2 : 1, WaitSeconds(pty, backAt)) < 0 && errno != EINTR) return 1;
        char drain[16];
        if ((fds[0].revents & POLLIN) && read(wakePipe[0], drain, sizeof drain) < 0) return 1;
        if (!open) continue;
        if ((fds[1].revents & POLLIN) && !Receive(pty.master)) break;
        if (!(fds[1].revents & POLLIN) && (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)))
            return 1;
        Flush(pty.master);
    }
    return 0;
}

// How soon the PC wrote again after each reply's last byte left the line, for benchmarks.
void ReportLatency() {
    FILE *f = std::fopen(latencyFile, "w");
    if (!f) return;
    int n = latencyCount;
    std::sort(latency, latency + n);
    if (n > 0)
        std::fprintf(f, "%d replies, median %.3f ms, p99 %.3f ms, max %.3f ms\n", n,
                     latency[n / 2] * 1e3, latency[std::min(n - 1, int(n * 0.99))] * 1e3,
                     latency[n - 1] * 1e3);
    std::fclose(f);
}

} // namespace

int main(int argc, char **argv) {
#ifdef __linux__
    // Each byte is due at a microsecond; the default timer slack would send it 50 us late.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    SimReset();
    if (int r = ParseOptions(argc, argv)) return r - 1;
    Pty pty;
    if (InstallSignals()) pty.master = OpenPty(&pty.slave);
    if (pty.master < 0) {
        std::fprintf(stderr, "xvelzuk1-sim: cannot open a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    int code = Serve(pty);
    if (latencyFile) ReportLatency();
    ClosePty(pty);
    if (linkPath) unlink(linkPath);
    return code;
}

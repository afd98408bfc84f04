// Program start and end: command-line options, toolkit start-up and shutdown, logging. The
// program itself keeps no settings; the options only map ports and switch on diagnostics.
#include "start.h"
#include "runtime.h"

#include <QApplication>
#include <QFont>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plat {
Options g_opt;

void Log(const char *fmt, ...) {
    char stamp[32];
    snprintf(stamp, sizeof stamp, "[%10.3f] ", Timer());
    va_list ap;
    va_start(ap, fmt);
    EchoLineV(stamp, fmt, ap);
    va_end(ap);
}
} // namespace plat

using plat::g_opt;

void DebugPrintf(const char *fmt, ...) {
    if (!g_opt.verbose) return;
    char line[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    plat::Log("%s", line);
}

static ProgramIdentity g_id = {"program", "program", "", "record viewer", nullptr, nullptr};

void RegisterProgram(const ProgramIdentity &id) {
    g_id = id;
}
const char *ProgramName() {
    return g_id.name;
}
const char *ProgramTitle() {
    return g_id.title;
}
const char *ViewerTitle() {
    return g_id.viewer;
}

// Index of flag among the program's flags, -1 when it is none of them.
static int FlagIndex(const char *flag) {
    for (int i = 0; g_id.flags && g_id.flags[i] && i < 32; i++)
        if (!strcmp(g_id.flags[i], flag)) return i;
    return -1;
}

int ProgramFlag(const char *flag) {
    int i = FlagIndex(flag);
    return i >= 0 && (g_opt.flags >> i & 1u);
}

static const char kOptions[] =
    "  --com N=DEVICE  map COM port N to a device path (e.g. /dev/ttyUSB0, /dev/pts/3)\n"
    "                  or to 'sim', the built-in simulated controller; repeatable\n"
    "  --com-only      list only the --com ports, not the system's serial ports; start on\n"
    "                  the lowest of them\n"
    "  --verbose       copy every status-line text to standard error, time-stamped\n"
    "  --trace         print every frame sent and received, in hex, to standard error\n"
    "  --play FILE     perform the operator actions of FILE, then end; exit code 0 when\n"
    "                  every expectation held, 1 otherwise\n"
    "  --headless      run without a display (Qt's offscreen platform)\n"
    "  --view FILE     show the record file FILE in the record viewer instead of the panels\n"
    "  --png OUT       with --view: draw the whole recording to the image OUT and end; exit\n"
    "                  code 0 for a file without fault, 1 otherwise (the faults on stderr)\n"
    "  --version       print the program name and version\n"
    "  --help          print this text\n";

static void PrintUsage(FILE *to) {
    fprintf(to, "Usage: %s [options]\n%s\n\n%s%s", g_id.name, g_id.purpose, kOptions,
            g_id.commands ? g_id.commands : "");
}

// One --com value N=DEVICE into the options; false with the reason in why.
static bool ParseComOption(const char *arg, char *why, size_t size) {
    const char *eq = strchr(arg, '=');
    char *end = nullptr;
    long n = strtol(arg, &end, 10);
    if (!eq)
        snprintf(why, size, "--com %s: expected N=DEVICE, e.g. --com 1=/dev/ttyUSB0", arg);
    else if (end != eq || n < 1 || n > plat::kMaxPorts)
        snprintf(why, size, "--com %s: the COM port number must be 1 to %d", arg, plat::kMaxPorts);
    else if (eq[1] == '\0')
        snprintf(why, size, "--com %s: no device after '='", arg);
    else if (strlen(eq + 1) >= sizeof g_opt.com[0].device) // a cut path names another device
        snprintf(why, size, "--com %ld=...: the device path is longer than %zu characters", n,
                 sizeof g_opt.com[0].device - 1);
    else if (g_opt.nCom >= plat::kMaxPorts)
        snprintf(why, size, "--com %s: at most %d --com mappings", arg, plat::kMaxPorts);
    else {
        plat::PortMapping &m = g_opt.com[g_opt.nCom++];
        m.number = int(n);
        snprintf(m.device, sizeof m.device, "%s", eq + 1);
        return true;
    }
    return false;
}

// Options that take a value, and the value's name in the usage text; nullptr for the others.
static const char *ValueName(const char *option) {
    if (!strcmp(option, "--com")) return "N=DEVICE";
    if (!strcmp(option, "--play") || !strcmp(option, "--view")) return "FILE";
    return strcmp(option, "--png") ? nullptr : "OUT";
}

// An option's value into the options; false with the reason in why.
static bool TakeValue(const char *option, const char *value, char *why, size_t size) {
    if (!strcmp(option, "--com")) return ParseComOption(value, why, size);
    char *out = !strcmp(option, "--play")   ? g_opt.play
                : !strcmp(option, "--view") ? g_opt.view
                                            : g_opt.png;
    constexpr size_t kSize = sizeof g_opt.play; // the three paths have the same room
    if (strlen(value) < kSize) {
        snprintf(out, kSize, "%s", value);
        return true;
    }
    snprintf(why, size, "%s: the path is longer than %zu characters", option, kSize - 1);
    return false; // a cut path would name another file
}

static int Refuse(const char *why, int *exitCode) {
    fprintf(stderr, "%s: %s\n", g_id.name, why);
    PrintUsage(stderr);
    *exitCode = 2;
    return 1;
}

// One option at argv[*i] (and its value, which *i moves past); false with the reason in why.
static bool TakeOption(int argc, char **argv, int *i, char *why, size_t size) {
    const char *a = argv[*i];
    if (!strcmp(a, "--verbose")) {
        g_opt.verbose = true;
    } else if (!strcmp(a, "--trace")) {
        g_opt.trace = true;
    } else if (!strcmp(a, "--com-only")) {
        g_opt.comOnly = true;
    } else if (!strcmp(a, "--headless")) {
        g_opt.headless = true;
    } else if (int flag = FlagIndex(a); flag >= 0) {
        g_opt.flags |= 1u << flag;
    } else if (const char *value = ValueName(a)) {
        if (*i + 1 < argc) return TakeValue(a, argv[++*i], why, size);
        snprintf(why, size, "%s needs a value: %s %s", a, a, value);
        return false;
    } else if (!strncmp(a, "--com=", 6)) {
        return ParseComOption(a + 6, why, size);
    } else if (!strcmp(a, "-platform") && *i + 1 < argc) {
        ++*i; // Qt's own option, handled by the toolkit
    } else {
        snprintf(why, size, "unknown or malformed option '%s'", a);
        return false;
    }
    return true;
}

// File faults are on standard error with the other diagnostics when --verbose is on.
static void LogFileFault(const char *fault) {
    if (g_opt.verbose) plat::Log("%s", fault);
}
[[maybe_unused]] static const bool kFaultLog = (plat::g_fileFaultLog = LogFileFault, true);

int PlatformOptions(int argc, char **argv, int *exitCode) {
    g_opt = plat::Options{};
    char why[600];
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--help")) {
            PrintUsage(stdout);
            *exitCode = 0;
            return 1;
        } else if (!strcmp(argv[i], "--version")) {
            puts(g_id.title);
            *exitCode = 0;
            return 1;
        } else if (!TakeOption(argc, argv, &i, why, sizeof why)) {
            return Refuse(why, exitCode);
        }
    }
    if (g_opt.png[0] && !g_opt.view[0]) return Refuse("--png needs --view FILE", exitCode);
    if (g_opt.view[0] && g_opt.play[0])
        return Refuse("--view and --play do not go together", exitCode);
    return 0;
}

// The platform plugin the toolkit will take: -platform NAME, else QT_QPA_PLATFORM, else the
// window system the session names (empty: none).
static const char *PlatformName(int argc, char **argv) {
    for (int i = 1; i + 1 < argc; i++)
        if (!strcmp(argv[i], "-platform")) return argv[i + 1];
    const char *qpa = getenv("QT_QPA_PLATFORM");
    if (qpa && *qpa) return qpa;
    const char *x = getenv("DISPLAY"), *w = getenv("WAYLAND_DISPLAY");
    if (w && *w) return "wayland";
    return x && *x ? "xcb" : "";
}

// On X11/Wayland systems Qt aborts without a display, and its X11 platform also aborts when
// DISPLAY names a server that does not answer; say what to do instead.
static bool DisplayAvailable(int argc, char **argv) {
    const char *platform = PlatformName(argc, argv);
    if (strcmp(platform, "xcb") != 0) return *platform != '\0';
    const char *x = getenv("DISPLAY");
    return x && *x && plat::DisplayReachable(x);
}

int InitCVIRTE(RunTimeInstance instance) {
    if (qApp) return 1;
    if (g_opt.headless) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!DisplayAvailable(instance.argc, instance.argv)) {
        fprintf(stderr,
                "%s: no display found; run it under a virtual display, "
                "e.g. xvfb-run -a %s --com 1=sim\n",
                g_id.name, instance.argc > 0 ? instance.argv[0] : g_id.name);
        return 0;
    }
    plat::PrepareToolkitEnvironment();
    // QApplication keeps references to argc/argv for its whole life.
    static int argc;
    argc = instance.argc;
    new QApplication(argc, instance.argv);
    QApplication::setFont(QFont("DejaVu Sans", 9));
    return 1;
}

const char *PlayOption() {
    return g_opt.play[0] ? g_opt.play : nullptr;
}
const char *ViewOption() {
    return g_opt.view[0] ? g_opt.view : nullptr;
}
const char *PngOption() {
    return g_opt.png[0] ? g_opt.png : nullptr;
}

// ---- Rooms ----------------------------------------------------------------------------------

static RoomHooks g_rooms[ROOM_COUNT]; // zero until a room registers: constant-initialised

bool RegisterRoom(int rank, const RoomHooks &hooks) {
    if (rank < 0 || rank >= ROOM_COUNT) return false;
    g_rooms[rank] = hooks;
    return true;
}

void plat::LoopStarts() {
    for (const RoomHooks &r : g_rooms)
        if (r.loopStarts) r.loopStarts();
}

// Every window goes while the window system is still there: panels discarded from their own
// callbacks wait as deferred deletes, and a toolkit left to the process's static destructors
// would deliver those after its platform plugin is gone.
void CloseCVIRTE() {
    if (!qApp) return;
    for (const RoomHooks &r : g_rooms)
        if (r.close) r.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete qApp;
}

void ResetPlatform() {
    for (const RoomHooks &r : g_rooms)
        if (r.forget) r.forget();
    plat::ForgetDeferredCalls();
    ResetQuitRequest();
    QApplication::processEvents(); // finish deferred deletions
}

// Program start: command-line options of the platform, toolkit start-up, logging and paths.
// The program itself keeps no settings; the options only map ports and switch on diagnostics.
#include "display.h"
#include "internal.h"
#include "platform.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QStandardPaths>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

static const char kUsage[] =
    "Usage: xvelzuk1 [options]\n"
    "Configures and monitors an X-VEL-ZUK1 controller on a serial port.\n\n"
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
    fprintf(stderr, "xvelzuk1: %s\n%s", why, kUsage);
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

int PlatformOptions(int argc, char **argv, int *exitCode) {
    g_opt = plat::Options{};
    char why[600];
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--help")) {
            fputs(kUsage, stdout);
            *exitCode = 0;
            return 1;
        } else if (!strcmp(argv[i], "--version")) {
            puts("X-VEL-ZUK1-Rerov V1.5");
            *exitCode = 0;
            return 1;
        } else if (!TakeOption(argc, argv, &i, why, sizeof why)) {
            return Refuse(why, exitCode);
        }
    }
    if (g_opt.png[0] && !g_opt.view[0]) return Refuse("--png needs --view FILE", exitCode);
    if (g_opt.view[0] && g_opt.play[0])
        return Refuse("--view and --play do not go together", exitCode);
    if (g_opt.play[0] && !plat::LoadScript(g_opt.play)) { // checked whole, before anything runs
        *exitCode = 1;
        return 1;
    }
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
    if (g_opt.headless) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!DisplayAvailable(instance.argc, instance.argv)) {
        fprintf(stderr,
                "xvelzuk1: no display found; run it under a virtual display, "
                "e.g. xvfb-run -a %s --com 1=sim\n",
                instance.argc > 0 ? instance.argv[0] : "xvelzuk1");
        return 0;
    }
    // Qt wants a private runtime directory and warns on every start without one.
    static char runtimeDir[64];
    if (!getenv("XDG_RUNTIME_DIR")) {
        snprintf(runtimeDir, sizeof runtimeDir, "/tmp/xvelzuk1-runtime-%u", unsigned(getuid()));
        mkdir(runtimeDir, 0700);
        setenv("XDG_RUNTIME_DIR", runtimeDir, 0);
    }
    // QApplication keeps references to argc/argv for its whole life.
    static int argc;
    argc = instance.argc;
    new QApplication(argc, instance.argv);
    QApplication::setFont(QFont("DejaVu Sans", 9));
    return 1;
}

// Every window goes while the window system is still there: panels discarded from their own
// callbacks wait as deferred deletes, and a toolkit left to the process's static destructors
// would deliver those after its platform plugin is gone.
void CloseCVIRTE() {
    if (!qApp) return;
    plat::CloseViewers();
    plat::CloseAllPorts();
    plat::DiscardAllPanels();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete qApp;
}

int GetProjectDir(char *dir) {
    char exe[MAX_PATHNAME_LEN * 4];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        snprintf(dir, MAX_PATHNAME_LEN, ".");
        return -1;
    }
    exe[n] = '\0';
    char *slash = strrchr(exe, '/');
    if (slash) *slash = '\0';
    size_t len = strlen(exe);
    if (len >= size_t(MAX_PATHNAME_LEN)) { // too long for the program's path buffers
        snprintf(dir, MAX_PATHNAME_LEN, ".");
        return -1;
    }
    memcpy(dir, exe, len + 1);
    return 0;
}

// An installed program lies in <prefix>/bin beside <prefix>/share/<program name>; a copy run
// from its build or unpacked folder has no such neighbour.
static bool InstalledLayout(const QString &programDir) {
    QDir dir(programDir);
    return dir.dirName() == "bin" &&
           QFileInfo(dir.filePath("../share/" + QCoreApplication::applicationName())).isDir();
}

int GetUserFilesDir(char *dir) {
    char program[MAX_PATHNAME_LEN];
    GetProjectDir(program);
    QString own = QString::fromLocal8Bit(program);
    if (!InstalledLayout(own) && access(program, W_OK) == 0) {
        memcpy(dir, program, strlen(program) + 1);
        return 0;
    }
    // A system folder such as /usr/bin is nobody's place for records: the user's data folder.
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QByteArray path = (data + "/" + QCoreApplication::applicationName()).toLocal8Bit();
    if (data.isEmpty() || path.size() >= MAX_PATHNAME_LEN ||
        !QDir().mkpath(QString::fromLocal8Bit(path))) {
        memcpy(dir, program, strlen(program) + 1);
        return -1;
    }
    memcpy(dir, path.constData(), size_t(path.size()) + 1);
    return 0;
}

int MakePathname(const char *dir, const char *name, char *path) {
    size_t d = strlen(dir);
    const char *sep = (d > 0 && dir[d - 1] == '/') ? "" : "/";
    int n = snprintf(path, MAX_PATHNAME_LEN, "%s%s%s", dir, sep, name);
    if (n < 0 || n >= MAX_PATHNAME_LEN) { // a cut path would name another file: give none
        path[0] = '\0';
        return -1;
    }
    return 0;
}

// Read-only files that come with the program (the logo bitmaps) lie next to it in a build tree;
// installed, the program is in <prefix>/bin and they are in <prefix>/share/xvelzuk1.
int plat::DataFilePath(const char *name, char *path) {
    char dir[MAX_PATHNAME_LEN];
    GetProjectDir(dir);
    if (MakePathname(dir, name, path) == 0 && access(path, F_OK) == 0) return 0;
    char share[MAX_PATHNAME_LEN];
    char *slash = strrchr(dir, '/');
    if (slash) *slash = '\0';
    if (MakePathname(slash ? dir : "..", "share/xvelzuk1", share) == 0 &&
        MakePathname(share, name, path) == 0 && access(path, F_OK) == 0)
        return 0;
    path[0] = '\0';
    return -1;
}

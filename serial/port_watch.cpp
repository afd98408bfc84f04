// Watching the system's serial ports: a file-system watch on the directories where device nodes
// and their links live starts a scan shortly after a change, and the port callback hears of it.
#include "serial.h"
#include "serial_devices.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QSerialPortInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

// udev adds an adapter's node and its links in a burst of changes: one scan after it settles.
constexpr int kSettleMs = 200;

static QPointer<QFileSystemWatcher> g_watcher; // both owned by the application object
static QPointer<QTimer> g_scanTimer;

// ---- Scanning -------------------------------------------------------------------------------

static plat::ScannedPort g_fake[plat::kMaxPorts];
static int g_nFake = -1; // <0: the real ports

void FakeSystemPorts(const char *const *paths, const char *const *byIds, int n) {
    g_nFake = std::min(n, plat::kMaxPorts);
    for (int i = 0; i < g_nFake; i++) {
        snprintf(g_fake[i].path, sizeof g_fake[i].path, "%s", paths[i]);
        snprintf(g_fake[i].byId, sizeof g_fake[i].byId, "%s", byIds ? byIds[i] : "");
    }
}

// Stable names of USB adapters: /dev/serial/by-id/<name> links to the device node.
static QString ByIdName(const QString &device) {
    QDir dir("/dev/serial/by-id");
    QString node = QFileInfo(device).canonicalFilePath();
    for (const QFileInfo &link :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (link.canonicalFilePath() == node) return link.fileName();
    return QString();
}

int plat::ScanSystemPorts(ScannedPort *out, int max) {
    if (g_nFake >= 0) {
        int n = std::min(g_nFake, max);
        std::copy(g_fake, g_fake + n, out);
        return n;
    }
    QStringList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    QCollator collator; // ttyS2 before ttyS10
    collator.setNumericMode(true);
    std::sort(devices.begin(), devices.end(), collator);
    int n = 0;
    for (; n < devices.size() && n < max; n++) {
        snprintf(out[n].path, sizeof out[n].path, "%s", devices[n].toLocal8Bit().constData());
        snprintf(out[n].byId, sizeof out[n].byId, "%s",
                 ByIdName(devices[n]).toLocal8Bit().constData());
    }
    return n;
}

// ---- Watch ----------------------------------------------------------------------------------

static void ScanNow(void *) {
    plat::ScanPorts();
}

void plat::ScanPortsSoon(double seconds) {
    if (!QCoreApplication::instance()) return;
    if (!g_scanTimer) {
        g_scanTimer = new QTimer(QCoreApplication::instance());
        g_scanTimer->setSingleShot(true);
        // Scanning reads directories and refills the ring: not inside a direct wait.
        QObject::connect(g_scanTimer, &QTimer::timeout, [] { PostDeferredCall(ScanNow, nullptr); });
    }
    int ms = int(std::lround(std::max(0.0, seconds) * 1000));
    if (!g_scanTimer->isActive() || g_scanTimer->remainingTime() > ms) g_scanTimer->start(ms);
}

static void Watch(const QString &dir) {
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) return;
    if (!g_watcher) {
        g_watcher = new QFileSystemWatcher(QCoreApplication::instance());
        QObject::connect(g_watcher, &QFileSystemWatcher::directoryChanged,
                         [] { plat::ScanPortsSoon(kSettleMs / 1000.0); });
    }
    if (!g_watcher->directories().contains(dir)) g_watcher->addPath(dir);
}

void plat::WatchDirsOf(const char *path, bool system) {
    if (!QCoreApplication::instance() || (system && g_nFake >= 0)) return;
    if (system) { // /dev/serial appears with the first adapter, by-id inside it
        for (const char *dir : {"/dev", "/dev/serial", "/dev/serial/by-id"})
            Watch(dir);
        return;
    }
    QFileInfo info(QString::fromLocal8Bit(path));
    Watch(info.absolutePath()); // where the link is made, removed or pointed elsewhere
    if (info.isSymLink()) Watch(QFileInfo(info.symLinkTarget()).absolutePath());
}

// ---- Port events ----------------------------------------------------------------------------

namespace {
struct PortEvent {
    int port, event;
};
} // namespace
static PortEvent g_events[64];
static int g_nEvents = 0;
static bool g_posted = false;
static PortCallbackPtr g_callback = nullptr;

static void DeliverPortEvents(void *) {
    g_posted = false;
    while (g_nEvents > 0) {
        PortEvent e = g_events[0];
        std::copy(g_events + 1, g_events + g_nEvents, g_events);
        g_nEvents--;
        if (g_callback) g_callback(e.port, e.event);
    }
}

void plat::RaisePortEvent(int port, int event) {
    if (g_nEvents == int(std::size(g_events))) return; // a burst beyond this is dropped
    g_events[g_nEvents++] = {port, event};
    if (!g_posted) g_posted = PostDeferredCall(DeliverPortEvents, nullptr) == 0;
}

void InstallPortCallback(PortCallbackPtr callback) {
    g_callback = callback;
}

void plat::ForgetPortWatch() {
    delete g_watcher;
    g_watcher = nullptr;
    delete g_scanTimer;
    g_scanTimer = nullptr;
    g_nFake = -1;
    g_nEvents = 0;
    g_posted = false;
    g_callback = nullptr;
}

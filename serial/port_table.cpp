// The port table: which device stands behind each COM number while the program runs, and the
// COM-port ring that lists it. A port keeps its number while absent and when it comes back.
#include "serial.h"
#include "serial_devices.h"

#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <cstring>

using plat::g_opt;

namespace {
struct Entry {
    int number;
    bool fixed;       // a --com mapping: its path names the device, whatever stands behind it
    bool present;     // the device is there now
    bool seen;        // found by the scan that runs now
    bool fresh;       // added by the scan that runs now
    char device[256]; // device node, link or registered name
    char byId[256];   // stable /dev/serial/by-id name of a USB adapter, or empty
};
struct Held { // a new port without a stable name, waiting whether its by-id link follows
    char path[256];
    double since; // Timer() when first seen
};
} // namespace

// An adapter that comes back shows its device node a moment before udev adds its by-id link.
// A new port without one is held back this long while a port with a stable name (or a --com
// path) is absent, so a returning adapter is not taken for a new one.
constexpr double kHoldBack = 0.5;

static Entry g_table[plat::kMaxPorts];
static int g_n = 0;
static bool g_built = false;
static Held g_held[plat::kMaxPorts];
static int g_nHeld = 0;

static Entry *Find(int number) {
    for (int i = 0; i < g_n; i++)
        if (g_table[i].number == number) return &g_table[i];
    return nullptr;
}

static void Label(const Entry &e, char *text, size_t size) {
    int n = snprintf(text, size, "COM%d  %s", e.number, e.device);
    if (e.byId[0]) n += snprintf(text + n, size - size_t(n), " (%s)", e.byId);
    if (plat::IsRegisteredDevice(e.device))
        n += snprintf(text + n, size - size_t(n), " (simulator)");
    if (!e.present) snprintf(text + n, size - size_t(n), " (absent)");
}

static QString Canonical(const char *path) {
    return QFileInfo(QString::fromLocal8Bit(path)).canonicalFilePath();
}

// A system port that a --com mapping names already (directly or through a link).
static bool NamedByMapping(const char *path) {
    QString canonical = Canonical(path);
    for (int i = 0; i < g_n; i++) {
        const Entry &e = g_table[i];
        if (!e.fixed) continue;
        if (!strcmp(e.device, path)) return true;
        if (!canonical.isEmpty() && Canonical(e.device) == canonical) return true;
    }
    return false;
}

// The same adapter: the same stable name; or, at the same node, no stable name on one side
// while the port is still there (udev adds and removes links a moment after the node).
static Entry *Match(const plat::ScannedPort &f) {
    for (int i = 0; i < g_n; i++) {
        Entry &e = g_table[i];
        if (!e.fixed && !e.seen && f.byId[0] && !strcmp(e.byId, f.byId)) return &e;
    }
    for (int i = 0; i < g_n; i++) {
        Entry &e = g_table[i];
        if (e.fixed || e.seen || strcmp(e.device, f.path)) continue;
        if (!strcmp(e.byId, f.byId) || ((!e.byId[0] || !f.byId[0]) && e.present)) return &e;
    }
    return nullptr;
}

static bool HoldBack(const plat::ScannedPort &f) {
    if (f.byId[0]) return false;
    bool awaited = false;
    for (int i = 0; i < g_n; i++)
        awaited |= !g_table[i].present && (g_table[i].byId[0] || g_table[i].fixed);
    if (!awaited) return false;
    for (int i = 0; i < g_nHeld; i++) {
        if (strcmp(g_held[i].path, f.path)) continue;
        if (Timer() - g_held[i].since >= kHoldBack) {
            g_held[i] = g_held[--g_nHeld];
            return false;
        }
        plat::ScanPortsSoon(kHoldBack);
        return true;
    }
    if (g_nHeld == plat::kMaxPorts) return false;
    snprintf(g_held[g_nHeld].path, sizeof g_held[0].path, "%s", f.path);
    g_held[g_nHeld++].since = Timer();
    plat::ScanPortsSoon(kHoldBack);
    return true;
}

static Entry *NewEntry() {
    if (g_n == plat::kMaxPorts) return nullptr;
    int number = 1;
    while (Find(number))
        number++;
    Entry &e = g_table[g_n++];
    e = Entry{};
    e.number = number;
    e.fresh = true;
    return &e;
}

static void TakeSystemPort(const plat::ScannedPort &f, bool initial) {
    if (NamedByMapping(f.path)) return;
    Entry *e = Match(f);
    if (!e && (initial || !HoldBack(f))) e = NewEntry();
    if (!e) return;
    snprintf(e->device, sizeof e->device, "%s", f.path);
    snprintf(e->byId, sizeof e->byId, "%s", f.byId);
    e->seen = true;
}

static void AddMappings() {
    for (int i = 0; i < g_opt.nCom; i++) {
        Entry *e = Find(g_opt.com[i].number); // a later mapping of the same number wins
        if (!e) {
            e = &g_table[g_n++];
            *e = Entry{};
        }
        e->number = g_opt.com[i].number;
        e->fixed = true;
        snprintf(e->device, sizeof e->device, "%s", g_opt.com[i].device);
    }
}

static void Report(const Entry &e) {
    if (!g_opt.verbose) return;
    const char *what = !e.present ? "absent" : e.fresh ? "appeared" : "present again";
    plat::Log("COM%d: %s%s%s%s %s", e.number, e.device, e.byId[0] ? " (" : "", e.byId,
              e.byId[0] ? ")" : "", what);
}

static void (*g_listChanged)() = nullptr;

void InstallPortListCallback(void (*changed)()) {
    g_listChanged = changed;
}

static void UpdateRings() {
    if (g_listChanged) g_listChanged();
}

static void Scan(bool initial) {
    static plat::ScannedPort found[plat::kMaxPorts];
    int n = g_opt.comOnly ? 0 : plat::ScanSystemPorts(found, plat::kMaxPorts);
    if (initial) AddMappings();
    for (int i = 0; i < g_n; i++)
        g_table[i].seen = g_table[i].fresh = false;
    for (int i = 0; i < n; i++)
        TakeSystemPort(found[i], initial);
    for (int i = 0; i < g_n; i++) {
        Entry &e = g_table[i];
        bool present = e.fixed ? plat::DevicePresent(e.device) : e.seen;
        if (present == e.present) continue;
        e.present = present;
        if (initial) continue;
        Report(e);
        plat::RaisePortEvent(e.number, present ? PORT_ARRIVED : PORT_REMOVED);
    }
    std::sort(g_table, g_table + g_n,
              [](const Entry &a, const Entry &b) { return a.number < b.number; });
    for (int i = 0; i < g_n; i++)
        if (g_table[i].fixed && !plat::IsRegisteredDevice(g_table[i].device))
            plat::WatchDirsOf(g_table[i].device, false);
    if (!g_opt.comOnly) plat::WatchDirsOf(nullptr, true);
    UpdateRings();
}

static void Build() {
    if (g_built) return;
    g_built = true;
    g_n = g_nHeld = 0;
    Scan(true);
}

void plat::ScanPorts() {
    if (g_built)
        Scan(false);
    else
        Build();
}

void RescanPorts() {
    plat::ScanPorts();
}

void plat::PortVanished(int number) {
    Build();
    Entry *e = Find(number);
    if (!e || !e->present) return;
    e->present = false;
    e->fresh = false;
    Report(*e);
    RaisePortEvent(number, PORT_REMOVED);
    UpdateRings();
}

void plat::ForgetPortTable() {
    g_built = false;
    g_n = g_nHeld = 0;
    ForgetPortWatch();
}

const char *plat::PortDevice(int number, int *error) {
    Build();
    const Entry *e = Find(number);
    if (!e) {
        *error = COM_ERR_PORT_NUMBER;
        return nullptr;
    }
    if (!e->fixed && !e->present) { // the node may belong to another adapter by now
        *error = COM_ERR_NO_PORT;
        return nullptr;
    }
    return e->device;
}

int GetPortDeviceName(int port, char *name, int size) {
    Build();
    const Entry *e = Find(port);
    if (!e || size <= 0) return COM_ERR_PORT_NUMBER;
    snprintf(name, size_t(size), "%s", e->device);
    return 0;
}

// The ring shows its first item at start, so the program starts on the port it names: the
// lowest number in the table (COM1 whenever the table has it).
int FirstComPort(void) {
    Build();
    return g_n > 0 ? g_table[0].number : 1;
}

int PortRing(const char **labels, int *numbers, int max) {
    static char text[plat::kMaxPorts][600];
    Build();
    if (g_n == 0 && max > 0) {
        labels[0] = "COM1  (no serial port found)";
        numbers[0] = 1;
        return 1;
    }
    int n = std::min(g_n, std::min(max, plat::kMaxPorts));
    for (int i = 0; i < n; i++) {
        Label(g_table[i], text[i], sizeof text[i]);
        labels[i] = text[i];
        numbers[i] = g_table[i].number;
    }
    return n;
}

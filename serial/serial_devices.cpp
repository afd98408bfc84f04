// The devices behind the COM numbers: the registry of named devices such as the simulator, and
// the choice between one of them and a real serial port.
#include "serial_devices.h"
#include "serial.h"

#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

using plat::g_opt;

// Devices such as the simulator have no file descriptor to wait on: sleep until the next byte
// is due, or the given time at most.
void ComDevice::waitForData(double seconds) {
    double next = nextArrival();
    double wait = seconds;
    if (next >= 0) wait = std::min(wait, std::max(0.0, next - Timer()));
    if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(wait));
}

// ---- Registered devices ---------------------------------------------------------------------

struct Registered {
    char name[32];
    ComDeviceFactory factory;
    ComDevicePresence present;
};
static Registered g_registry[8];
static int g_nRegistry = 0;

void RegisterComDevice(const char *name, ComDeviceFactory factory, ComDevicePresence present) {
    for (int i = 0; i < g_nRegistry; i++)
        if (!strcmp(g_registry[i].name, name)) {
            g_registry[i].factory = factory;
            g_registry[i].present = present;
            return;
        }
    if (g_nRegistry == int(std::size(g_registry))) return;
    snprintf(g_registry[g_nRegistry].name, sizeof g_registry[0].name, "%s", name);
    g_registry[g_nRegistry].factory = factory;
    g_registry[g_nRegistry++].present = present;
}

static const Registered *FindRegistered(const char *name) {
    for (int i = 0; i < g_nRegistry; i++)
        if (!strcmp(g_registry[i].name, name)) return &g_registry[i];
    return nullptr;
}

bool plat::IsRegisteredDevice(const char *name) {
    return FindRegistered(name) != nullptr;
}

bool plat::DevicePresent(const char *device) {
    if (const Registered *r = FindRegistered(device)) return !r->present || r->present(device);
    return QFileInfo::exists(QString::fromLocal8Bit(device)); // a dangling link: absent
}

ComDevice *plat::OpenDevice(const char *device, const LineSettings &s, int *error) {
    if (const Registered *r = FindRegistered(device)) return r->factory(device, error);
    return OpenLine(device, s, error);
}

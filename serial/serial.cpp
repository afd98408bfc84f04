// The serial port services: open/close, input queue, reads and writes, and the receive callback.
// The callback runs only from event processing, never from inside ComRd or GetInQLen.
#include "serial.h"
#include "serial_devices.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

using plat::g_opt;

namespace {
struct Port {
    ComDevice *dev = nullptr;
    unsigned char q[4096]; // input queue
    int qlen = 0;
    double timeout = 10.0; // read time-out, seconds
    int mask = 0, notifyCount = 0;
    ComCallbackPtr cb = nullptr;
    void *cbData = nullptr;
    bool fresh = false;  // bytes arrived since the last notification
    double charTime = 0; // shortest time one character takes on the line (start, data, stop)
    int agreed = 0;      // frame waits in a row whose count placed the line (TRUST_AFTER at most)
};
} // namespace

static Port g_ports[plat::kMaxPorts + 1];
static int g_direct = 0;       // depth of direct reads (ComRd, GetInQLen, flushes)
static bool g_pumping = false; // a pump (and so maybe a receive callback) is running

static Port *OpenPort(int port) {
    if (port < 1 || port > plat::kMaxPorts || !g_ports[port].dev) return nullptr;
    return &g_ports[port];
}

static void Trace(int port, const char *dir, const unsigned char *b, int n) {
    if (!g_opt.trace) return;
    char hex[3 * 160 + 8];
    int len = 0;
    for (int i = 0; i < n && i < 160; i++)
        len += snprintf(hex + len, 4, " %02X", b[i]);
    plat::Log("COM%d %s %d:%s%s", port, dir, n, hex, n > 160 ? " ..." : "");
}

// A vanished device (USB unplug) closes the port at once, which releases its device node: later
// writes fail, waits time out, and the port table marks the port absent.
static void Vanish(int port) {
    Port &p = g_ports[port];
    if (g_opt.verbose) plat::Log("COM%d: device vanished, port closed", port);
    delete p.dev;
    p = Port{};
    plat::PortVanished(port);
}

// Reads notice a vanished device themselves; without one running, a timer closes the port.
static void ReapVanished();

static QTimer *ChangeTimer() {
    static QPointer<QTimer> t; // owned by the application object
    if (!t && QCoreApplication::instance()) {
        t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        QObject::connect(t, &QTimer::timeout, [] { ReapVanished(); });
    }
    return t;
}

static void ReapVanished() {
    if (g_direct > 0) { // that read closes the port when it next looks; if not, soon after it
        ChangeTimer()->start(5);
        return;
    }
    for (int i = 1; i <= plat::kMaxPorts; i++)
        if (g_ports[i].dev && g_ports[i].dev->gone()) Vanish(i);
    plat::ScanPortsSoon(0); // a named device may have come or gone
}

void ComDeviceChanged() {
    if (QTimer *t = ChangeTimer()) t->start(0);
}

bool plat::InDirectRead() {
    return g_direct > 0;
}

static void Pull(int port) {
    Port &p = g_ports[port];
    if (p.dev->gone()) {
        Vanish(port);
        return;
    }
    int n = p.dev->read(p.q + p.qlen, int(sizeof p.q) - p.qlen);
    if (n > 0) {
        p.qlen += n;
        p.fresh = true;
    }
    if (p.dev->gone()) Vanish(port);
}

static void Take(Port &p, unsigned char *dst, int n) {
    if (dst) memcpy(dst, p.q, size_t(n));
    memmove(p.q, p.q + n, size_t(p.qlen - n));
    p.qlen -= n;
}

// ---- Event-side delivery --------------------------------------------------------------------

static QTimer *PumpTimer() {
    static QPointer<QTimer> t; // owned by the application object
    if (!t && QCoreApplication::instance()) {
        t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        QObject::connect(t, &QTimer::timeout, [] { plat::PumpPorts(); });
    }
    return t;
}

static bool NotifyDue(const Port &p) {
    return p.dev && p.cb && (p.mask & LWRS_RECEIVE) && p.fresh && p.qlen >= p.notifyCount;
}

bool plat::PumpPorts() {
    // Inside a direct read, or in the repaint-only event processing of a direct wait, the bytes
    // belong to that read; the wait re-arms the pump when it ends.
    if (g_pumping || g_direct > 0 || plat::InDrawEvents()) return false;
    g_pumping = true;
    bool ran = false;
    for (int i = 1; i <= kMaxPorts; i++) {
        if (!g_ports[i].dev) continue;
        Pull(i);
        Port &p = g_ports[i];
        if (!NotifyDue(p)) continue;
        p.fresh = false;
        ran = true;
        p.cb(i, LWRS_RECEIVE, p.cbData);
    }
    g_pumping = false;
    SchedulePump();
    return ran;
}

// Outside explicit event processing (the user-interface loop), a timer delivers the bytes the
// simulator has in flight and any notification a direct read left pending.
void plat::SchedulePump() {
    QTimer *t = PumpTimer();
    if (!t) return;
    double next = -1;
    for (int i = 1; i <= kMaxPorts; i++) {
        Port &p = g_ports[i];
        if (!p.dev || !p.cb || !(p.mask & LWRS_RECEIVE)) continue; // nobody to notify
        if (NotifyDue(p)) next = 0;
        if (TestClockOn() || p.qlen >= p.notifyCount) continue;
        // Wake when the byte that completes the notify count is due, not for every byte.
        double a = p.dev->arrivalOf(p.notifyCount - p.qlen);
        if (a < 0) a = p.dev->nextArrival();
        if (a >= 0 && (next < 0 || a < next)) next = a;
    }
    if (next < 0) {
        t->stop();
        return;
    }
    double ms = next == 0 ? 0 : std::ceil((next - Timer()) * 1000.0);
    t->start(int(std::max(0.0, ms)));
}

// When the next receive notification of a simulated device is due, or -1 if none is expected.
double plat::NextNotifyTime() {
    double next = -1;
    for (int i = 1; i <= kMaxPorts; i++) {
        Port &p = g_ports[i];
        if (!p.dev || !p.cb || !(p.mask & LWRS_RECEIVE) || p.qlen >= p.notifyCount) continue;
        double a = p.dev->arrivalOf(p.notifyCount - p.qlen);
        if (a >= 0 && (next < 0 || a < next)) next = a;
    }
    return next;
}

// The rest of a frame begun in the queue cannot arrive faster than the line carries it: it is
// slept through instead of waking for every byte. Where bytes come as the line carries them (a
// serial port, a pseudo-terminal), a count of the bytes queued places the line to within a
// byte, so one sleep ends LINE_MARGIN before the last byte (a sender's clock a few percent
// fast) and one wait takes that byte. Where they come late or in bursts (a USB adapter's 1-ms
// frames, a sender slower than its baud rate), a count taken a whole frame ahead may be far
// off: a first sleep then ends COUNT_MARGIN early, and a recount places the second. A line
// earns the single sleep by TRUST_AFTER sleeps in a row after which the bytes that had come
// were what it carries in that time, and loses it by one after which they were not.
constexpr double COUNT_MARGIN = 0.002;
constexpr double LINE_MARGIN = 0.0005;
constexpr int TRUST_AFTER = 8;
constexpr double JUDGED_SPAN = 3; // characters: a shorter sleep tells nothing of the line

static double SleepFor(double seconds, double most) { // seconds slept
    double s = std::min(seconds, most);
    if (s <= 0) return 0;
    std::this_thread::sleep_for(std::chrono::duration<double>(s));
    return s;
}

// Sleeps to `margin` before the frame's last byte as the queue counts it, then counts again and
// judges the line by what came meanwhile. False: the frame is whole, or the port gone.
static bool SleepCounted(int port, double margin, double *seconds) {
    Port &p = g_ports[port];
    int before = p.qlen;
    double from = Timer();
    *seconds -= SleepFor((p.notifyCount - p.qlen) * p.charTime - margin, *seconds);
    Pull(port);
    if (!p.dev || p.qlen >= p.notifyCount) return false;
    double carried = (Timer() - from) / p.charTime; // characters the line carried meanwhile
    if (carried < JUDGED_SPAN) return true;
    int was = p.agreed;
    p.agreed = std::fabs(p.qlen - before - carried) < 1.5 ? std::min(p.agreed + 1, TRUST_AFTER) : 0;
    if (g_opt.verbose && (p.agreed == TRUST_AFTER) != (was == TRUST_AFTER))
        plat::Log("COM%d: %s", port,
                  p.agreed ? "its byte counts place the line: one sleep through a frame"
                           : "a byte count missed the line: two sleeps through a frame");
    return true;
}

static void WaitOnLine(int port, double seconds) {
    Port &p = g_ports[port];
    Pull(port); // what came since the event side last read, so the count starts right
    if (!p.dev || p.qlen >= p.notifyCount) return;
    bool trusted = p.agreed >= TRUST_AFTER;
    if (!SleepCounted(port, trusted ? LINE_MARGIN : COUNT_MARGIN, &seconds)) return;
    if ((!trusted || p.agreed == 0) && !SleepCounted(port, LINE_MARGIN, &seconds)) return;
    if (seconds > 0) p.dev->waitForData(seconds);
}

// Only a real port that has begun a frame is waited on here: the rest of that frame cannot
// come sooner, and the port's own notifier would wake the toolkit's dispatcher for every byte.
// Otherwise the caller waits in the dispatcher, which the port's first byte wakes.
bool plat::WaitForPortData(double seconds) {
    for (int i = 1; i <= kMaxPorts; i++) {
        Port &p = g_ports[i];
        if (!p.dev || !p.cb) continue;
        if (p.dev->nextArrival() >= 0 || !(p.mask & LWRS_RECEIVE) || p.qlen == 0 ||
            p.qlen >= p.notifyCount)
            return false;
        g_direct++; // a real port's notifier during the wait must not run the callback here
        WaitOnLine(i, seconds);
        g_direct--;
        return true;
    }
    return false;
}

void plat::OnDeviceData() {
    if (!g_pumping && g_direct == 0) PumpPorts();
}

// ---- Opening and closing --------------------------------------------------------------------

int OpenComConfig(int port, const char *deviceName, long baud, int parity, int dataBits,
                  int stopBits, int inQueueSize, int outQueueSize) {
    if (port < 1 || port > plat::kMaxPorts) return COM_ERR_PORT_NUMBER;
    if (OpenPort(port)) CloseCom(port);
    if (baud <= 0 || parity < 0 || parity > 4 || dataBits < 5 || dataBits > 8 || stopBits < 1 ||
        stopBits > 2 || inQueueSize < 0 || outQueueSize < 0)
        return COM_ERR_PARAMETER;
    int error = -1;
    const char *device = (deviceName && *deviceName) ? deviceName : plat::PortDevice(port, &error);
    if (!device) return error;
    ComDevice *dev =
        plat::OpenDevice(device, plat::LineSettings{baud, parity, dataBits, stopBits}, &error);
    if (!dev) {
        if (g_opt.verbose) plat::Log("COM%d: cannot open %s (error %d)", port, device, error);
        return error < 0 ? error : -1;
    }
    g_ports[port] = Port{};
    g_ports[port].dev = dev;
    g_ports[port].charTime = (1.0 + dataBits + stopBits) / double(baud);
    plat::ClearPortHint();
    if (g_opt.verbose) plat::Log("COM%d: opened %s", port, device);
    return 0;
}

int CloseCom(int port) {
    if (!OpenPort(port)) return COM_ERR_NOT_OPEN;
    delete g_ports[port].dev;
    g_ports[port] = Port{};
    if (g_opt.verbose) plat::Log("COM%d: closed", port);
    return 0;
}

void plat::CloseAllPorts() {
    for (int i = 1; i <= kMaxPorts; i++)
        if (g_ports[i].dev) CloseCom(i);
}

int ComOpenCount() {
    int n = 0;
    for (int i = 1; i <= plat::kMaxPorts; i++)
        n += g_ports[i].dev != nullptr;
    return n;
}

int SetComTime(int port, double seconds) {
    Port *p = OpenPort(port);
    if (!p) return COM_ERR_NOT_OPEN;
    if (seconds < 0) return COM_ERR_PARAMETER;
    p->timeout = seconds;
    return 0;
}

int SetCTSMode(int port, int mode) {
    if (!OpenPort(port)) return COM_ERR_NOT_OPEN;
    // Hardware handshake is never used with the controller.
    return mode == 0 ? 0 : COM_ERR_PARAMETER;
}

int InstallComCallback(int port, int eventMask, int notifyCount, int, ComCallbackPtr callback,
                       void *callbackData) {
    Port *p = OpenPort(port);
    if (!p) return COM_ERR_NOT_OPEN;
    if (notifyCount < 0 || notifyCount > int(sizeof p->q)) return COM_ERR_PARAMETER;
    p->mask = callback ? eventMask : 0;
    p->cb = eventMask ? callback : nullptr;
    p->cbData = callbackData;
    p->notifyCount = notifyCount > 0 ? notifyCount : 1;
    p->fresh = p->qlen >= p->notifyCount; // bytes already queued are reported too
    plat::SchedulePump();
    return 0;
}

// ---- Data -----------------------------------------------------------------------------------

int ComWrt(int port, const unsigned char *buffer, int count) {
    Port *p = OpenPort(port);
    if (!p) return COM_ERR_NOT_OPEN;
    if (count <= 0) return 0;
    int n = p->dev->write(buffer, count);
    Trace(port, ">", buffer, n > 0 ? n : 0);
    if (p->dev->gone()) {
        Vanish(port);
        return -1;
    }
    plat::SchedulePump();
    return n;
}

// Sleeps until the device says the byte completing a read is due, or for the next byte.
static void WaitForBytes(Port &p, int need, double left) {
    double due = p.dev->arrivalOf(need);
    if (due > 0) {
        SleepFor(due - Timer(), left);
        return;
    }
    p.dev->waitForData(std::min(left, 0.05));
}

int ComRd(int port, unsigned char *buffer, int count) {
    if (!OpenPort(port)) return COM_ERR_NOT_OPEN;
    if (count <= 0) return 0;
    g_direct++;
    double deadline = Timer() + g_ports[port].timeout;
    for (;;) {
        Pull(port);
        if (!g_ports[port].dev || g_ports[port].qlen >= count) break;
        double left = deadline - Timer();
        if (left <= 0) break;
        ProcessDrawEvents(); // the close box works during the port time-out; it closes the port
        if (!g_ports[port].dev) break;
        if (plat::TestClockOn())
            plat::TestClockPoll();
        else
            WaitForBytes(g_ports[port], count - g_ports[port].qlen, left);
    }
    Port &p = g_ports[port];
    int n = std::min(count, p.qlen);
    Take(p, buffer, n);
    Trace(port, "<", buffer, n);
    g_direct--;
    plat::SchedulePump();
    return n;
}

int GetInQLen(int port) {
    Port *p = OpenPort(port);
    if (!p) return COM_ERR_NOT_OPEN;
    g_direct++;
    int before = p->qlen;
    Pull(port);
    // Polling loops call this back to back; under the test clock every poll costs 1 ms, for real
    // a poll that found nothing new waits briefly for the next byte instead of spinning a core.
    if (plat::TestClockOn()) {
        plat::TestClockPoll();
    } else if (g_ports[port].dev && g_ports[port].qlen == before) {
        g_ports[port].dev->waitForData(0.0005);
        Pull(port);
    }
    g_direct--;
    plat::SchedulePump();
    return g_ports[port].dev ? g_ports[port].qlen : COM_ERR_NOT_OPEN;
}

int FlushInQ(int port) {
    Port *p = OpenPort(port);
    if (!p) return COM_ERR_NOT_OPEN;
    g_direct++;
    Pull(port); // stale bytes still in the OS buffer go too
    if (g_ports[port].dev) {
        g_ports[port].dev->flushInput();
        if (g_opt.trace && g_ports[port].qlen > 0)
            plat::Log("COM%d: discarded %d bytes", port, g_ports[port].qlen);
        g_ports[port].qlen = 0;
        g_ports[port].fresh = false;
    }
    g_direct--;
    return g_ports[port].dev ? 0 : COM_ERR_NOT_OPEN;
}

int FlushOutQ(int port) {
    Port *p = OpenPort(port);
    if (!p) return COM_ERR_NOT_OPEN;
    p->dev->flushOutput();
    return 0;
}

// ---- Hints ----------------------------------------------------------------------------------

static void (*g_showHint)(const char *hint) = nullptr;

void InstallPortHints(void (*show)(const char *hint)) {
    g_showHint = show;
}

void plat::ShowPortHint(const char *hint) {
    if (g_showHint) g_showHint(hint);
}

void plat::ClearPortHint() {
    ShowPortHint("");
}

// ---- Event processing and shutdown ----------------------------------------------------------

static void ForgetPorts() {
    plat::CloseAllPorts();
    plat::ForgetPortTable();
}

[[maybe_unused]] static const bool kRoom =
    RegisterRoom(ROOM_PORTS, {plat::CloseAllPorts, ForgetPorts, nullptr}) &&
    InstallEventSource({plat::PumpPorts, plat::NextNotifyTime, plat::WaitForPortData,
                        plat::SchedulePump, plat::InDirectRead});

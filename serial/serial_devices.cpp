// The devices behind the COM numbers: the registry of named devices such as the simulator, and
// real serial ports through QSerialPort.
#include "serial_devices.h"
#include "serial.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
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

// ---- Real serial ports ----------------------------------------------------------------------

namespace {
class QtSerialDevice final : public ComDevice {
  public:
    explicit QtSerialDevice(QSerialPort *p)
        : port(p), hangup(qintptr(p->handle()), QSocketNotifier::Read) {
        QObject::connect(port, &QSerialPort::readyRead, [] { plat::OnDeviceData(); });
        QObject::connect(port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
            if (vanished || e == QSerialPort::NoError || e == QSerialPort::TimeoutError) return;
            if (e == QSerialPort::ResourceError || plat::HungUp(qintptr(port->handle()))) vanish();
        });
        // A device that goes away (USB unplug, the far end of a pseudo-terminal closed) hangs
        // the line up: its descriptor stays readable and every read returns nothing. Qt 6.4
        // reports that as a read error on every loop turn; Qt 6.8 reports nothing while its
        // loop spins. This notifier sees the hang-up in both; bytes that arrive are the
        // port's own to read.
        QObject::connect(&hangup, &QSocketNotifier::activated, [this] {
            if (!vanished && plat::HungUp(qintptr(port->handle()))) vanish();
        });
    }
    ~QtSerialDevice() override {
        hangup.setEnabled(false); // before its descriptor is closed
        port->close();
        port->deleteLater(); // may be inside one of the port's own signals
    }
    int write(const unsigned char *data, int count) override {
        if (vanished) return -1;
        qint64 n = port->write(reinterpret_cast<const char *>(data), count);
        port->flush(); // hand the bytes to the OS now, not at the next event loop turn
        // The far end may be a process of this machine (a pseudo-terminal, a network
        // redirector) woken by these bytes: let it run before this program goes on to draw,
        // or on a busy core it waits a millisecond and more to take the request.
        std::this_thread::yield();
        return n < 0 ? -1 : int(n);
    }
    int read(unsigned char *dst, int max) override {
        if (vanished || max <= 0) return 0;
        // What the port's own notifier took from the OS comes first. On the event side that is
        // all there is: the notifier reads whatever arrives, and asking the OS on every turn
        // costs a system call a turn. A direct read (a wait, a flush) takes all the OS holds
        // too: the wait through a frame under way counts the bytes still to come from what was
        // read. The OS is read directly: the port's wait for data costs a poll, its notifiers
        // re-armed and a signal each time, and raises its time-out error when it finds nothing.
        qint64 n = std::max<qint64>(0, port->read(reinterpret_cast<char *>(dst), max));
        if (!plat::InDirectRead()) return int(n);
        int more = n < max ? plat::ReadHeld(qintptr(port->handle()), dst + n, int(max - n)) : 0;
        if (more > 0) return int(n) + more;
        if (more < 0 && n == 0) { // not readable so (a line hung up): the port finds out why
            port->waitForReadyRead(0);
            n = std::max<qint64>(0, port->read(reinterpret_cast<char *>(dst), max));
        }
        return int(n);
    }
    void flushInput() override { port->clear(QSerialPort::Input); }
    // Every write is handed to the OS at once, so nothing of ours waits to be sent. What the OS
    // still holds is the tail of a frame on its way; discarding it would cut that frame and the
    // controller would read the next request's bytes as its rest (a set sent to the EEPROM
    // just before a Get would be stored corrupted).
    void flushOutput() override {}
    double nextArrival() override { return -1; }
    bool gone() override { return vanished; }
    void waitForData(double seconds) override {
        if (!vanished && port->bytesAvailable() == 0)
            port->waitForReadyRead(int(std::lround(seconds * 1000)));
    }

  private:
    void vanish() {
        vanished = true;
        hangup.setEnabled(false);
        ComDeviceChanged(); // closed from event processing, also when nothing reads
    }

    QSerialPort *port;
    QSocketNotifier hangup; // read notifier of our own on the port's descriptor
    bool vanished = false;
};
} // namespace

static int OpenErrorCode(QSerialPort::SerialPortError e) {
    switch (e) {
    case QSerialPort::DeviceNotFoundError: return COM_ERR_NO_PORT;
    case QSerialPort::PermissionError: // busy, locked by another program, or no access
    case QSerialPort::OpenError: return COM_ERR_CANNOT_OPEN;
    case QSerialPort::UnsupportedOperationError: return COM_ERR_PARAMETER;
    default: return COM_ERR_SYSTEM;
    }
}

static ComDevice *OpenSerialPort(const char *path, const plat::LineSettings &s, int *error) {
    auto *port = new QSerialPort(QString::fromLocal8Bit(path));
    if (!port->open(QIODevice::ReadWrite)) {
        *error = OpenErrorCode(port->error());
        if (g_opt.verbose) plat::Log("%s: %s", path, port->errorString().toLocal8Bit().constData());
        plat::ExplainOpenFailure(path, *error);
        delete port;
        return nullptr;
    }
    static const QSerialPort::Parity kParity[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                  QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                  QSerialPort::SpaceParity};
    bool ok = port->setBaudRate(qint32(s.baud)) && port->setParity(kParity[s.parity]) &&
              port->setDataBits(QSerialPort::DataBits(s.dataBits)) &&
              port->setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
              port->setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        *error = COM_ERR_PARAMETER;
        port->close();
        delete port;
        return nullptr;
    }
    port->setReadBufferSize(0);
    plat::AskLowLatency(qintptr(port->handle()), path);
    return new QtSerialDevice(port);
}

ComDevice *plat::OpenDevice(const char *device, const LineSettings &s, int *error) {
    if (const Registered *r = FindRegistered(device)) return r->factory(device, error);
    return OpenSerialPort(device, s, error);
}

// A real serial port through Qt Serial Port, for systems without the POSIX terminal interface
// (Windows): the toolkit reads and writes the line and reports an unplugged device.
#include "serial.h"
#include "serial_devices.h"

#include <QSerialPort>
#include <algorithm>
#include <cmath>
#include <thread>

using plat::g_opt;

namespace {
class QtSerialLine final : public ComDevice {
  public:
    explicit QtSerialLine(QSerialPort *p) : port(p) {
        QObject::connect(port, &QSerialPort::readyRead, [] { plat::OnDeviceData(); });
        QObject::connect(port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
            if (!vanished && e == QSerialPort::ResourceError) vanish(); // unplugged
        });
    }
    ~QtSerialLine() override {
        port->close();
        port->deleteLater(); // may be inside one of the port's own signals
    }
    int write(const unsigned char *data, int count) override {
        if (vanished) return -1;
        qint64 n = port->write(reinterpret_cast<const char *>(data), count);
        port->flush();             // hand the bytes to the OS now, not at the next event loop turn
        std::this_thread::yield(); // a far end on this machine takes them before we draw
        return n < 0 ? -1 : int(n);
    }
    // A direct read (a wait, a flush) takes what the OS holds too, not only what the port's
    // notifier has read: the wait through a frame under way counts the bytes still to come.
    int read(unsigned char *dst, int max) override {
        if (vanished || max <= 0) return 0;
        if (plat::InDirectRead() && port->bytesAvailable() == 0) port->waitForReadyRead(0);
        return int(std::max<qint64>(0, port->read(reinterpret_cast<char *>(dst), max)));
    }
    void flushInput() override { port->clear(QSerialPort::Input); }
    // Every write is handed to the OS at once; what it still holds is the tail of a frame on its
    // way, and cutting it would make the controller read the next request as its rest.
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
        ComDeviceChanged(); // closed from event processing, also when nothing reads
    }

    QSerialPort *port;
    bool vanished = false;
};

int OpenErrorCode(QSerialPort::SerialPortError e) {
    switch (e) {
    case QSerialPort::DeviceNotFoundError: return COM_ERR_NO_PORT;
    case QSerialPort::PermissionError: // busy, locked by another program, or no access
    case QSerialPort::OpenError: return COM_ERR_CANNOT_OPEN;
    case QSerialPort::UnsupportedOperationError: return COM_ERR_PARAMETER;
    default: return COM_ERR_SYSTEM;
    }
}
} // namespace

ComDevice *plat::OpenLine(const char *path, const LineSettings &s, int *error) {
    auto *port = new QSerialPort(QString::fromLocal8Bit(path));
    if (!port->open(QIODevice::ReadWrite)) {
        *error = OpenErrorCode(port->error());
        if (g_opt.verbose) plat::Log("%s: %s", path, port->errorString().toLocal8Bit().constData());
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
    return new QtSerialLine(port);
}

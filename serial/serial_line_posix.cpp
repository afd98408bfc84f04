// A real serial port through the POSIX terminal interface: the device node opened as a raw 8-bit
// line, held exclusively, read and written directly, one read notifier for bytes and hang-ups.
#include "serial.h"
#include "serial_devices.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using plat::g_opt;

namespace {
constexpr int kHeld = 4096; // bytes the notifier reads ahead of the serial layer's queue

class PosixLine final : public ComDevice {
  public:
    PosixLine(int fd, const termios &before, double charTime)
        : fd(fd), before(before), charTime(charTime),
          notifier(new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance())) {
        QObject::connect(notifier, &QSocketNotifier::activated, [this] { Readable(); });
    }
    // The port may be closed from inside the notifier's own signal (a receive callback that
    // closes it, a write that finds the line gone), so the notifier goes later, switched off
    // and cut loose before its descriptor is closed.
    ~PosixLine() override {
        if (notifier) {
            notifier->setEnabled(false);
            QObject::disconnect(notifier, nullptr, nullptr, nullptr);
            notifier->deleteLater();
        }
        if (!vanished) { // the line as it was found, for the next program
            Drain();
            tcsetattr(fd, TCSANOW, &before);
            ioctl(fd, TIOCNXCL);
        }
        close(fd);
    }
    int write(const unsigned char *data, int count) override;
    // What the notifier read comes first. On the event side that is all there is: the notifier
    // reads whatever arrives. A direct read (a wait, a flush) takes what the OS holds too: the
    // wait through a frame under way counts the bytes still to come from what was read.
    int read(unsigned char *dst, int max) override {
        int n = std::min(held, std::max(0, max));
        memcpy(dst, in, size_t(n));
        memmove(in, in + n, size_t(held - n));
        held -= n;
        if (!vanished && held < kHeld && notifier && !notifier->isEnabled())
            notifier->setEnabled(true); // room again
        if (!plat::InDirectRead() || n == max) return n;
        return n + ReadOS(dst + n, max - n);
    }
    void flushInput() override {
        held = 0;
        if (!vanished) tcflush(fd, TCIFLUSH);
    }
    // Every write is handed to the OS at once, so nothing of ours waits to be sent. What the OS
    // still holds is the tail of a frame on its way; discarding it would cut that frame and the
    // controller would read the next request's bytes as its rest (a set sent to the EEPROM
    // just before a Get would be stored corrupted).
    void flushOutput() override {}
    double nextArrival() override { return -1; }
    bool gone() override { return vanished; }
    void waitForData(double seconds) override {
        if (vanished || held > 0 || seconds <= 0) return;
        pollfd p{fd, POLLIN, 0}; // a hang-up wakes it too: the next read finds out
#ifdef __linux__
        timespec t{time_t(seconds), long((seconds - std::floor(seconds)) * 1e9)};
        ppoll(&p, 1, &t, nullptr);
#else
        poll(&p, 1, int(std::ceil(seconds * 1000)));
#endif
    }

  private:
    void Readable() {
        int n = ReadOS(in + held, kHeld - held);
        held += n;
        if (held == kHeld && notifier)
            notifier->setEnabled(false); // the OS keeps the rest until room is made
        if (n > 0) plat::OnDeviceData();
    }
    // The settings go back only once the last frame is on the line: at the old rate its rest
    // would reach the controller garbled. A line that does not move is given as long as the
    // bytes would take, and a tenth of a second more.
    void Drain() {
        int queued = 0;
        if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
        using namespace std::chrono;
        auto span = [](double s) {
            return duration_cast<steady_clock::duration>(duration<double>(s));
        };
        auto end = steady_clock::now() + span(queued * charTime + 0.1);
        while (ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && steady_clock::now() < end)
            std::this_thread::sleep_until(
                std::min(end, steady_clock::now() + span(queued * charTime)));
    }
    // A read that finds nothing returns at once (the line is non-blocking and a read waits for
    // one byte, so "nothing" is EAGAIN and never a count of 0). A count of 0 is the end of the
    // line: the device hung up (a USB adapter unplugged, a pseudo-terminal's far end closed),
    // as is an I/O error; the port is then closed from event processing.
    int ReadOS(unsigned char *dst, int max) {
        if (vanished || max <= 0) return 0;
        ssize_t n;
        do {
            n = ::read(fd, dst, size_t(max));
        } while (n < 0 && errno == EINTR);
        if (n > 0) return int(n);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
        Vanish();
        return 0;
    }
    void Vanish() {
        vanished = true;
        if (notifier) notifier->setEnabled(false);
        ComDeviceChanged(); // closed from event processing, also when nothing reads
    }

    int fd;
    termios before;                     // the line's settings when it was opened
    double charTime;                    // one character on the line, s
    QPointer<QSocketNotifier> notifier; // the application object's, also while its deletion
                                        // is pending
    unsigned char in[kHeld];
    int held = 0; // bytes in `in`
    bool vanished = false;
};

// A frame is 36 bytes and the OS takes kilobytes, so a write waits only when the line does not
// move at all; it waits for room as long as the rest would take on the line, and a tenth of a
// second more, then reports what was taken.
int PosixLine::write(const unsigned char *data, int count) {
    if (vanished) return -1;
    int done = 0;
    while (done < count) {
        ssize_t n = ::write(fd, data + done, size_t(count - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            Vanish(); // hung up or unplugged
            return -1;
        }
        pollfd p{fd, POLLOUT, 0};
        int ms = int(std::lround(((count - done) * charTime + 0.1) * 1000));
        int r = poll(&p, 1, ms);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) break;
    }
    // The far end may be a process of this machine (a pseudo-terminal, a network redirector)
    // woken by these bytes: let it run before this program goes on to draw, or on a busy core
    // it waits a millisecond and more to take the request.
    std::this_thread::yield();
    return done;
}

int OpenError(int err) {
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return COM_ERR_NO_PORT;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK: return COM_ERR_CANNOT_OPEN; // busy, held by another program, or no access
    case ENOTTY:
    case EINVAL: return COM_ERR_PARAMETER; // no terminal, or a setting it does not take
    default: return COM_ERR_SYSTEM;
    }
}

bool SpeedOf(long baud, speed_t *speed) {
    static const struct {
        long baud;
        speed_t speed;
    } kSpeeds[] = {{50, B50},         {75, B75},        {110, B110},     {134, B134},
                   {150, B150},       {200, B200},      {300, B300},     {600, B600},
                   {1200, B1200},     {1800, B1800},    {2400, B2400},   {4800, B4800},
                   {9600, B9600},     {19200, B19200},  {38400, B38400}, {57600, B57600},
                   {115200, B115200}, {230400, B230400}};
    for (const auto &s : kSpeeds)
        if (s.baud == baud) {
            *speed = s.speed;
            return true;
        }
    return false;
}

// Raw bytes at the given format, no flow control, no modem lines obeyed; a read waits for one
// byte, so with the descriptor non-blocking it returns what there is or says there is nothing.
bool LineTermios(const plat::LineSettings &s, termios *t) {
    speed_t speed;
    if (!SpeedOf(s.baud, &speed)) return false;
    cfmakeraw(t);
    t->c_cflag |= CLOCAL | CREAD;
    t->c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
#ifdef CMSPAR
    t->c_cflag &= ~CMSPAR; // mark or space parity another program left
#endif
    static const tcflag_t kSize[] = {CS5, CS6, CS7, CS8};
    t->c_cflag |= kSize[s.dataBits - 5];
    if (s.stopBits == 2) t->c_cflag |= CSTOPB;
    t->c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | PARMRK);
    t->c_iflag |= IGNPAR;
    switch (s.parity) {
    case 1: t->c_cflag |= PARENB | PARODD; break;
    case 2: t->c_cflag |= PARENB; break;
#ifdef CMSPAR
    case 3: t->c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: t->c_cflag |= PARENB | CMSPAR; break;
#else
    case 3:
    case 4: return false;
#endif
    default: break;
    }
    t->c_cc[VMIN] = 1;
    t->c_cc[VTIME] = 0;
    return cfsetispeed(t, speed) == 0 && cfsetospeed(t, speed) == 0;
}

ComDevice *Refuse(const char *path, int fd, int code, int err, int *error) {
    if (g_opt.verbose) plat::Log("%s: %s", path, strerror(err));
    if (fd >= 0) close(fd);
    *error = code;
    plat::ExplainOpenFailure(path, code);
    return nullptr;
}
} // namespace

// Opened without becoming the controlling terminal and without waiting for a modem's carrier.
// It is held exclusively: another program's open of it fails while this one has it, and one
// that had it first makes this open fail.
ComDevice *plat::OpenLine(const char *path, const LineSettings &s, int *error) {
    int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Refuse(path, -1, OpenError(errno), errno, error);
    termios before;
    if (tcgetattr(fd, &before) != 0) return Refuse(path, fd, OpenError(errno), errno, error);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return Refuse(path, fd, COM_ERR_CANNOT_OPEN, errno, error);
    termios t = before;
    if (!LineTermios(s, &t)) return Refuse(path, fd, COM_ERR_PARAMETER, EINVAL, error);
    if (tcsetattr(fd, TCSANOW, &t) != 0) return Refuse(path, fd, OpenError(errno), errno, error);
    ioctl(fd, TIOCEXCL); // refused by some drivers; the lock still keeps this program's peers out
    plat::AskLowLatency(fd, path);
    return new PosixLine(fd, before, (1.0 + s.dataBits + s.stopBits) / double(s.baud));
}

#ifndef __linux__
void plat::AskLowLatency(int, const char *) {} // the adapters' mode is a Linux driver's
#endif

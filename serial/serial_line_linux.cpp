// What Linux offers a serial line beyond the terminal interface: the adapters' low-latency mode.
#include "serial.h"
#include "serial_devices.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

// USB-serial adapters hold received bytes up to 16 ms before passing them on, which caps the
// live loop near 15 replies per second; low-latency mode passes every byte at once. A driver
// that has no such mode, or refuses it, is used as it is.
void plat::AskLowLatency(int fd, const char *path) {
    serial_struct ss{};
    const char *outcome = "low-latency mode on";
    if (ioctl(fd, TIOCGSERIAL, &ss) != 0) {
        outcome = "the driver has no low-latency mode";
    } else if (!(ss.flags & ASYNC_LOW_LATENCY)) {
        ss.flags |= ASYNC_LOW_LATENCY;
        if (ioctl(fd, TIOCSSERIAL, &ss) != 0) outcome = "the driver refused low-latency mode";
    }
    if (plat::g_opt.verbose) plat::Log("%s: %s", path, outcome);
}

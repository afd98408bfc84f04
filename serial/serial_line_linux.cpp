// What Linux tells of a serial line beyond the toolkit: whether the device hung up, how many
// bytes it holds and those bytes themselves, and the adapters' low-latency mode.
#include "serial.h"
#include "serial_devices.h"

#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

bool plat::HungUp(long long handle) {
    int fd = int(handle);
    pollfd p{fd, POLLIN, 0};
    return fd < 0 || (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)));
}

static int BytesWaiting(long long handle) { // bytes the OS holds; -1: unknown
    int n = 0;
    return ioctl(int(handle), FIONREAD, &n) == 0 ? n : -1;
}

int plat::ReadHeld(long long handle, unsigned char *dst, int max) {
    int held = BytesWaiting(handle);
    if (held <= 0 || max <= 0) return held < 0 ? -1 : 0;
    ssize_t n = read(int(handle), dst, size_t(std::min(held, max)));
    return n < 0 ? -1 : int(n);
}

// USB-serial adapters hold received bytes up to 16 ms before passing them on, which caps the
// live loop near 15 replies per second; low-latency mode passes every byte at once. A driver
// that has no such mode, or refuses it, is used as it is.
void plat::AskLowLatency(long long handle, const char *path) {
    int fd = int(handle);
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

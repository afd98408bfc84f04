// X display reachability over POSIX sockets: the local server's socket for ":n" (the abstract
// one first on Linux, as libxcb tries it), TCP port 6000+n for "host:n".
#include "runtime.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

constexpr int kConnectMs = 3000; // a remote display that does not answer within this is not there

// Connects fd to addr; a non-blocking connect bounded by kConnectMs, for unanswered TCP hosts.
static bool Connect(int fd, const sockaddr *addr, socklen_t len) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (connect(fd, addr, len) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd p{fd, POLLOUT, 0};
    int err = 0;
    socklen_t size = sizeof err;
    return poll(&p, 1, kConnectMs) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &size) == 0 &&
           err == 0;
}

static bool LocalSocket(int number, bool abstract) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    int n = snprintf(addr.sun_path + (abstract ? 1 : 0), sizeof addr.sun_path - 1,
                     "/tmp/.X11-unix/X%d", number);
    socklen_t len = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(n) + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    bool ok = Connect(fd, reinterpret_cast<sockaddr *>(&addr), len);
    close(fd);
    return ok;
}

static bool TcpSocket(const char *host, int number) {
    char port[16];
    snprintf(port, sizeof port, "%d", 6000 + number);
    addrinfo hints{}, *list = nullptr;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(host, port, &hints, &list) != 0) return false;
    bool ok = false;
    for (addrinfo *a = list; a && !ok; a = a->ai_next) {
        int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0) continue;
        ok = Connect(fd, a->ai_addr, a->ai_addrlen);
        close(fd);
    }
    freeaddrinfo(list);
    return ok;
}

// "[protocol/][host]:number[.screen]" as libxcb reads it (an IPv6 host in brackets); false for
// anything else.
static bool Parse(const char *display, char *host, size_t size, int *number, bool *local) {
    const char *slash = strchr(display, '/');
    const char *colon = strrchr(display, ':');
    if (!colon || (slash && slash > colon)) return false;
    const char *from = slash ? slash + 1 : display, *to = colon;
    if (*from == '[' && to > from + 1 && to[-1] == ']') from++, to--;
    snprintf(host, size, "%.*s", int(to - from), from);
    char *end = nullptr;
    long n = strtol(colon + 1, &end, 10);
    if (end == colon + 1 || n < 0 || n > 59535 || (*end && *end != '.')) return false;
    *number = int(n);
    *local = (slash && !strncmp(display, "unix/", 5)) || !host[0] || !strcmp(host, "unix");
    return true;
}

bool plat::DisplayReachable(const char *display) {
    char host[256];
    int number = 0;
    bool local = false;
    if (!display || !Parse(display, host, sizeof host, &number, &local)) return false;
    if (!local) return TcpSocket(host, number);
#ifdef __linux__
    if (LocalSocket(number, true)) return true;
#endif
    return LocalSocket(number, false);
}

// Says why a serial device would not open and what to do about it: a device that does not exist,
// one this user may not open, or a path that is no serial port at all. Shown under the status line
// and on standard error; the status line itself keeps its fixed text.
#include "serial.h"
#include "serial_devices.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <iterator>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

static bool InGroupNow(gid_t gid) {
    if (getegid() == gid) return true;
    gid_t groups[256];
    int n = getgroups(int(std::size(groups)), groups);
    for (int i = 0; i < n; i++)
        if (groups[i] == gid) return true;
    return false;
}

// Membership as the group database has it, which a login session only takes on when it starts.
static bool InGroupListed(const passwd *pw, const group *gr) {
    if (!pw || !gr) return false;
    if (pw->pw_gid == gr->gr_gid) return true;
    for (char **m = gr->gr_mem; m && *m; m++)
        if (!strcmp(*m, pw->pw_name)) return true;
    return false;
}

// "crw-rw----" from a mode.
static void ModeText(mode_t mode, char out[11]) {
    out[0] = S_ISCHR(mode) ? 'c' : S_ISDIR(mode) ? 'd' : '-';
    const char *rwx = "rwxrwxrwx";
    for (int i = 0; i < 9; i++)
        out[1 + i] = (mode & (0400 >> i)) ? rwx[i] : '-';
    out[10] = '\0';
}

static void PermissionHint(const char *path, const struct stat &st, char *hint, size_t size) {
    const passwd *pw = getpwuid(geteuid());
    const group *gr = getgrgid(st.st_gid);
    bool listed = InGroupListed(pw, gr);
    char user[64], groupName[64]; // copies: the next lookup reuses the library's buffers
    snprintf(user, sizeof user, "%s", pw ? pw->pw_name : "this user");
    if (gr)
        snprintf(groupName, sizeof groupName, "%s", gr->gr_name);
    else
        snprintf(groupName, sizeof groupName, "%u", unsigned(st.st_gid));
    if ((st.st_mode & 060) != 060 || st.st_gid == 0) { // no group to join for access
        const passwd *owner = getpwuid(st.st_uid);
        char mode[11];
        ModeText(st.st_mode, mode);
        snprintf(hint, size,
                 "No permission to open %s (%s, owner %s, group %s): ask the "
                 "administrator to give it to a group such as dialout.",
                 path, mode, owner ? owner->pw_name : "?", groupName);
    } else if (listed && !InGroupNow(st.st_gid)) {
        snprintf(hint, size,
                 "No permission to open %s: user %s was added to group %s after this "
                 "login began; log out and in again.",
                 path, user, groupName);
    } else {
        snprintf(hint, size,
                 "No permission to open %s: it belongs to group %s, and user %s is not "
                 "in it. Add the user (sudo adduser %s %s), then log out and in again.",
                 path, groupName, user, user, groupName);
    }
}

// What a path that is no device at all is, or nullptr for a device.
static const char *NotADevice(const struct stat &st) {
    if (S_ISDIR(st.st_mode)) return "a directory";
    if (S_ISREG(st.st_mode)) return "a regular file";
    if (S_ISFIFO(st.st_mode)) return "a named pipe";
    if (S_ISSOCK(st.st_mode)) return "a socket";
    return S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? nullptr : "no device";
}

// A device that is no terminal, such as /dev/null. The serial port's own open has just opened
// it the same way (read-write, no controlling terminal, without waiting), so asking it once
// more does nothing the open did not. A device that will not open again is not judged.
static bool NotATerminal(const char *path) {
    int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    bool terminal = isatty(fd);
    close(fd);
    return !terminal;
}

static void NotASerialPortHint(const char *path, const char *kind, char *hint, size_t size) {
    snprintf(hint, size,
             "%s is %s, not a serial port: choose the device of the serial adapter, such as "
             "/dev/ttyUSB0.",
             path, kind);
}

void plat::ExplainOpenFailure(const char *device, int error) {
    char path[300];
    snprintf(path, sizeof path, "%s%s", device[0] == '/' ? "" : "/dev/", device);
    char hint[1024] = ""; // room for the longest path, user and group names
    struct stat st;
    if (stat(path, &st) != 0) {
        if (errno == ENOENT)
            snprintf(hint, sizeof hint,
                     "%s does not exist: is the adapter plugged in? The COM "
                     "ring lists the serial ports there are.",
                     path);
    } else if (const char *kind = NotADevice(st)) {
        NotASerialPortHint(path, kind, hint, sizeof hint);
    } else if (faccessat(AT_FDCWD, path, R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES) {
        PermissionHint(path, st, hint, sizeof hint);
    } else if (error != COM_ERR_CANNOT_OPEN && NotATerminal(path)) {
        NotASerialPortHint(path, "a device of another kind", hint, sizeof hint);
    } else if (error == COM_ERR_CANNOT_OPEN) {
        snprintf(hint, sizeof hint,
                 "%s could not be opened although its permissions allow it: "
                 "another program may be using it.",
                 path);
    }
    if (hint[0]) fprintf(stderr, "%s: %s\n", ProgramName(), hint);
    plat::ShowPortHint(hint);
}

// Writing and opening files on POSIX systems without being led astray: no link planted by another
// user is followed, no FIFO or device blocks or receives data, a replaced file keeps its mode.
#include "files.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

static char g_fault[MAX_PATHNAME_LEN + 160]; // why the last write failed, naming the file

static int Fault(const char *fmt, const char *path, const char *why = "") {
    snprintf(g_fault, sizeof g_fault, fmt, path, why);
    if (plat::g_fileFaultLog) plat::g_fileFaultLog(g_fault);
    return -1;
}

static int ErrnoFault(const char *path) {
    int e = errno;
    if (e == ENOSPC) return Fault("%s: the disk is full", path);
    if (e == EFBIG) return Fault("%s: the file size limit is reached", path);
    if (e == EDQUOT) return Fault("%s: the disk quota is used up", path);
    return Fault("%s: %s", path, strerror(e));
}

const char *LastFileFault() {
    return g_fault;
}

// A write past the file-size limit (ulimit -f) ends the process by default; ignored, the write
// fails with EFBIG and the file is cut back to what it held.
static void IgnoreFileSizeSignal() {
    static bool done = false;
    if (!done) signal(SIGXFSZ, SIG_IGN);
    done = true;
}

static bool WriteAll(int fd, const char *data, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (w == 0) errno = ENOSPC;
            return false;
        }
        data += w;
        n -= size_t(w);
    }
    return true;
}

// The file a replace goes to: the path itself when it is a regular file or does not exist, the
// file a link of this user's points to; never a link another user made (in a shared folder it
// could point at any of this user's files), a folder, a device or a FIFO.
static int ResolveTarget(const char *path, char *target, struct stat *st, bool *exists) {
    *exists = false;
    if (lstat(path, st) != 0) {
        if (errno != ENOENT) return ErrnoFault(path);
        snprintf(target, MAX_PATHNAME_LEN, "%s", path);
        return 0;
    }
    if (S_ISLNK(st->st_mode)) {
        if (st->st_uid != geteuid())
            return Fault("%s is a symbolic link made by another user: not followed", path);
        char real[PATH_MAX];
        if (!realpath(path, real) || stat(real, st) != 0)
            return Fault("%s is a symbolic link to nothing", path);
        size_t len = strlen(real);
        if (len >= size_t(MAX_PATHNAME_LEN)) return Fault("%s: path too long", path);
        memcpy(target, real, len + 1);
    } else {
        snprintf(target, MAX_PATHNAME_LEN, "%s", path);
    }
    if (!S_ISREG(st->st_mode)) return Fault("%s is not a regular file", path);
    *exists = true;
    return 0;
}

// A new file of unpredictable name next to the target, made exclusively: nothing planted in
// advance, link or FIFO, can stand in for it.
static int CreateTemporary(const char *target, char *tmp, size_t size, mode_t mode) {
    const char *slash = strrchr(target, '/');
    int dirLen = slash ? int(slash - target + 1) : 0;
    const char *base = slash ? slash + 1 : target;
    static std::mt19937_64 rng{std::random_device{}()};
    for (int attempt = 0; attempt < 16; attempt++) {
        unsigned long long r = rng();
        if (snprintf(tmp, size, "%.*s.%s.%012llx~", dirLen, target, base, r & 0xFFFFFFFFFFFFull) >=
            int(size))
            return -1;
        int fd = open(tmp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// No folder write access for a temporary: the existing regular file is rewritten in place.
static int RewriteInPlace(const char *target, const struct stat &checked, const char *data,
                          size_t n) {
    int fd = open(target, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ErrnoFault(target);
    struct stat st;
    bool same = fstat(fd, &st) == 0 && st.st_dev == checked.st_dev && st.st_ino == checked.st_ino;
    if (!same) {
        close(fd);
        return Fault("%s changed while it was opened: not written", target);
    }
    bool ok = ftruncate(fd, 0) == 0 && WriteAll(fd, data, n);
    int rc = ok ? 0 : ErrnoFault(target);
    if (close(fd) != 0 && rc == 0) rc = ErrnoFault(target);
    return rc;
}

int plat::ReplaceFile(const char *path, const char *data, size_t n) {
    IgnoreFileSizeSignal();
    g_fault[0] = '\0';
    char target[MAX_PATHNAME_LEN];
    struct stat st;
    bool exists = false;
    if (ResolveTarget(path, target, &st, &exists) != 0) return -1;
    char tmp[MAX_PATHNAME_LEN + 40];
    int fd = CreateTemporary(target, tmp, sizeof tmp, exists ? 0600 : 0666);
    if (fd < 0) {
        if (exists && (errno == EACCES || errno == EROFS || errno == EPERM))
            return RewriteInPlace(target, st, data, n);
        return ErrnoFault(path);
    }
    // The replacement keeps the mode of the file it replaces (a private file stays private).
    bool ok = (!exists || fchmod(fd, st.st_mode & 07777) == 0) && WriteAll(fd, data, n);
    int rc = ok ? 0 : ErrnoFault(path);
    if (close(fd) != 0 && rc == 0) rc = ErrnoFault(path);
    if (rc == 0 && rename(tmp, target) != 0) rc = ErrnoFault(path);
    if (rc != 0) unlink(tmp);
    return rc;
}

// Appends go only to a regular file of this user's, opened without following a link; a write
// that cannot be made whole is taken back, so the file ends with its last whole line.
int plat::AppendFile(const char *path, const char *data, size_t n) {
    IgnoreFileSizeSignal();
    g_fault[0] = '\0';
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == ELOOP) return Fault("%s is a symbolic link: not followed", path);
        if (errno == ENXIO) return Fault("%s is not a regular file", path); // a FIFO
        return ErrnoFault(path);
    }
    struct stat st;
    int rc = 0;
    if (fstat(fd, &st) != 0) {
        rc = ErrnoFault(path);
    } else if (!S_ISREG(st.st_mode)) {
        rc = Fault("%s is not a regular file", path);
    } else if (st.st_uid != geteuid()) {
        rc = Fault("%s belongs to another user: not appended to", path);
    } else if (!WriteAll(fd, data, n)) {
        rc = ErrnoFault(path);
        if (ftruncate(fd, st.st_size) != 0) Fault("%s: cut line could not be removed", path);
    }
    if (close(fd) != 0 && rc == 0) rc = ErrnoFault(path);
    return rc;
}

static char g_runFolder[MAX_PATHNAME_LEN];

// A folder of this run's own for the files a script writes, so two runs, or two users, never
// share a fixed name: made on first use under $TMPDIR (else /tmp) with an unpredictable name and
// mode 0700, named after the script.
const char *plat::RunFolder(const char *script) {
    if (g_runFolder[0]) return g_runFolder;
    const char *tmp = getenv("TMPDIR");
    if (!tmp || tmp[0] != '/') tmp = "/tmp";
    const char *base = strrchr(script, '/');
    base = base ? base + 1 : script;
    int stem = int(strcspn(base, "."));
    char path[MAX_PATHNAME_LEN];
    if (snprintf(path, sizeof path, "%s/%.*s-run.XXXXXX", tmp, stem > 40 ? 40 : stem, base) >=
            int(sizeof path) ||
        !mkdtemp(path))
        return nullptr;
    memcpy(g_runFolder, path, sizeof path);
    return g_runFolder;
}

// At the end of a play: an empty run folder goes, one holding files is named.
void plat::CloseRunFolder(const char *script) {
    if (!g_runFolder[0]) return;
    if (rmdir(g_runFolder) != 0)
        fprintf(stderr, "%s: this run's files are in %s\n", script, g_runFolder);
    g_runFolder[0] = '\0';
}

// Reading never blocks on a FIFO or reads a device: only regular files (or links to them) open.
// What a path that is no regular file names, for a refusal.
static const char *FileKind(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "a file of an unknown kind";
}

FILE *plat::OpenRegularForRead(const char *path, const char **kind) {
    g_fault[0] = '\0';
    if (kind) *kind = nullptr;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC); // a FIFO would wait for its writer
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        ErrnoFault(path);
        if (fd >= 0) close(fd);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        if (kind) *kind = FileKind(st.st_mode);
        Fault("%s is not a regular file", path);
        return nullptr;
    }
    FILE *f = fdopen(fd, "rb");
    if (!f) {
        ErrnoFault(path);
        close(fd);
    }
    return f;
}

// Paths: where the operator's files go, joining folder and name within the program's path
// buffers, and the read-only files that come with the program.
#include "runtime.h"
#include "start.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <cstring>

// An installed program lies in <prefix>/bin beside <prefix>/share/<program name>; a copy run
// from its build or unpacked folder has no such neighbour.
static bool InstalledLayout(const QString &programDir) {
    QDir dir(programDir);
    return dir.dirName() == "bin" &&
           QFileInfo(dir.filePath("../share/" + QCoreApplication::applicationName())).isDir();
}

int GetUserFilesDir(char *dir) {
    char program[MAX_PATHNAME_LEN];
    GetProjectDir(program);
    QString own = QString::fromLocal8Bit(program);
    if (!InstalledLayout(own) && plat::ProgramDirWritable(program)) {
        memcpy(dir, program, strlen(program) + 1);
        return 0;
    }
    // A system folder such as /usr/bin is nobody's place for records: the user's data folder.
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QByteArray path = (data + "/" + QCoreApplication::applicationName()).toLocal8Bit();
    if (data.isEmpty() || path.size() >= MAX_PATHNAME_LEN ||
        !QDir().mkpath(QString::fromLocal8Bit(path))) {
        memcpy(dir, program, strlen(program) + 1);
        return -1;
    }
    memcpy(dir, path.constData(), size_t(path.size()) + 1);
    return 0;
}

int MakePathname(const char *dir, const char *name, char *path) {
    size_t d = strlen(dir);
    const char *sep = (d > 0 && dir[d - 1] == '/') ? "" : "/";
    int n = snprintf(path, MAX_PATHNAME_LEN, "%s%s%s", dir, sep, name);
    if (n < 0 || n >= MAX_PATHNAME_LEN) { // a cut path would name another file: give none
        path[0] = '\0';
        return -1;
    }
    return 0;
}

static bool Exists(const char *path) { // a link counts by its target
    return QFileInfo::exists(QString::fromLocal8Bit(path));
}

// Read-only files that come with the program (the logo bitmaps) lie next to it in a build tree;
// installed, the program is in <prefix>/bin and they are in <prefix>/share/<program name>.
int plat::DataFilePath(const char *name, char *path) {
    char dir[MAX_PATHNAME_LEN];
    GetProjectDir(dir);
    if (MakePathname(dir, name, path) == 0 && Exists(path)) return 0;
    char share[MAX_PATHNAME_LEN], sub[MAX_PATHNAME_LEN];
    char *slash = strrchr(dir, '/');
    if (slash) *slash = '\0';
    snprintf(sub, sizeof sub, "share/%s", ProgramName());
    if (MakePathname(slash ? dir : "..", sub, share) == 0 && MakePathname(share, name, path) == 0 &&
        Exists(path))
        return 0;
    path[0] = '\0';
    return -1;
}

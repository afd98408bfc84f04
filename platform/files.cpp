// File services: the file selection dialog, and arrays of unsigned values written to and read
// from text files. Every write opens, writes and closes the file, and reports a failure.
#include "internal.h"
#include "platform.h"
#include "testing.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

// "*.cfg" -> "cfg"; empty when the filter names no single extension.
static QString Extension(const char *filter) {
    const char *dot = filter ? strrchr(filter, '.') : nullptr;
    if (!dot || strpbrk(dot + 1, "*?; ")) return QString();
    return QString::fromLocal8Bit(dot + 1);
}

// A dialog restricted to its filter's extension never hands out another kind of file: a name
// typed with another extension ("ZUK1para.cfg" in the record-file dialog) gets the filter's
// extension added, so the program never deletes or overwrites a file it does not own.
static QString WithExtension(const QString &file, const QString &ext) {
    if (ext.isEmpty() || file.isEmpty() ||
        QFileInfo(file).suffix().compare(ext, Qt::CaseInsensitive) == 0)
        return file;
    return file + "." + ext;
}

static int Chosen(const QString &chosen, const QString &ext, char *path) {
    QString file = WithExtension(chosen, ext);
    QByteArray bytes = file.toLocal8Bit();
    if (bytes.isEmpty()) return VAL_NO_FILE_SELECTED;
    if (bytes.size() >= MAX_PATHNAME_LEN) { // would not fit the program's path buffers
        if (plat::g_opt.verbose) plat::Log("file dialog: path too long: %s", bytes.constData());
        return VAL_NO_FILE_SELECTED;
    }
    memcpy(path, bytes.constData(), size_t(bytes.size()) + 1);
    return QFileInfo::exists(file) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

static bool g_cancelUnanswered = false;

void CancelUnansweredDialogs(bool on) {
    g_cancelUnanswered = on;
}

int FileSelectPopup(const char *dir, const char *defaultName, const char *filter, const char *title,
                    int button, int, int restrictExt, int allowCancel, int allowMakeDir,
                    char *path) {
    char answer[MAX_PATHNAME_LEN];
    int scripted = plat::ScriptDialogAnswer(answer);
    if (scripted == 0) return VAL_NO_FILE_SELECTED;
    const QString ext = restrictExt ? Extension(filter) : QString();
    if (scripted > 0) return Chosen(QString::fromLocal8Bit(answer), ext, path);
    if (g_cancelUnanswered) return VAL_NO_FILE_SELECTED;
    if (plat::ScriptPlaying()) { // a script cannot answer a dialog it did not foresee
        plat::ScriptFail("a file dialog opened without a dialog answer");
        return VAL_NO_FILE_SELECTED;
    }
    QFileDialog dlg(QApplication::activeWindow(), QString::fromLocal8Bit(title),
                    QString::fromLocal8Bit(dir));
    dlg.setNameFilter(QString::fromLocal8Bit(filter));
    dlg.setFileMode(QFileDialog::AnyFile); // a new name typed in is reported as such
    dlg.setAcceptMode(button == VAL_LOAD_BUTTON ? QFileDialog::AcceptOpen
                                                : QFileDialog::AcceptSave);
    if (button == VAL_LOAD_BUTTON) dlg.setLabelText(QFileDialog::Accept, "Load");
    if (restrictExt) dlg.setDefaultSuffix(Extension(filter));
    dlg.setOption(QFileDialog::ReadOnly, !allowMakeDir);
    dlg.selectFile(QString::fromLocal8Bit(defaultName));
    do {
        if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
            return Chosen(dlg.selectedFiles().first(), ext, path);
    } while (!allowCancel);
    return VAL_NO_FILE_SELECTED;
}

// ---- Writing --------------------------------------------------------------------------------

// Replacing goes through a temporary file next to the target, so a failed write (disk full,
// removed medium) leaves the previous content instead of a cut file.
static FILE *OpenForWrite(const char *path, int action, char *tmp, size_t tmpSize) {
    tmp[0] = '\0';
    if (action == VAL_APPEND) return fopen(path, "ab");
    if (snprintf(tmp, tmpSize, "%s.tmp~", path) < int(tmpSize)) {
        if (FILE *f = fopen(tmp, "wb")) return f;
    }
    tmp[0] = '\0'; // no temporary file possible here (e.g. a folder without write access)
    return fopen(path, "wb");
}

static int Finish(FILE *f, bool ok, const char *path, const char *tmp) {
    ok = (fflush(f) == 0) && ok && !ferror(f);
    ok = (fclose(f) == 0) && ok;
    if (tmp[0]) {
        if (ok) ok = rename(tmp, path) == 0;
        if (!ok) remove(tmp);
    }
    if (!ok && plat::g_opt.verbose) plat::Log("cannot write %s", path);
    return ok ? 0 : -1;
}

int ArrayToFile(const char *path, const unsigned *values, int count, int numGroups, int,
                int separator, int fieldWidth, int action) {
    if (!path || !path[0] || count < 0 || numGroups < 1 || count % numGroups) return -2;
    char tmp[MAX_PATHNAME_LEN + 8];
    FILE *f = OpenForWrite(path, action, tmp, sizeof tmp);
    if (!f) return -1;
    int perGroup = count / numGroups;
    bool ok = true;
    for (int row = 0; row < perGroup && ok; row++) {
        for (int g = 0; g < numGroups && ok; g++) {
            unsigned v = values[g * perGroup + row];
            if (separator == VAL_SEP_BY_TAB)
                ok = fprintf(f, g ? "\t%u" : "%u", v) > 0;
            else
                ok = fprintf(f, "%*u", fieldWidth, v) > 0;
        }
        ok = ok && fputc('\n', f) != EOF;
    }
    return Finish(f, ok, path, tmp);
}

int ArrayToFile(const char *path, const char *bytes, int count, int action) {
    if (!path || !path[0] || count < 0) return -2;
    char tmp[MAX_PATHNAME_LEN + 8];
    FILE *f = OpenForWrite(path, action, tmp, sizeof tmp);
    if (!f) return -1;
    bool ok = fwrite(bytes, 1, size_t(count), f) == size_t(count);
    return Finish(f, ok, path, tmp);
}

// ---- Reading --------------------------------------------------------------------------------

int FileToArray(const char *path, unsigned *values, int count, int *badLine) {
    FILE *f = path ? fopen(path, "rb") : nullptr;
    if (!f) return -1;
    int n = 0, line = 1, c = fgetc(f);
    while (n < count && c != EOF) {
        if (isspace(c)) {
            line += c == '\n';
            c = fgetc(f);
            continue;
        }
        unsigned v = 0; // kept modulo 2^32, so the low 16 bits of any length are right
        bool digits = false;
        while (c != EOF && !isspace(c)) {
            if (!isdigit(c)) {
                if (badLine) *badLine = line;
                fclose(f);
                return -3;
            }
            v = v * 10u + unsigned(c - '0');
            digits = true;
            c = fgetc(f);
        }
        if (digits) values[n++] = v;
    }
    bool readError = ferror(f);
    fclose(f);
    if (readError) return -1;
    return n < count ? -2 : count;
}

int CVI_DeleteFile(const char *path) {
    if (!path || !path[0]) return -1;
    if (remove(path) == 0) return 0;
    return errno == ENOENT ? -1 : -2;
}

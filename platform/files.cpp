// File services: the file selection dialog, and arrays of unsigned values written to and read
// from text files. Every write opens, writes and closes the file, and reports a failure.
#include "internal.h"
#include "platform.h"
#include "testing.h"

#include <QApplication>
#include <QBuffer>
#include <QFileDialog>
#include <QFileInfo>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

// The text of a write is made whole in memory first: a file receives one write, which either
// lands whole or is taken back.
static char g_text[1 << 16];

static int Store(const char *path, const char *data, size_t n, int action) {
    return action == VAL_APPEND ? plat::AppendFile(path, data, n)
                                : plat::ReplaceFile(path, data, n);
}

int ArrayToFile(const char *path, const unsigned *values, int count, int numGroups, int,
                int separator, int fieldWidth, int action) {
    if (!path || !path[0] || count < 0 || numGroups < 1 || count % numGroups) return -2;
    int perGroup = count / numGroups;
    size_t n = 0;
    for (int row = 0; row < perGroup; row++) {
        for (int g = 0; g < numGroups; g++) {
            unsigned v = values[g * perGroup + row];
            size_t room = sizeof g_text - n;
            int w = separator == VAL_SEP_BY_TAB ? snprintf(g_text + n, room, g ? "\t%u" : "%u", v)
                                                : snprintf(g_text + n, room, "%*u", fieldWidth, v);
            if (w < 0 || size_t(w) >= room) return -2; // more than one write can hold
            n += size_t(w);
        }
        if (n + 1 >= sizeof g_text) return -2;
        g_text[n++] = '\n';
    }
    return Store(path, g_text, n, action);
}

int ArrayToFile(const char *path, const char *bytes, int count, int action) {
    if (!path || !path[0] || count < 0) return -2;
    return Store(path, bytes, size_t(count), action);
}

// An image goes to its file the way every other write does: encoded in memory, then replaced.
int plat::SavePng(const QImage &image, const char *path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!path || !path[0] || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return -1;
    return plat::ReplaceFile(path, bytes.constData(), size_t(bytes.size()));
}

// ---- Reading --------------------------------------------------------------------------------

static int SkipBlanks(FILE *f, int c, int *line) {
    while (c != EOF && isspace(c)) {
        *line += c == '\n';
        c = fgetc(f);
    }
    return c;
}

int FileToArray(const char *path, unsigned *values, int count, int *badLine,
                ArrayFileNotes *notes) {
    FILE *f = path ? plat::OpenRegularForRead(path) : nullptr;
    if (!f) return -1;
    if (notes) *notes = ArrayFileNotes{};
    int n = 0, line = 1, c = SkipBlanks(f, fgetc(f), &line);
    while (n < count && c != EOF) {
        unsigned v = 0; // kept modulo 2^32, so the low 16 bits of any length are right
        bool wide = false;
        while (c != EOF && !isspace(c)) {
            if (!isdigit(c)) {
                if (badLine) *badLine = line;
                fclose(f);
                return -3;
            }
            v = v * 10u + unsigned(c - '0');
            wide = wide || v > 0xFFFFu;
            c = fgetc(f);
        }
        values[n++] = v;
        if (notes && wide) notes->wide++;
        c = SkipBlanks(f, c, &line);
    }
    while (notes && c != EOF) { // what follows the numbers asked for is only counted
        notes->extra++;
        while (c != EOF && !isspace(c))
            c = fgetc(f);
        c = SkipBlanks(f, c, &line);
    }
    bool readError = ferror(f);
    fclose(f);
    if (readError) return -1;
    return n < count ? -2 : count;
}

// A folder is never deleted, even an empty one: only files and links go.
int CVI_DeleteFile(const char *path) {
    if (!path || !path[0]) return -1;
    std::error_code ec;
    auto st = std::filesystem::symlink_status(path, ec);
    if (ec || !std::filesystem::exists(st)) return -1;
    if (std::filesystem::is_directory(st)) return -2;
    return std::filesystem::remove(path, ec) && !ec ? 0 : -2;
}

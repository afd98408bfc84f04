// The file selection dialog. An answer source (an operator script, a test) may answer it in the
// operator's place; a dialog restricted to an extension hands out only files of that extension.
#include "panels.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <cstring>

// "*.cfg" -> "cfg"; empty when the filter names no single extension.
static QString Extension(const char *filter) {
    const char *dot = filter ? strrchr(filter, '.') : nullptr;
    if (!dot || strpbrk(dot + 1, "*?; ")) return QString();
    return QString::fromLocal8Bit(dot + 1);
}

// A dialog restricted to its filter's extension never hands out another kind of file: a name
// typed with another extension (a parameter file's name in the record-file dialog) gets the
// filter's extension added, so the program never deletes or overwrites a file it does not own.
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
static DialogAnswerPtr g_answers = nullptr;

void InstallDialogAnswers(DialogAnswerPtr answers) {
    g_answers = answers;
}

void CancelUnansweredDialogs(bool on) {
    g_cancelUnanswered = on;
}

int FileSelectPopup(const char *dir, const char *defaultName, const char *filter, const char *title,
                    int button, int, int restrictExt, int allowCancel, int allowMakeDir,
                    char *path) {
    char answer[MAX_PATHNAME_LEN];
    int scripted = g_answers ? g_answers(answer) : -1;
    if (scripted == 0) return VAL_NO_FILE_SELECTED;
    const QString ext = restrictExt ? Extension(filter) : QString();
    if (scripted > 0) return Chosen(QString::fromLocal8Bit(answer), ext, path);
    if (g_cancelUnanswered) return VAL_NO_FILE_SELECTED;
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

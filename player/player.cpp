// Plays a loaded operator script from the event loop, one action per timer turn, so an action
// that follows a long-running one reaches the program while that one runs, as a click would.
#include "player.h"
#include "panels.h"
#include "script.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int g_next = 0;           // index of the next action
static bool g_failed = false;    // an action or expectation failed
static bool g_ended = false;     // the script is over (ran out, quit or failed)
static bool g_started = false;   // a script was started
static QPointer<QTimer> g_timer; // owned by the application object

struct DialogAnswer {
    int value; // 1 path, 0 cancel
    char path[MAX_PATHNAME_LEN];
};
static DialogAnswer g_answers[16];
static int g_nAnswers = 0;
static ExportCallbackPtr g_scanExport = nullptr; // the program's scan export, for export-scan
static CompareHooks g_compareHooks;              // the program's COMPARE, for compare actions

static void End() {
    if (g_ended) return;
    g_ended = true;
    g_timer->stop();
    if (plat::g_opt.verbose)
        plat::Log("script %s: %s", g_scriptPath, g_failed ? "failed" : "ran to its end");
    // A program stuck in a loop that ignores the close box must not keep a script run alive.
    QTimer::singleShot(10000, [] {
        fprintf(stderr, "%s: the program did not end within 10 s of the script's end\n",
                g_scriptPath);
        std::_Exit(1);
    });
    int main = MainPanel();
    if (main > 0)
        OperatorClose(main);
    else
        QuitUserInterface(0);
}

static void Fail(const Action &a, const char *why) {
    plat::EchoLine("%s:%d: %s: %s", g_scriptPath, a.line, a.source, why);
    g_failed = true;
    End();
}

// The grab lets pending drawing happen first; the next action must not run inside it, or the
// picture would show what that action did instead of what this line found.
static int GrabBeforeNextAction(int panel, int control, const char *path) {
    g_timer->stop();
    int rc = GrabControl(panel, control, path);
    if (!g_ended) g_timer->start(0);
    return rc;
}

static bool Expect(const Action &a, int panel, char *why, size_t size) {
    int v = 0;
    char *end = nullptr;
    long want = strtol(a.text, &end, 10);
    if (!*end && GetCtrlVal(panel, a.control, v) == 0) {
        if (v == want) return true;
        snprintf(why, size, "found %d", v);
        return false;
    }
    char text[1024] = "";
    if (GetCtrlVal(panel, a.control, text, int(sizeof text)) != 0) {
        snprintf(why, size, "the control holds no %s", *end ? "text" : "number");
        return false;
    }
    if (!strcmp(text, a.text)) return true;
    snprintf(why, size, "found \"%s\"", text);
    return false;
}

static bool Attribute(const Action &a, int panel, int attribute, char *why, size_t size) {
    int v = -1;
    GetCtrlAttribute(panel, a.control, attribute, v);
    if (v == a.value) return true;
    snprintf(why, size, "found %s", v ? "yes" : "no");
    return false;
}

static bool Compare(const Action &a, char *why, size_t size) {
    char status[1024] = "";
    if (!g_compareHooks.run) {
        snprintf(why, size, "this program has no COMPARE");
        return false;
    }
    if (a.kind == ACT_COMPARE && g_compareHooks.run() == 0) return true;
    if (a.kind == ACT_EXPORT_COMPARE && g_compareHooks.exportCsv(a.text) == 0) return true;
    int outcome = g_compareHooks.outcome();
    if (a.kind == ACT_EXPECT_COMPARE && outcome == a.value) return true;
    GetStatusLine(status, int(sizeof status));
    if (a.kind == ACT_COMPARE)
        snprintf(why, size, "COMPARE could not start: dimmed while another command runs");
    else if (a.kind == ACT_EXPORT_COMPARE)
        snprintf(why, size, "not saved; the status line shows \"%s\"", status);
    else
        snprintf(why, size, "found %s; the status line shows \"%s\"",
                 outcome < 0 ? "no comparison yet" : kCompareWords[outcome], status);
    return false;
}

// Carries out one action; false with the reason when it cannot be done or does not hold.
static bool Perform(const Action &a, char *why, size_t size) {
    int panel = plat::PanelOfResource(a.resource);
    switch (a.kind) {
    case ACT_PRESS:
    case ACT_KEY: {
        int rc =
            a.kind == ACT_PRESS ? OperatorPress(panel, a.control) : OperatorKey(panel, a.control);
        if (rc != 0) snprintf(why, size, "the control is dimmed, hidden or not a button");
        return rc == 0;
    }
    case ACT_SET:
        if (OperatorSet(panel, a.control, a.value) == 0) return true;
        snprintf(why, size, "cannot set %d: dimmed, hidden, read-only or not a value of it",
                 a.value);
        return false;
    case ACT_DIALOG:
        if (g_nAnswers == int(std::size(g_answers))) {
            snprintf(why, size, "too many dialog answers waiting");
            return false;
        }
        QueueDialogAnswer(a.value, a.text);
        return true;
    case ACT_CLOSE: OperatorClose(panel); return true;
    case ACT_EXPECT_STATUS: {
        char text[1024] = "";
        GetStatusLine(text, int(sizeof text));
        if (!strcmp(text, a.text)) return true;
        snprintf(why, size, "found \"%s\"", text);
        return false;
    }
    case ACT_EXPORT_SCAN: {
        if (g_scanExport && g_scanExport(a.text) == 0) return true;
        char text[1024] = "";
        GetStatusLine(text, int(sizeof text));
        snprintf(why, size, "not saved; the status line shows \"%s\"", text);
        return false;
    }
    case ACT_EXPORT_PNG:
        if (GrabBeforeNextAction(panel, a.control, a.text) == 0) return true;
        snprintf(why, size, "cannot write %s", a.text);
        return false;
    case ACT_COMPARE:
    case ACT_EXPECT_COMPARE:
    case ACT_EXPORT_COMPARE: return Compare(a, why, size);
    case ACT_EXPECT: return Expect(a, panel, why, size);
    case ACT_EXPECT_DIMMED: return Attribute(a, panel, ATTR_DIMMED, why, size);
    case ACT_EXPECT_VISIBLE: return Attribute(a, panel, ATTR_VISIBLE, why, size);
    case ACT_WAIT:
    case ACT_QUIT: return true;
    }
    return true;
}

static void Step() {
    if (g_ended) return;
    if (plat::InDrawEvents()) { // a direct wait takes no operator input: act once it is over
        g_timer->start(1);
        return;
    }
    if (g_next >= g_nScript) {
        End();
        return;
    }
    const Action &a = g_script[g_next++];
    if (plat::g_opt.verbose) plat::Log("play %d: %s", a.line, a.source);
    if (a.kind == ACT_WAIT) {
        g_timer->start(int(a.seconds * 1000.0 + 0.5));
        return;
    }
    if (a.kind == ACT_QUIT) {
        g_next = g_nScript;
        End();
        return;
    }
    // The next action may arrive while this one's callback still runs; after compare it comes
    // once the comparison ended, so the script can expect its outcome.
    if (a.kind != ACT_COMPARE) g_timer->start(0);
    char why[1200] = "";
    if (!Perform(a, why, sizeof why)) Fail(a, why);
    if (a.kind == ACT_COMPARE && !g_ended) g_timer->start(0);
}

static void StartScript() {
    if (!PlayOption() || g_started) return;
    g_started = true;
    g_timer = new QTimer(QCoreApplication::instance());
    g_timer->setSingleShot(true);
    g_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(g_timer, &QTimer::timeout, Step);
    g_timer->start(0);
}

bool plat::ScriptFailed() {
    return g_failed;
}

bool plat::ScriptPlaying() {
    return g_started && !g_ended;
}

void plat::ScriptFail(const char *why) {
    if (g_ended || g_next == 0) return;
    Fail(g_script[g_next - 1], why);
}

void InstallScanExport(ExportCallbackPtr scanCsv) {
    g_scanExport = scanCsv;
}

void InstallCompareHooks(const CompareHooks &hooks) {
    g_compareHooks = hooks;
}

void QueueDialogAnswer(int value, const char *path) {
    if (g_nAnswers == int(std::size(g_answers))) return;
    g_answers[g_nAnswers].value = value;
    snprintf(g_answers[g_nAnswers++].path, MAX_PATHNAME_LEN, "%.259s", path ? path : "");
}

// Answers queued by a script or a test; a playing script cannot answer a dialog it did not
// foresee, so that one fails it.
static int AnswerDialog(char *path) {
    if (g_nAnswers == 0 && plat::ScriptPlaying()) {
        plat::ScriptFail("a file dialog opened without a dialog answer");
        return 0;
    }
    if (g_nAnswers == 0) return -1;
    DialogAnswer first = g_answers[0];
    for (int i = 1; i < g_nAnswers; i++)
        g_answers[i - 1] = g_answers[i];
    g_nAnswers--;
    memcpy(path, first.path, sizeof first.path);
    return first.value;
}

int PlatformExitCode(int code) {
    if (!PlayOption()) return code;
    plat::CloseRunFolder(g_scriptPath);
    if (g_failed) return 1;
    if (g_next < g_nScript) { // a script may end the program itself with its last action
        fprintf(stderr, "%s: the program ended before the script (at line %d)\n", g_scriptPath,
                g_next < g_nScript ? g_script[g_next].line : 0);
        return 1;
    }
    if (code != 0) return 1;
    fprintf(stderr, "%s: %d actions played, every expectation held\n", g_scriptPath, g_nScript);
    return 0;
}

static void ForgetPlayer() {
    InstallScanExport(nullptr);
    InstallCompareHooks({});
}
[[maybe_unused]] static const bool kRoom =
    RegisterRoom(ROOM_PLAYER, {nullptr, ForgetPlayer, StartScript}) &&
    (InstallDialogAnswers(AnswerDialog), true);

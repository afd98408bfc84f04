// The clock and event processing: Timer, Delay, ProcessSystemEvents and the user-interface loop.
// Tests switch to a clock they drive, on which every poll of a wait costs exactly 1 ms.
#include "runtime.h"
#include "start.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

using Clock = std::chrono::steady_clock;
static const Clock::time_point g_start = Clock::now();
static bool g_testClock = false;
static long long g_testNow = 0;           // nanoseconds: exact, so 1500 polls make exactly 1.5 s
static QEventLoop *g_loop = nullptr;      // the running user-interface loop
static void (*g_atLoopStart)() = nullptr; // test hook: first thing the loop does
static bool g_quitPending = false;        // quit asked for before the loop started
static bool g_quitting = false;           // quit asked for: the program is ending
static bool g_drawOnly = false;           // inside ProcessDrawEvents
static bool g_idleWait = true;            // an idle ProcessSystemEvents waits for the next event
static int g_quitCode = 0;
static EventSource g_source = {}; // the serial ports, once their room is linked in

bool InstallEventSource(const EventSource &source) {
    g_source = source;
    return true;
}
static bool Pump() {
    return g_source.pump && g_source.pump();
}
static double NextDue() {
    return g_source.nextDue ? g_source.nextDue() : -1;
}
static bool InDirectRead() {
    return g_source.inDirectRead && g_source.inDirectRead();
}

double Timer() {
    if (g_testClock) return double(g_testNow) / 1e9;
    return std::chrono::duration<double>(Clock::now() - g_start).count();
}

void Delay(double seconds) {
    if (seconds <= 0) return;
    if (g_testClock) {
        g_testNow += std::llround(seconds * 1e9);
        return;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Test actions due at a test-clock time, run from event processing like any callback.
struct Due {
    long long at;
    void (*fn)();
};
static Due g_due[16];
static int g_nDue = 0;

void AtTestTime(double seconds, void (*fn)()) {
    if (g_nDue < 16) g_due[g_nDue++] = {std::llround(seconds * 1e9), fn};
}

// Deferred calls: run from event processing at its top, where a control callback could run too.
struct Deferred {
    DeferredCallbackPtr fn;
    void *data;
};
static Deferred g_deferred[32];
static int g_nDeferred = 0;
static bool g_inDeferred = false; // a deferred call runs: the others wait until it returns

static QTimer *DeferredTimer() {
    static QPointer<QTimer> t; // owned by the application object
    if (!t && QCoreApplication::instance()) {
        t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        QObject::connect(t, &QTimer::timeout, [] { plat::RunDeferredCalls(); });
    }
    return t;
}

int PostDeferredCall(DeferredCallbackPtr fn, void *callbackData) {
    if (!fn || g_nDeferred == int(std::size(g_deferred))) return -1;
    g_deferred[g_nDeferred++] = {fn, callbackData};
    if (QTimer *t = DeferredTimer()) t->start(0); // for the user-interface loop
    return 0;
}

bool plat::RunDeferredCalls() {
    if (g_nDeferred == 0 || g_inDeferred) return false;
    if (g_drawOnly || InDirectRead()) { // a direct wait: again soon after it
        if (QTimer *t = DeferredTimer(); t && !t->isActive()) t->start(5);
        return false;
    }
    g_inDeferred = true;
    while (g_nDeferred > 0) {
        Deferred d = g_deferred[0];
        std::copy(g_deferred + 1, g_deferred + g_nDeferred, g_deferred);
        g_nDeferred--;
        d.fn(d.data);
    }
    g_inDeferred = false;
    return true;
}

void plat::ForgetDeferredCalls() {
    g_nDeferred = 0;
}

static void RunDue() {
    for (int i = 0; i < g_nDue; i++) {
        if (g_due[i].at > g_testNow) continue;
        void (*fn)() = g_due[i].fn;
        g_due[i] = g_due[--g_nDue];
        fn();
        i = -1; // fn may have added or run others: look again from the start
    }
}

namespace plat {
bool InDrawEvents() {
    return g_drawOnly;
}
bool TestClockOn() {
    return g_testClock;
}
void TestClockPoll() {
    g_testNow += 1000000;
}
} // namespace plat

void UseTestClock(bool on) {
    if (on && !g_testClock) g_testNow = 0;
    g_nDue = 0;
    g_testClock = on;
}
void SetTestClock(double seconds) {
    g_testNow = std::llround(seconds * 1e9);
}
void AdvanceTestClock(double seconds) {
    g_testNow += std::llround(seconds * 1e9);
}

// Idle: waits in the toolkit's dispatcher, which operator input, repaints, timers and a real
// port's first byte wake at once, until shortly before the next reply the simulator completes,
// or LONGEST_WAIT so the caller's loop sees its time-outs. The last PRECISE_SPAN before a due
// reply is one sleep to its due time (on Linux with a microsecond of timer slack), because the
// dispatcher's timers run in whole milliseconds and late, and a reply is to be taken the moment
// it is complete. The rest of a frame a real port is receiving is slept through by the port
// (at most FRAME_WAIT, about a display frame, so input is never kept longer), since the
// dispatcher would wake for every byte. Each wake-up costs a context switch, so the loop wakes
// a few times per reply.
constexpr double PRECISE_SPAN = 0.003;
constexpr double WAKE_EARLY = 0.0025; // the dispatcher's timer fires up to a millisecond late
constexpr double LONGEST_WAIT = 0.05;
constexpr double FRAME_WAIT = 0.02;

static QTimer *WakeTimer() {
    static QPointer<QTimer> t; // owned by the application object; its timeout only wakes
    if (!t && QCoreApplication::instance()) {
        t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    return t;
}

// The wake-up timer is left running after a wait that something else ended, and kept for the
// next wait when it fires no later than that wait would, and not much sooner: restarting a timer
// registers it with the dispatcher anew, and the loop turns several times between two replies,
// but a timer kept from the wait before (the port's, ended by a reply's first byte) would wake
// the next wait long before its end for nothing.
static double g_wakeAt = -1; // Timer() time the running wake-up timer fires

static bool ArmWake(double wait) {
    QTimer *t = WakeTimer();
    if (!t) return false;
    double now = Timer();
    if (t->isActive() && g_wakeAt > now + wait / 2 && g_wakeAt <= now + wait) return true;
    int ms = std::max(1, int(wait * 1000));
    t->start(ms);
    g_wakeAt = now + ms / 1000.0;
    return true;
}

static void WaitPrecisely() {
    double due = NextDue() - Timer();
    if (due > 0) std::this_thread::sleep_for(std::chrono::duration<double>(due));
    while (NextDue() > Timer()) { // a sleep cut short
    }
}

static bool ReplyNear(double due) { // due: seconds to the next reply, below -1 if unknown
    return due > -1 && due < PRECISE_SPAN;
}

static void IdleWait(QAbstractEventDispatcher *d) {
    double due = NextDue() - Timer();
    if (ReplyNear(due)) {
        WaitPrecisely();
    } else if (!(g_source.wait && g_source.wait(FRAME_WAIT))) {
        double wait = due > 0 ? std::min(due - WAKE_EARLY, LONGEST_WAIT) : LONGEST_WAIT;
        if (!ArmWake(wait)) return;
        d->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (ReplyNear(NextDue() - Timer())) WaitPrecisely(); // woken for it: no turn between
    }
    Pump();
}

void ProcessSystemEvents() {
    QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance();
    if (!d) return;
    if (g_testClock) RunDue();
    bool busy = d->processEvents(QEventLoop::AllEvents);
    busy |= Pump();
    busy |= plat::RunDeferredCalls();
    if (g_testClock) {
        plat::TestClockPoll();
        Pump();
        return;
    }
    if (busy || !g_idleWait) return;
    IdleWait(d);
}

// Waits that read the port directly process no operator input, but the window still repaints and
// its close box still ends the program at once. Bytes stay queued for the direct read.
void ProcessDrawEvents() {
    QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance();
    if (!d || g_drawOnly) return;
    g_drawOnly = true;
    if (g_testClock) RunDue();
    d->processEvents(QEventLoop::ExcludeUserInputEvents);
    g_drawOnly = false;
}

int QuitPending() {
    return g_quitting ? 1 : 0;
}

int RunUserInterface() {
    if (g_quitPending) { // quit was asked for before the loop started
        g_quitPending = false;
        return g_quitCode;
    }
    QEventLoop loop;
    g_loop = &loop;
    if (g_atLoopStart) {
        QTimer::singleShot(0, g_atLoopStart);
        g_atLoopStart = nullptr;
    }
    if (g_source.arm) g_source.arm();
    plat::LoopStarts();
    int code = loop.exec();
    g_loop = nullptr;
    return code;
}

void QuitUserInterface(int code) {
    g_quitting = true;
    if (g_loop) {
        g_loop->exit(code);
    } else {
        g_quitPending = true;
        g_quitCode = code;
    }
}

void ResetQuitRequest() {
    g_quitPending = false;
    g_quitting = false;
}

void RunWhenLoopStarts(void (*fn)()) {
    g_atLoopStart = fn;
}

void RunAfter(double seconds, void (*fn)()) {
    QTimer::singleShot(int(seconds * 1000), fn);
}

void SetIdleWait(bool on) {
    g_idleWait = on;
}

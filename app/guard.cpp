// One exchange with the controller at a time. The program runs on one thread, but every wait
// processes events, so any callback can run inside a running exchange; this is the one rule.
#include "XVELZUK1V15.h"
#include "com232.h"

// While a loop or a reply wait runs (live loop, recording, parameter read, teach/reset/refresh,
// scan, send, start-up or port change), every control whose action would start another exchange,
// change the port or touch the record file is dimmed; it is free again exactly when the exchange
// ends. Stop and Stop Record are not on the list: they are how a running loop is ended.
namespace {
struct Guarded {
    int *panel;
    int control;
};
} // namespace

static const Guarded kGuarded[] = {
    {&panelHandle, DropDCom},         {&panelHandle, BTNSend},     {&panelHandle, BTNGet},
    {&panelHandle, ButtonTeach},      {&panelHandle, ButtonReset}, {&panelHandle, ButtonRefresh},
    {&panelHandle, BTNRun},           {&panelHandle, BTNData},     {&panelPopUp, BTNStartRecord},
    {&panelPopUp, RecordFileNameBtn}, {&panelHandle, BTNCompare},
};
constexpr int kGuardedCount = int(sizeof kGuarded / sizeof kGuarded[0]);

static int g_own[kGuardedCount]; // the dimmed state the commands themselves gave each control
static int g_running = 0;        // 1 while an exchange runs

static int IndexOf(int panel, int control) {
    for (int i = 0; i < kGuardedCount; i++)
        if (*kGuarded[i].panel == panel && kGuarded[i].control == control) return i;
    return -1;
}

static void Apply(int i) {
    SetCtrlAttribute(*kGuarded[i].panel, kGuarded[i].control, ATTR_DIMMED, g_own[i] || g_running);
}

void DimControl(int panel, int control, int dimmed) {
    int i = IndexOf(panel, control);
    if (i < 0) {
        SetCtrlAttribute(panel, control, ATTR_DIMMED, dimmed);
        return;
    }
    g_own[i] = dimmed != 0;
    Apply(i);
}

int BeginExchange() {
    if (g_running || QuitPending()) {
        // Reached only past the dimming (a keyboard shortcut, a script): refused, nothing sent.
        if (g_running)
            SetCtrlVal(panelHandle, TXTStatus, "Busy - wait until the running command ends!");
        return 0;
    }
    g_running = 1;
    for (int i = 0; i < kGuardedCount; i++)
        Apply(i);
    ClearOutcome(); // the last command's outcome stays until the next one begins
    return 1;
}

void EndExchange() {
    g_running = 0;
    for (int i = 0; i < kGuardedCount; i++)
        Apply(i);
    HotplugExchangeEnded();
}

int ExchangeRunning() {
    return g_running;
}

void ResetGuard() {
    g_running = 0;
    for (int &own : g_own)
        own = 0;
}

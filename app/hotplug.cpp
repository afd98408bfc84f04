// Automatic reconnect: when the chosen port's device vanishes and the same device comes back
// (the port table gives it its old COM number), the port starts up again as if picked anew.
#include "XVELZUK1V15.h"
#include "com232.h"

static int g_lost = 0; // COM number whose device vanished while it was the chosen port, 0 none
static int g_due = 0;  // 1: that device is back, the reconnect waits for the running exchange

// Runs from event processing. A live loop or recording on the lost port has ended by its own
// time-out or is still running into it; the reconnect waits and restarts neither.
static void Reconnect(void *) {
    if (!g_due || QuitPending() || ExchangeRunning()) return; // the end of the exchange retries
    g_due = 0;
    if (com != g_lost || GetInQLen(com) >= 0) { // the operator chose another port, or it is open
        g_lost = 0;
        return;
    }
    char device[256] = "";
    GetPortDeviceName(com, device, int(sizeof device));
    DebugPrintf("COM%d: %s is back, reconnecting", com, device);
    BeginExchange();
    OpenComPort(com);
    if (GetInQLen(com) >= 0) g_lost = 0; // not opened: the next return tries again
    EndExchange();
}

static void OnPortEvent(int port, int event) {
    if (event == PORT_REMOVED && port == com) {
        g_lost = port;
        g_due = 0;
        SayOutcome("COM%d closed: its device is gone. It reconnects when the device returns.",
                   port);
    } else if (event == PORT_ARRIVED && port == g_lost) {
        g_due = 1;
        if (ExchangeRunning())
            DebugPrintf("COM%d: device back, reconnecting once the running command ends", port);
        Reconnect(nullptr);
    }
}

void StartHotplug() {
    g_lost = g_due = 0;
    InstallPortCallback(OnPortEvent);
}

void HotplugExchangeEnded() {
    if (g_due) PostDeferredCall(Reconnect, nullptr); // not inside the callback that ends
}

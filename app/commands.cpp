// Teach, Reset and Refresh: one order to the controller with parameter set I as the panel
// shows it; when the controller answers, set I is read back from its RAM.
#include "XVELZUK1V15.h"
#include "com232.h"

static void RunOrder(int code, bool teach) {
    if (!BeginExchange()) return;
    AwaitQuietLine(com, Timer()); // the rest of an earlier reply must not pass for the answer
    FlushOutQ(com);
    order = code;
    GetPanelValues();
    CopyVarsToPP(0);
    FillTxBuf(order, pp);
    rx_flag = 0;
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
    if (nBytesW == FRAMELEN) SetCtrlVal(panelHandle, TXTStatus, "Line Ok!");
    if (teach) SetCtrlVal(panelHandle, TXTStatus, "New setpoint value teached!");
    bool answered = false;
    tstart = Timer();
    do {
        if (rx_flag == 1) { // the answer itself is not used, only its arrival
            answered = true;
            PushGET(RAM, 0); // leaves its own wait time in tdiff
            break;
        }
        tdiff = Timer() - tstart; // measured before the turn's events: a late answer is late
        ProcessSystemEvents();
    } while (tdiff < TIMEOUT && !QuitPending());
    if (QuitPending()) { // the main panel was closed: the program ends without a verdict
        EndExchange();
        return;
    }
    // No answer is a time-out even when the clock stopped at exactly 1.5 s.
    if (!answered || tdiff > TIMEOUT) SetCtrlVal(panelHandle, TXTStatus, "Timeout RS-232!!");
    EndExchange();
}

int CC_ButtonTeach(int, int, int event, void *, int, int) {
    if (event == EVENT_LEFT_CLICK)
        SetCtrlVal(panelHandle, TXTStatus, "Teach new Reference-Value ...");
    if (event == EVENT_COMMIT) RunOrder(ORDER_TEACH, true);
    return 0;
}

int CC_ButtonReset(int, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT) RunOrder(ORDER_RESET, false);
    return 0;
}

int CC_ButtonRefresh(int, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT) RunOrder(ORDER_REFRESH, false);
    return 0;
}

// Parameter transfer: reads one parameter set from the controller's RAM or EEPROM into the
// parameter variables, or into a copy of the caller's, through the receive handler and the reply
// wait.
#include "com232.h"
#include "serial.h"

void (*pfnSetPanelValues)() = nullptr;

// Asks for set 0/1 of RAM or EEPROM with the words of the variables' frame, as the controller
// has always been asked; 1 when its reply is decoded into pp, 0 when none came.
static int RequestSet(int from, uint16_t set) {
    order = from == EEPROM ? ORDER_READ_EEPROM : ORDER_READ_RAM;
    CopyVarsToPP(set);
    AwaitQuietLine(com, Timer()); // the rest of an earlier reply must not start the answer
    FlushOutQ(com);
    FillTxBuf(order, pp);
    rx_flag = 0;
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
    if (nBytesW == FRAMELEN) ShowStatusText("Waiting for parameter-frame ...");
    WaitRxFull();
    if (rx_flag != 1) return 0;
    GetRxBuf(PNUM); // the same decode the receive handler made
    return 1;
}

void PushGET(int from, uint16_t set) {
    if (from == DATFILE) return; // parameter files are read by the callers
    if (RequestSet(from, set)) {
        CopyPPtoVars(set);
        ShowStatusText("Parameter-frame received! - Line Ok!");
    } else if (!QuitPending()) {
        SayOutcome("No answer within %.1f s: parameter set %s was not read from %s", TIMEOUT,
                   set ? "II" : "I", from == EEPROM ? "EEPROM" : "RAM");
    }
}

int ReadSetCopy(int from, uint16_t set, uint16_t *words) {
    if (from == DATFILE || !RequestSet(from, set)) return 0;
    for (int i = 0; i < PNUM; i++)
        words[i] = pp[i];
    return 1;
}

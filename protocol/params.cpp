// Parameter transfer: reads one parameter set from the controller's RAM or EEPROM into the
// parameter variables, through the receive handler and the common reply wait.
#include "com232.h"
#include "serial.h"

void (*pfnSetPanelValues)() = nullptr;

void PushGET(int from, uint16_t set) {
    if (from == DATFILE) return; // parameter files are read by the callers
    order = from == EEPROM ? ORDER_READ_EEPROM : ORDER_READ_RAM;
    CopyVarsToPP(set);
    AwaitQuietLine(com, Timer()); // the rest of an earlier reply must not start the answer
    FlushOutQ(com);
    FillTxBuf(order, pp);
    rx_flag = 0;
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
    if (nBytesW == FRAMELEN) ShowStatusText("Waiting for parameter-frame ...");
    WaitRxFull();
    if (rx_flag == 1) {
        GetRxBuf(PNUM); // the same decode the receive handler made
        CopyPPtoVars(set);
        ShowStatusText("Parameter-frame received! - Line Ok!");
    } else if (!QuitPending()) {
        SayOutcome("No answer within %.1f s: parameter set %s was not read from %s", TIMEOUT,
                   set ? "II" : "I", from == EEPROM ? "EEPROM" : "RAM");
    }
}

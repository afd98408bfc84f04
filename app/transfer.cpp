// Storage target buttons and the Send and Get commands: both parameter sets to and from the
// controller's RAM or EEPROM, or a parameter file.
#include "XVELZUK1V15.h"
#include "com232.h"

static const int kTargetButtons[] = {RBTRam, RBTEeprom, RBTFile};

// Exactly one target button stays on: switching one on switches the others off, switching one
// off falls back to RAM.
static void ChooseTarget(int panel, int control, int event, int chosen) {
    if (event != EVENT_VAL_CHANGED) return;
    int on = 0;
    GetCtrlVal(panel, control, on);
    if (on) {
        SetCtrlVal(panel, control, 1);
        target = chosen;
        for (int b : kTargetButtons)
            if (b != control) SetCtrlVal(panel, b, 0);
    } else {
        target = RAM;
        SetCtrlVal(panel, RBTRam, 1);
    }
}

int CC_RBTRam(int panel, int control, int event, void *, int, int) {
    ChooseTarget(panel, control, event, RAM);
    return 0;
}

int CC_RBTEeprom(int panel, int control, int event, void *, int, int) {
    ChooseTarget(panel, control, event, EEPROM);
    return 0;
}

int CC_RBTFile(int panel, int control, int event, void *, int, int) {
    ChooseTarget(panel, control, event, DATFILE);
    return 0;
}

static void SendSet(uint16_t set, const char *done) {
    CopyVarsToPP(set);
    FillTxBuf(order, pp);
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
    if (nBytesW == FRAMELEN) {
        SetCtrlVal(panelHandle, TXTStatus, done);
        KnowSentSet(set);
        return;
    }
    SayOutcome("Parameter set %s not sent: the port took %d of %d bytes (%s)", set ? "II" : "I",
               nBytesW < 0 ? 0 : nBytesW, FRAMELEN,
               nBytesW < 0 ? ComErrorText(nBytesW) : "write cut short");
}

// Acts when the mouse button goes down; a keyboard commit does nothing.
int CC_BTNSend(int, int, int event, void *, int, int) {
    if (event != EVENT_LEFT_CLICK || !BeginExchange()) return 0;
    SetCtrlVal(panelHandle, TXTStatus, "Transmit...");
    int verify = 0;
    if (target == DATFILE) {
        if (FileSelectPopup(proj_dir, "ZUK1para.cfg", "*.cfg", "X-VEL-ZUK1 Parameter File",
                            VAL_OK_BUTTON, 0, 1, 1, 1, file_name) > 0) {
            fileChosen = 1;
            SendParaToFile();
        } else
            SayOutcome("No file chosen: nothing saved");
    } else {
        sync = 0x55;
        order = target == EEPROM ? ORDER_STORE_EEPROM : ORDER_STORE_RAM;
        GetPanelValues();
        SendSet(0, "Transmit para1 Ok!");
        Delay(0.1); // the controller stores set I before it takes set II
        SendSet(1, "Transmit para Ok!");
        if (GetCtrlVal(panelHandle, BINSWVerify, verify) == 0 && verify) VerifySend(target);
    }
    EndExchange();
    return 0;
}

int CC_BTNGet(int, int, int event, void *, int, int) {
    if (event == EVENT_LEFT_CLICK) SetCtrlVal(panelHandle, TXTStatus, "Receive...");
    if (event != EVENT_COMMIT || !BeginExchange()) return 0;
    const int from = target; // both sets from the memory chosen when Get was pressed
    if (from == DATFILE) {
        ReadParaFromFile();
    } else {
        PushGET(from, 0);
        if (!QuitPending()) PushGET(from, 1);
    }
    SetPanelValues();
    EndExchange();
    return 0;
}

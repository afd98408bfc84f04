// Callbacks of the application shell: the close boxes of both panels, the second-panel toggle
// and the COM-port ring with the port change it starts; and the table that binds every control
// to its callback.
#include "XVELZUK1V15.h"
#include "com232.h"

int CC_PANEL(int, int, int event, void *, int, int) {
    if (event == EVENT_CLOSE) {
        stop_flag = 1; // a running live loop or recording ends at its next turn
        CloseCom(com); // and every wait on the port with it
        QuitUserInterface(0);
    }
    return 0;
}

int CC_POPUP(int, int, int event, void *, int, int) {
    if (event == EVENT_CLOSE) {
        HidePanel(panelPopUp);
        SetCtrlVal(panelHandle, TOGBTNparaII, 0); // raises no callback, so the panel stays hidden
    }
    return 0;
}

int CC_TOGBTNparaII(int panel, int control, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    int on = 0;
    GetCtrlVal(panel, control, on);
    if (on)
        DisplayPanel(panelPopUp);
    else
        HidePanel(panelPopUp);
    return 0;
}

void OpenComPort(int port) {
    CloseCom(com);
    com = port;
    SetCtrlVal(panelHandle, TXTStatus, "Init COM-Port ...");
    InitRS232(com);
}

int CC_DropDCom(int panel, int control, int event, void *, int, int) {
    if ((event != EVENT_COMMIT && event != EVENT_VAL_CHANGED) || !BeginExchange()) return 0;
    int port = com;
    GetCtrlVal(panel, control, port);
    OpenComPort(port);
    EndExchange();
    return 0;
}

const CallbackBinding kControlCallbacks[] = {
    {DropDCom, CC_DropDCom},
    {TOGBTNparaII, CC_TOGBTNparaII},
    {RBTRam, CC_RBTRam},
    {RBTEeprom, CC_RBTEeprom},
    {RBTFile, CC_RBTFile},
    {BTNSend, CC_BTNSend},
    {BTNGet, CC_BTNGet},
    {BTNCompare, CC_BTNCompare},
    {ButtonTeach, CC_ButtonTeach},
    {ButtonReset, CC_ButtonReset},
    {ButtonRefresh, CC_ButtonRefresh},
    {DROP_EvalMode, CC_DROP_EvalMode},
    {DropTrigmode, CC_DropTrigmode},
    {NEDITpowerA, CC_ParamEdit},
    {NEDITpowerB, CC_ParamEdit},
    {NEDITrefA, CC_ParamEdit},
    {NEDITrefB, CC_ParamEdit},
    {NEDITtolA, CC_ParamEdit},
    {NEDITtolB, CC_ParamEdit},
    {NEDIThysteresis, CC_ParamEdit},
    {NEDIThwmode, CC_ParamEdit},
    {NEDITmaxmode, CC_ParamEdit},
    {NEDITaverage, CC_ParamEdit},
    {NEDITpolarity, CC_ParamEdit},
    {NEDIThold, CC_ParamEdit},
    {NEDITtriglvlA, CC_ParamEdit},
    {NEDITtriglvlB, CC_ParamEdit},
    {NEDITsdelay, CC_ParamEdit},
    {RNGoutmode, CC_ParamEdit},
    {RNGanamode, CC_ParamEdit},
    {BINSWpower, CC_BINSWpower},
    {RNGGraphSource, CC_RNGGraphSource},
    {BTNRun, CC_BTNRun},
    {BTNStop, CC_BTNStop},
    {BTNData, CC_BTNData},
    {BTNStartRecord, CC_BTNStartRecord},
    {BTNStopRecord, CC_BTNStopRecord},
    {NEDITRecTime, CC_NEDITRecTime},
    {NEDITRecSamples, CC_NEDITRecSamples},
    {RecordFileNameBtn, CC_RecordFileNameBtn},
    {GRAPHData, CC_GRAPHData},
    {BTNViewRecord, CC_BTNViewRecord},
};
const int kControlCallbackCount = int(sizeof kControlCallbacks / sizeof kControlCallbacks[0]);

const CallbackBinding kPanelCallbacks[] = {
    {PANEL, CC_PANEL},
    {POPUP, CC_POPUP},
};
const int kPanelCallbackCount = int(sizeof kPanelCallbacks / sizeof kPanelCallbacks[0]);

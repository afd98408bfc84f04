// Mode-dependent controls: the coupled evaluation- and trigger-mode rings, the power switch, the
// graph-source ring, and the edit marks of the parameter controls. None talks to the controller.
#include "XVELZUK1V15.h"
#include "com232.h"

int type = 1;

// Evaluation "TRIG-B -> EVAL-A" (2) belongs with trigger "TRIG-CHB -> EVAL-CHA" (2). Values set
// by the program raise no callback, so the coupling runs one step and never bounces.
int CC_DROP_EvalMode(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    uint16_t e = 0, t = 0;
    GetCtrlVal(panelPopUp, DROP_EvalMode, e);
    GetCtrlVal(panelPopUp, DropTrigmode, t);
    if (e == 2)
        SetCtrlVal(panelPopUp, DropTrigmode, 2);
    else if (t == 2)
        SetCtrlVal(panelPopUp, DropTrigmode, 0);
    ApplyEvalModeStates(e);
    UpdateEditMarks(); // after the coupling, which may have changed the trigger mode too
    return 0;
}

int CC_DropTrigmode(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    uint16_t t = 0, e = 0;
    GetCtrlVal(panelPopUp, DropTrigmode, t);
    GetCtrlVal(panelPopUp, DROP_EvalMode, e);
    if (t == 2)
        SetCtrlVal(panelPopUp, DROP_EvalMode, 2);
    else if (e == 2)
        SetCtrlVal(panelPopUp, DROP_EvalMode, 0);
    UpdateEditMarks(); // after the coupling, which may have changed the evaluation mode too
    return 0;
}

// Every value change of a parameter control ends in a commit, also a script's "set".
int CC_ParamEdit(int, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT) UpdateEditMarks();
    return 0;
}

int CC_BINSWpower(int panel, int control, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    uint16_t channelA = 0;
    GetCtrlVal(panel, control, channelA);
    SetCtrlAttribute(panelHandle, channelA == 1 ? NEDITpowerB : NEDITpowerA, ATTR_VISIBLE, 0);
    SetCtrlAttribute(panelHandle, channelA == 1 ? NEDITpowerA : NEDITpowerB, ATTR_VISIBLE, 1);
    return 0;
}

void ShowGraphSource(int source) {
    bool raw = source == 0 || source == 1;
    SetCtrlAttribute(panelHandle, STRIPRAW, ATTR_VISIBLE, raw);
    SetCtrlAttribute(panelHandle, STRIPNORM, ATTR_VISIBLE, !raw);
}

int CC_RNGGraphSource(int panel, int control, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int source = 0;
    GetCtrlVal(panel, control, source);
    ShowGraphSource(source);
    type = (source == 0 || source == 1) ? 0 : 1;
    return 0;
}

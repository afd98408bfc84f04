// Binding between the parameter variables and their controls on both panels, with the mode
// boxes that spell out the modes and the control states of the difference evaluation.
#include "com232.h"
#include "gui.h"

char proj_dir[MAX_PATHNAME_LEN];
char file_name[MAX_PATHNAME_LEN];
int fileChosen;
char recfile_name[MAX_PATHNAME_LEN];

// In the order the panels are read: the main panel first, then the second panel.
const ParamBinding kBindings[SETTINGS_COUNT] = {
    {&panelHandle, NEDITpowerA, &powerA},
    {&panelHandle, NEDITpowerB, &powerB},
    {&panelHandle, NEDITrefA, &refA},
    {&panelHandle, NEDITrefB, &refB},
    {&panelHandle, NEDITtolA, &tolA},
    {&panelHandle, NEDITtolB, &tolB},
    {&panelHandle, NEDIThysteresis, &hysteresis},
    {&panelHandle, NEDIThwmode, &hwmode},
    {&panelPopUp, NEDITmaxmode, &maxmode},
    {&panelPopUp, NEDITaverage, &average},
    {&panelPopUp, NEDITpolarity, &polarity},
    {&panelPopUp, NEDIThold, &hold},
    {&panelPopUp, DROP_EvalMode, &evalmode},
    {&panelPopUp, NEDITtriglvlA, &triglvlA},
    {&panelPopUp, NEDITtriglvlB, &triglvlB},
    {&panelPopUp, DropTrigmode, &trigmode},
    {&panelPopUp, NEDITsdelay, &sdelay},
    {&panelPopUp, RNGoutmode, &outmode},
    {&panelPopUp, RNGanamode, &anamode},
};

void ShowModeTexts() {
    ReplaceTextBoxLine(panelHandle, TXTTrigMode, 0, TrigModeText(trigmode));
    ReplaceTextBoxLine(panelHandle, TXTEvalMode, 0, EvalModeText(evalmode));
    ReplaceTextBoxLine(panelHandle, TXTAnaMode, 0, AnaModeText(anamode));
    ReplaceTextBoxLine(panelHandle, TXTOutMode, 0, OutModeText(outmode));
}

void ApplyEvalModeStates(uint16_t e) {
    bool diff = e == 3; // one reference and one tolerance, those of channel A, for A - B
    SetCtrlAttribute(panelHandle, NEDITrefB, ATTR_DIMMED, diff);
    SetCtrlAttribute(panelHandle, NEDITtolB, ATTR_DIMMED, diff);
    SetCtrlAttribute(panelHandle, NEDITrefA, ATTR_LABEL_TEXT,
                     diff ? "REFERENCE-DIFF" : "REFERENCE-CHA");
    SetCtrlAttribute(panelHandle, NEDITtolA, ATTR_LABEL_TEXT,
                     diff ? "TOLERANCE-DIFF" : "TOLERANCE-CHA");
    SetCtrlAttribute(panelHandle, NUMDIFF, ATTR_VISIBLE, diff);
}

void GetPanelValues() {
    for (const ParamBinding &b : kBindings)
        GetCtrlVal(*b.panel, b.control, *b.variable);
    ShowModeTexts();
}

void GetPanelSettings(Settings *out) {
    for (int i = 0; i < SETTINGS_COUNT; i++) {
        uint16_t v = 0;
        GetCtrlVal(*kBindings[i].panel, kBindings[i].control, v);
        out->value[i] = v;
    }
}

void SetPanelValues() {
    for (const ParamBinding &b : kBindings)
        SetCtrlVal(*b.panel, b.control, int(*b.variable));
    ApplyEvalModeStates(evalmode);
    ShowModeTexts();
    KnowPanelValues();
}

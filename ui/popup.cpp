// Recorder display on the second panel: total recording time and the recorder status box.
// The recording itself is a callback of the main module.
#include "popup.h"
#include "com232.h"
#include "gui.h"

void CalcRecTime() {
    uint16_t interval = 0, lines = 0;
    GetCtrlVal(panelPopUp, NEDITRecTime, interval);
    GetCtrlVal(panelPopUp, NEDITRecSamples, lines);
    SetCtrlVal(panelPopUp, NUMSampleCount, 0);
    uint32_t t = uint32_t(interval) * lines; // at most 65535 x 65535: fits 32 bits
    uint32_t days = t / 86400;
    t -= 86400 * days;
    uint32_t hours = t / 3600;
    t -= 3600 * hours;
    uint32_t minutes = t / 60;
    t -= 60 * minutes;
    SetCtrlVal(panelPopUp, NUMDays, int(uint16_t(days)));
    SetCtrlVal(panelPopUp, NUMHours, int(hours));
    SetCtrlVal(panelPopUp, NUMMinutes, int(minutes));
    SetCtrlVal(panelPopUp, NUMSeconds, int(t));
}

void ShowRecorderState(bool active) {
    ResetTextBox(panelPopUp, TXTRecStatus, active ? "DATA-RECORDER active ..." : "DATA-RECORDER");
    SetCtrlAttribute(panelPopUp, TXTRecStatus, ATTR_TEXT_BGCOLOR, active ? 0xFF0000 : 0xE0E0E0);
    SetCtrlAttribute(panelPopUp, TXTRecStatus, ATTR_TEXT_COLOR, active ? 0xFFFFFF : 0x000000);
}

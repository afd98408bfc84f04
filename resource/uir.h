// Identifiers of the two panels of the "XVELZUK1V15.uir" resource and of every control on them.
// Each identifier is spelled exactly like the widget's object name in the panel's .ui file.
#pragma once

#include "panels.h"

// Resource numbers handed to LoadPanel.
constexpr int PANEL = 1; // main panel
constexpr int POPUP = 2; // second panel (parameters II and data recorder)

// The resource table: X(panel, identifier, kind). The application binds callbacks to these
// identifiers; the panels find each widget by its object name.
#define UIR_CONTROLS(X)                                                                            \
    X(PANEL, DECOBanner, KIND_DECO)                                                                \
    X(PANEL, PICLogo, KIND_PICTURE)                                                                \
    X(PANEL, DropDCom, KIND_RING)                                                                  \
    X(PANEL, TXTStatus, KIND_STRING)                                                               \
    X(PANEL, TXTPortHint, KIND_STRING)                                                             \
    X(PANEL, TOGBTNparaII, KIND_TOGGLE)                                                            \
    X(PANEL, BINSWpower, KIND_SWITCH)                                                              \
    X(PANEL, NEDITpowerA, KIND_NUMERIC)                                                            \
    X(PANEL, NEDITpowerB, KIND_NUMERIC)                                                            \
    X(PANEL, NEDITrefA, KIND_NUMERIC)                                                              \
    X(PANEL, NEDITrefB, KIND_NUMERIC)                                                              \
    X(PANEL, NEDITtolA, KIND_NUMERIC)                                                              \
    X(PANEL, NEDITtolB, KIND_NUMERIC)                                                              \
    X(PANEL, NEDIThysteresis, KIND_NUMERIC)                                                        \
    X(PANEL, NEDIThwmode, KIND_NUMERIC)                                                            \
    X(PANEL, NUMDIFF, KIND_INDICATOR)                                                              \
    X(PANEL, TXTTrigMode, KIND_TEXTBOX)                                                            \
    X(PANEL, TXTEvalMode, KIND_TEXTBOX)                                                            \
    X(PANEL, TXTAnaMode, KIND_TEXTBOX)                                                             \
    X(PANEL, TXTOutMode, KIND_TEXTBOX)                                                             \
    X(PANEL, RNGGraphSource, KIND_RING)                                                            \
    X(PANEL, STRIPRAW, KIND_STRIP)                                                                 \
    X(PANEL, STRIPNORM, KIND_STRIP)                                                                \
    X(PANEL, GRAPHData, KIND_GRAPH)                                                                \
    X(PANEL, ButtonTeach, KIND_COMMAND)                                                            \
    X(PANEL, ButtonReset, KIND_COMMAND)                                                            \
    X(PANEL, ButtonRefresh, KIND_COMMAND)                                                          \
    X(PANEL, RBTRam, KIND_RADIO)                                                                   \
    X(PANEL, RBTEeprom, KIND_RADIO)                                                                \
    X(PANEL, RBTFile, KIND_RADIO)                                                                  \
    X(PANEL, BTNSend, KIND_COMMAND)                                                                \
    X(PANEL, BTNGet, KIND_COMMAND)                                                                 \
    X(PANEL, BTNCompare, KIND_COMMAND)                                                             \
    X(PANEL, BINSWVerify, KIND_SWITCH)                                                             \
    X(PANEL, BTNRun, KIND_COMMAND)                                                                 \
    X(PANEL, BTNStop, KIND_COMMAND)                                                                \
    X(PANEL, BTNData, KIND_COMMAND)                                                                \
    X(PANEL, NUMvalA, KIND_INDICATOR)                                                              \
    X(PANEL, NUMvalB, KIND_INDICATOR)                                                              \
    X(PANEL, NUMadcA, KIND_INDICATOR)                                                              \
    X(PANEL, NUMadcB, KIND_INDICATOR)                                                              \
    X(PANEL, NUMAmax, KIND_INDICATOR)                                                              \
    X(PANEL, NUMBmax, KIND_INDICATOR)                                                              \
    X(PANEL, NUMMAXvalA, KIND_INDICATOR)                                                           \
    X(PANEL, NUMMINvalA, KIND_INDICATOR)                                                           \
    X(PANEL, NUMMAXvalB, KIND_INDICATOR)                                                           \
    X(PANEL, NUMMINvalB, KIND_INDICATOR)                                                           \
    X(PANEL, LEDIn0, KIND_LED)                                                                     \
    X(PANEL, LEDIn1, KIND_LED)                                                                     \
    X(POPUP, DropTrigmode, KIND_RING)                                                              \
    X(POPUP, DROP_EvalMode, KIND_RING)                                                             \
    X(POPUP, RNGoutmode, KIND_RING)                                                                \
    X(POPUP, RNGanamode, KIND_RING)                                                                \
    X(POPUP, NEDITmaxmode, KIND_NUMERIC)                                                           \
    X(POPUP, NEDITaverage, KIND_NUMERIC)                                                           \
    X(POPUP, NEDITpolarity, KIND_NUMERIC)                                                          \
    X(POPUP, NEDIThold, KIND_NUMERIC)                                                              \
    X(POPUP, NEDITtriglvlA, KIND_NUMERIC)                                                          \
    X(POPUP, NEDITtriglvlB, KIND_NUMERIC)                                                          \
    X(POPUP, NEDITsdelay, KIND_NUMERIC)                                                            \
    X(POPUP, NEDITRecTime, KIND_NUMERIC)                                                           \
    X(POPUP, NEDITRecSamples, KIND_NUMERIC)                                                        \
    X(POPUP, NUMDays, KIND_INDICATOR)                                                              \
    X(POPUP, NUMHours, KIND_INDICATOR)                                                             \
    X(POPUP, NUMMinutes, KIND_INDICATOR)                                                           \
    X(POPUP, NUMSeconds, KIND_INDICATOR)                                                           \
    X(POPUP, NUMSampleCount, KIND_INDICATOR)                                                       \
    X(POPUP, RecordFileNameBtn, KIND_COMMAND)                                                      \
    X(POPUP, TXTRecFile, KIND_STRING)                                                              \
    X(POPUP, BTNViewRecord, KIND_COMMAND)                                                          \
    X(POPUP, BTNStartRecord, KIND_COMMAND)                                                         \
    X(POPUP, BTNStopRecord, KIND_COMMAND)                                                          \
    X(POPUP, TXTRecStatus, KIND_TEXTBOX)

// Control identifiers, unique across both panels.
enum CtrlId : int {
    CTRL_NONE = 0,
#define UIR_ENUM(panel, name, kind) name,
    UIR_CONTROLS(UIR_ENUM)
#undef UIR_ENUM
        CTRL_COUNT
};

void InstallProgramResource(); // the forms and this table, for LoadPanel("XVELZUK1V15.uir", ...)

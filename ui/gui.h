// The panel side of the parameters: binding between the 19 parameter variables and their
// controls, the mode texts and evaluation-mode states, the parameter file and the edit marks.
#pragma once

#include "com232.h"
#include "panels.h"
#include "serial.h"
#include "settings.h"
#include "uir.h"

#include <cstdint>

extern int panelHandle; // main panel, which carries the status line
extern int panelPopUp;  // second panel

extern char proj_dir[MAX_PATHNAME_LEN];  // the operator's files: record file, dialogs
extern char file_name[MAX_PATHNAME_LEN]; // path of the last parameter file chosen
extern int fileChosen; // 1 once the operator chose a parameter file in a dialog this run
extern char recfile_name[MAX_PATHNAME_LEN]; // path of the record file

constexpr int PARA_FILE_VALUES = 32; // numbers in a parameter file: set I frame, set II frame

void GetPanelValues();                // controls -> the 19 variables, then the four mode boxes
void GetPanelSettings(Settings *out); // the 19 controls' values, the variables untouched
void SetPanelValues(); // variables -> controls, evaluation-mode states, the four mode boxes
void ShowModeTexts();  // the four mode boxes from trigmode, evalmode, anamode, outmode
void ApplyEvalModeStates(uint16_t e); // mode 3: B numerics dimmed, A relabelled, DIFF shown

// ---- Chart histories ------------------------------------------------------------------------

constexpr int HISTORY_SAMPLES = 100; // samples kept per strip chart
constexpr int RAW_TRACES = 2;        // RAW chart: channel A, channel B
constexpr int NORM_TRACES = 6;       // upper, lower, reference, 2 markers, value
constexpr int RAW_HISTORY = HISTORY_SAMPLES * RAW_TRACES;   // 200 doubles
constexpr int NORM_HISTORY = HISTORY_SAMPLES * NORM_TRACES; // 600 doubles
constexpr int ERR_COUNT = -20003;                           // Copy1D / Shift: count below 1
constexpr int ERR_SHIFT = -20102;                           // Shift: |k| not below the count

extern double arrayRAW[RAW_HISTORY];   // RAW history, sample-interleaved, oldest first
extern double arrayNORM[NORM_HISTORY]; // NORM history, sample-interleaved, oldest first

int Copy1D(const double *x, int n, double *y);       // y[0..n-1] = x[0..n-1]; 0 or ERR_COUNT
int Shift(const double *x, int n, int k, double *y); // y = x moved by k places, 0-filled
void FillarrayRAW(int a, int b);                     // every RAW sample := (a, b)
void FillarrayNORM(int tol, int ref, int value);     // every NORM sample := band, ref, value

// ---- Live values ----------------------------------------------------------------------------

extern int32_t valNORMA, valNORMB; // normalised value of channel A / B, 1000 = the maximum
extern uint16_t adcCHA, adcCHB;    // raw ADC value of channel A / B
extern uint16_t Amax, Bmax;        // normalisation maximum of channel A / B
extern uint16_t MAXvalA, MAXvalB;  // maximum value of channel A / B
extern uint16_t MINvalA, MINvalB;  // minimum value of channel A / B
extern uint16_t tolval;            // tolerance as the controller reports it
extern uint16_t btnval;            // stored only
extern uint16_t inputs;            // digital inputs: bit 0 and bit 1
extern uint16_t valDIFF;           // difference value (evaluation mode 3)
extern uint16_t indexA, indexB;    // scan index of channel A / B, 1..128
extern int32_t upTHR, loTHR;       // band of the NORM chart: at most 1000 / at least 1
extern uint16_t valREF;            // reference of the channel shown
extern int32_t valNORM;            // value trace of the NORM chart

void DecodeLive();    // pp (a live reply) -> the live values, indices limited to 1..128
void PlotRAWValues(); // decode, append to arrayRAW, replot RAW chart, indicators, LEDs
void PlotNORMValues(double *history); // decode, band, append, replot NORM chart, indicators

// ---- Scan graph -------------------------------------------------------------------------------

extern uint16_t xArray[SCAN_WORDS];   // x of every scan curve: entry i holds i
extern uint16_t yArrayN[SCAN_WORDS];  // spare normalised scan, all 0
extern uint16_t upArray[SCAN_WORDS];  // upper limit curve, constant over entries 0..127
extern uint16_t loArray[SCAN_WORDS];  // lower limit curve
extern uint16_t refArray[SCAN_WORDS]; // reference curve

void PlotDATACurve(const uint16_t *yA, const uint16_t *yB, const uint16_t *up, const uint16_t *lo,
                   const uint16_t *ref); // by the graph-source ring's view

void SendParaToFile();   // both sets, as the panels show them, into file_name
void ReadParaFromFile(); // load dialog, then both sets from the chosen file (all or nothing)

// ---- Edits not yet sent -----------------------------------------------------------------------

struct ParamBinding { // a parameter variable and the control that shows it
    int *panel;
    int control;
    uint16_t *variable;
};
extern const ParamBinding kBindings[SETTINGS_COUNT]; // in the order of kSettings

constexpr int EDIT_MARK_COLOR = 0xFFE4A8; // pale amber behind a parameter control edited, unsent
// SetPanelValues also makes what the panels then show the known values: no control is marked.
void KnowPanelValues();    // the 19 controls' values become the known ones, then the marks
void KnowSentSet(int set); // set 0 (I) or 1 (II) as its variables hold it becomes known, then
                           // the marks; after that set went out whole (controller or file)
void UpdateEditMarks();    // a control is marked iff its value differs from the known one
int EditMarked(int panel, int control); // 1 marked, 0 not, -1 not one of the 19 controls

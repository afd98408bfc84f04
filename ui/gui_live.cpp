// Live value evaluation: decodes a live reply into its named values, appends a sample to the
// RAW or NORM chart history and replots it, and refreshes the indicators and input LEDs.
#include "com232.h"
#include "gui.h"
#include "palette.h"
#include "probes.h"

int32_t valNORMA, valNORMB;
uint16_t adcCHA, adcCHB, Amax, Bmax, MAXvalA, MAXvalB, MINvalA, MINvalB;
uint16_t tolval, btnval, inputs, valDIFF, indexA, indexB;
int32_t upTHR, loTHR;
uint16_t valREF;
int32_t valNORM;

constexpr int MARKER_IDLE = 1005; // marker level just above the band's upper limit of 1000

void DecodeLive() {
    CpuSpan span(CPU_DECODE);
    valNORMA = pp[0]; // widened without sign extension
    valNORMB = pp[1];
    adcCHA = pp[2];
    adcCHB = pp[3];
    Amax = pp[4];
    Bmax = pp[5];
    MAXvalA = pp[6];
    MAXvalB = pp[7];
    MINvalA = pp[8];
    MINvalB = pp[9];
    tolval = pp[10];
    btnval = pp[11];
    inputs = pp[12];
    valDIFF = pp[13];
    indexA = pp[14];
    indexB = pp[15];
    if (indexA == 0) indexA = 1;
    if (indexB == 0) indexB = 1;
    if (indexA > 128) indexA = 128;
    if (indexB > 128) indexB = 128;
}

static void ShowIndicators() {
    SetCtrlVal(panelHandle, NUMvalA, valNORMA);
    SetCtrlVal(panelHandle, NUMvalB, valNORMB);
    SetCtrlVal(panelHandle, NUMDIFF, valDIFF);
    SetCtrlVal(panelHandle, NUMadcA, adcCHA);
    SetCtrlVal(panelHandle, NUMadcB, adcCHB);
    SetCtrlVal(panelHandle, NUMAmax, Amax);
    SetCtrlVal(panelHandle, NUMBmax, Bmax);
    SetCtrlVal(panelHandle, NUMMAXvalA, MAXvalA);
    SetCtrlVal(panelHandle, NUMMINvalA, MINvalA);
    SetCtrlVal(panelHandle, NUMMAXvalB, MAXvalB);
    SetCtrlVal(panelHandle, NUMMINvalB, MINvalB);
}

static void ShowInputs() {
    if (inputs > 3) return; // not a state of the two inputs: the LEDs keep theirs
    SetCtrlVal(panelHandle, LEDIn0, inputs & 1);
    SetCtrlVal(panelHandle, LEDIn1, (inputs >> 1) & 1);
}

static void ConfigureStrip(int control, int traces) {
    SetCtrlAttribute(panelHandle, control, ATTR_POINTS_PER_SCREEN, HISTORY_SAMPLES + 1);
    SetCtrlAttribute(panelHandle, control, ATTR_SCROLL_MODE, 1);
    SetCtrlAttribute(panelHandle, control, ATTR_NUM_TRACES, traces);
}

// The history work of a reply, accounted apart from decoding and drawing for the benchmarks.
static void HistoryShift(double *history, int n, int traces) {
    CpuSpan span(CPU_HISTORY);
    Shift(history, n, -traces, history);
}

static void AppendHistory(int chart, const double *history, int n) {
    CpuSpan span(CPU_HISTORY);
    PlotStripChart(panelHandle, chart, history, n, 0, 0);
}

void PlotRAWValues() {
    HistoryShift(arrayRAW, RAW_HISTORY, RAW_TRACES);
    DecodeLive();
    ConfigureStrip(STRIPRAW, RAW_TRACES);
    int source = 0;
    GetCtrlVal(panelHandle, RNGGraphSource, source);
    double *newest = arrayRAW + RAW_HISTORY - RAW_TRACES;
    if (source == 0) {
        newest[0] = adcCHA;
        newest[1] = adcCHB;
        SetTraceAttribute(panelHandle, STRIPRAW, 1, ATTR_TRACE_COLOR, RGB_BLUE);
        SetTraceAttribute(panelHandle, STRIPRAW, 2, ATTR_TRACE_COLOR, RGB_GREEN);
    } else if (source == 1) {
        newest[0] = valNORMA;
        newest[1] = valNORMB;
        SetTraceAttribute(panelHandle, STRIPRAW, 1, ATTR_TRACE_COLOR, RGB_RED);
        SetTraceAttribute(panelHandle, STRIPRAW, 2, ATTR_TRACE_COLOR, RGB_DARK_GREY);
    }
    AppendHistory(STRIPRAW, arrayRAW, RAW_HISTORY);
    ShowIndicators();
    SetCtrlVal(panelHandle, NEDITtolA, tolA);
    SetCtrlVal(panelHandle, NEDITtolB, tolB);
    ShowInputs();
}

static void Markers(uint16_t maxVal, uint16_t minVal, int marker[2]) {
    switch (anamode) {
    case 1: marker[0] = marker[1] = maxVal; break;
    case 2: marker[0] = marker[1] = minVal; break;
    case 3: marker[0] = maxVal, marker[1] = minVal; break;
    default: marker[0] = marker[1] = MARKER_IDLE; break;
    }
}

// The band around a reference: signed arithmetic, so the lower limit may go below zero here.
static void Band(uint16_t ref, uint16_t tol) {
    upTHR = int32_t(ref) + int32_t(tol);
    loTHR = int32_t(ref) - int32_t(tol);
    valREF = ref;
}

void PlotNORMValues(double *history) {
    int marker[2] = {MARKER_IDLE, MARKER_IDLE};
    HistoryShift(history, NORM_HISTORY, NORM_TRACES);
    DecodeLive();
    int hw = 0, source = 0;
    GetCtrlVal(panelHandle, NEDIThwmode, hw);
    bool deviceTol = hw != 0 && hw != 2; // these hardware modes report their own tolerance
    GetCtrlVal(panelHandle, RNGGraphSource, source);
    bool diff = evalmode == 3;
    if (source == 2) {
        Band(refA, deviceTol ? tolval : tolA);
        valNORM = diff ? valDIFF : valNORMA;
        Markers(MAXvalA, MINvalA, marker);
        SetTraceAttribute(panelHandle, STRIPNORM, 6, ATTR_TRACE_COLOR, diff ? RGB_CYAN : RGB_RED);
    } else if (source == 3) {
        if (diff) {
            Band(refA, deviceTol ? tolval : tolA);
            valNORM = valDIFF;
        } else {
            Band(refB, deviceTol ? tolval : tolB);
            valNORM = valNORMB;
        }
        Markers(MAXvalB, MINvalB, marker);
        SetTraceAttribute(panelHandle, STRIPNORM, 6, ATTR_TRACE_COLOR,
                          diff ? RGB_CYAN : RGB_DARK_GREY);
    }
    if (upTHR > 1000) upTHR = 1000;
    if (loTHR < 1) loTHR = 1;
    double *newest = history + NORM_HISTORY - NORM_TRACES;
    newest[0] = upTHR;
    newest[1] = loTHR;
    newest[2] = valREF;
    newest[3] = marker[0];
    newest[4] = marker[1];
    newest[5] = valNORM;
    ConfigureStrip(STRIPNORM, NORM_TRACES);
    SetTraceAttribute(panelHandle, STRIPNORM, 1, ATTR_TRACE_COLOR, RGB_DARK_GREEN);
    SetTraceAttribute(panelHandle, STRIPNORM, 2, ATTR_TRACE_COLOR, RGB_DARK_GREEN);
    SetTraceAttribute(panelHandle, STRIPNORM, 3, ATTR_TRACE_COLOR, RGB_BLACK);
    SetTraceAttribute(panelHandle, STRIPNORM, 4, ATTR_TRACE_COLOR, RGB_RED);
    SetTraceAttribute(panelHandle, STRIPNORM, 5, ATTR_TRACE_COLOR, RGB_RED);
    AppendHistory(STRIPNORM, history, NORM_HISTORY);
    ShowIndicators();
    ShowInputs();
    SetCtrlVal(panelHandle, NEDITtolA, deviceTol ? tolval : tolA);
    SetCtrlVal(panelHandle, NEDITtolB, deviceTol ? tolval : tolB);
}

// The scan graph: a captured scan drawn as curves, raw or normalised, between constant limit
// lines and a dashed reference, with cursor 1 at the index the controller reported.
#include "com232.h"
#include "gui.h"
#include "palette.h"

uint16_t xArray[SCAN_WORDS];
uint16_t yArrayN[SCAN_WORDS];
uint16_t upArray[SCAN_WORDS];
uint16_t loArray[SCAN_WORDS];
uint16_t refArray[SCAN_WORDS];

static void Curve(const uint16_t *y, int width, int style, int colour) {
    PlotXY(panelHandle, GRAPHData, xArray, y, SCAN_SAMPLES, width, style, colour);
}

static void Cursor(const uint16_t *y, uint16_t index) {
    SetGraphCursor(panelHandle, GRAPHData, 1, index, y[index]);
}

static void NormalisedAxes() {
    SetCtrlAttribute(panelHandle, GRAPHData, ATTR_YNAME, "NORM=1000*(A/Amax)");
    SetCtrlAttribute(panelHandle, GRAPHData, ATTR_NUM_CURSORS, 1);
    SetCursorAttribute(panelHandle, GRAPHData, 1, ATTR_CROSS_HAIR_STYLE, VAL_LONG_CROSS);
    SetAxisScalingMode(panelHandle, GRAPHData, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 1000.0);
}

void PlotDATACurve(const uint16_t *yA, const uint16_t *yB, const uint16_t *up, const uint16_t *lo,
                   const uint16_t *ref) {
    if (indexA == 0) indexA = 1;
    if (indexB == 0) indexB = 1;
    if (indexA > 128) indexA = 128;
    if (indexB > 128) indexB = 128;
    SetCtrlAttribute(panelHandle, STRIPRAW, ATTR_VISIBLE, 0);
    SetCtrlAttribute(panelHandle, STRIPNORM, ATTR_VISIBLE, 0);
    SetAxisScalingMode(panelHandle, GRAPHData, VAL_XAXIS, VAL_MANUAL, 1.0, 128.0);
    DeleteGraphPlot(panelHandle, GRAPHData, -1);
    SetCtrlVal(panelHandle, NUMvalA, MINvalA);
    SetCtrlVal(panelHandle, NUMvalB, MINvalB);
    int view = 0;
    GetCtrlVal(panelHandle, RNGGraphSource, view);
    if (view == 0) {
        SetCtrlAttribute(panelHandle, GRAPHData, ATTR_YNAME, "RAW-values / [ADC-units]");
        SetAxisScalingMode(panelHandle, GRAPHData, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 1000.0);
        Curve(yA, VAL_FAT_LINE, VAL_SOLID, RGB_GREEN);
        Curve(yB, VAL_FAT_LINE, VAL_SOLID, RGB_BLUE);
        return;
    }
    if (view < 1 || view > 3) return;
    NormalisedAxes();
    Curve(up, VAL_THIN_LINE, VAL_SOLID, RGB_BLACK);
    Curve(lo, VAL_THIN_LINE, VAL_SOLID, RGB_BLACK);
    if (view == 1 || view == 2) Curve(yA, VAL_FAT_LINE, VAL_SOLID, RGB_RED);
    if (view == 1 || view == 3) Curve(yB, VAL_FAT_LINE, VAL_SOLID, RGB_DARK_GREY);
    if (view == 3)
        Cursor(yB, indexB);
    else
        Cursor(yA, indexA);
    Curve(ref, VAL_THIN_LINE, VAL_DASH, RGB_BLACK);
}

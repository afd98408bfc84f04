// Scan capture: one set of live values, then the controller's 256-word scan in four blocks
// read with the receive handler off the port, drawn between limit and reference lines.
#include "XVELZUK1V15.h"
#include "com232.h"

#include <algorithm>

int scanview = -1;

static void LimitsFrom(uint16_t ref, uint16_t tol) {
    upTHR = int32_t(ref) + int32_t(tol); // signed: the lower limit may be negative until limited
    loTHR = int32_t(ref) - int32_t(tol);
    valREF = ref;
}

// The live values give the minima and the cursor positions shown with the scan. Without an
// answer pp still holds the request itself, which must not pass for live values: the previous
// ones are kept.
static void LiveValuesForScan() {
    AwaitQuietLine(com, Timer()); // the rest of an earlier reply must not pass for the live values
    FlushInQ(com);
    FlushOutQ(com);
    rx_flag = 0;
    order = ORDER_LIVE;
    FillTxBuf(ORDER_LIVE, pp);
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
    WaitRxFull();
    if (rx_flag == 1) PlotRAWValues();
}

static void FetchBlocks(int view) {
    int kind = view == 0 ? 0 : 1; // raw ADC values, or normalised
    for (int offset : {0, 64, 128, 192}) {
        order = ORDER_DATA_BLOCK;
        ReadData64(offset, kind, ORDER_DATA_BLOCK);
    }
    if (view == 1 && evalmode == 7)
        LimitsFrom(refB, tolB);
    else if (view == 1 && evalmode == 6)
        LimitsFrom(refA, tolA);
    else if (view == 2)
        LimitsFrom(refA, tolA);
    else if (view == 3)
        LimitsFrom(refB, tolB);
}

int CC_BTNData(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT || !BeginExchange()) return 0;
    SetCtrlAttribute(panelHandle, STRIPRAW, ATTR_VISIBLE, 0);
    SetCtrlAttribute(panelHandle, STRIPNORM, ATTR_VISIBLE, 0);
    SetCtrlAttribute(panelHandle, GRAPHData, ATTR_VISIBLE, 1);
    LiveValuesForScan();
    InstallComCallback(com, 0, FRAMELEN, sync, nullptr, nullptr); // blocks are read directly
    FlushInQ(com);
    FlushOutQ(com);
    int view = 0;
    GetCtrlVal(panelHandle, RNGGraphSource, view);
    if (view >= 0 && view <= 3) FetchBlocks(view);
    if (upTHR > 1000) upTHR = 1000;
    if (loTHR < 1) loTHR = 1;
    InstallComCallback(com, eventMask, FRAMELEN, sync, RX_Receive_Function, nullptr);
    std::fill(upArray, upArray + SCAN_SAMPLES, uint16_t(upTHR));
    std::fill(loArray, loArray + SCAN_SAMPLES, uint16_t(loTHR));
    std::fill(refArray, refArray + SCAN_SAMPLES, valREF);
    PlotDATACurve(yArrayA, yArrayB, upArray, loArray, refArray);
    scanview = view;
    DimControl(panelHandle, GUARDED_SECOND, 0);
    FlushOutQ(com);
    FlushInQ(com);
    EndExchange();
    return 0;
}

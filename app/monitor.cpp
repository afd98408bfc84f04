// The live monitor: Run polls the controller's live values (order 8) as fast as it answers and
// plots every reply, until Stop or a request unanswered for more than 2 s.
#include "XVELZUK1V15.h"
#include "com232.h"

int stop_flag = 1;
uint16_t ref10Bit = 2048;
uint16_t tol10Bit = 512;

constexpr double LIVE_TIMEOUT = 2.0; // seconds a live request may stay unanswered

void SendLiveRequest() {
    FlushInQ(com);
    FlushOutQ(com);
    CopyVarsToPP(0);
    FillTxBuf(ORDER_LIVE, pp);
    rx_flag = 0;
    tstart = Timer();
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
}

// The chart routine reads the reply from pp before the next request refills pp: the order of
// the two steps of a turn carries the data.
static void PollLoop() {
    for (;;) {
        if (graphrefresh == 1) {
            if (type == 0)
                PlotRAWValues();
            else
                PlotNORMValues(arrayNORM);
            graphrefresh = 0;
        }
        if (rx_flag == 1) SendLiveRequest();
        tdiff = Timer() - tstart;
        if (tdiff > LIVE_TIMEOUT + CLOCK_GRAIN) { // an age of exactly 2 s is not yet too old
            SetCtrlVal(panelHandle, TXTStatus, "Timeout RS232-Line!");
            stop_flag = 1;
            return;
        }
        ProcessSystemEvents();
        if (stop_flag != 0) return;
    }
}

// A loop stopped from outside leaves its last request unanswered; that reply is still on its way
// and would be taken as the answer to whatever is sent next (a parameter read would store live
// values as a parameter set). Wait for it to pass, then discard it.
void DrainLiveReply() {
    if (rx_flag == 0 && !QuitPending()) AwaitQuietLine(com, tstart + REPLY_WINDOW);
}

int CC_BTNRun(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT || !BeginExchange()) return 0;
    SetCtrlAttribute(panelHandle, GRAPHData, ATTR_VISIBLE, 0);
    DimControl(panelHandle, GUARDED_FIRST, 1);
    DimControl(panelHandle, GUARDED_SECOND, 1);
    int source = 0;
    GetCtrlVal(panelHandle, RNGGraphSource, source);
    ShowGraphSource(source);
    type = (source == 0 || source == 1) ? 0 : 1;
    order = ORDER_LIVE;
    AwaitQuietLine(com, Timer()); // the rest of an earlier reply must not start the first frame
    SendLiveRequest();
    if (nBytesW == FRAMELEN) SetCtrlVal(panelHandle, TXTStatus, "Line Ok!");
    stop_flag = 0;
    graphrefresh = 0;
    FillarrayNORM(tolA, refA, 0);
    PollLoop();
    DrainLiveReply();
    rx_flag = 0;
    FlushInQ(com);
    FlushOutQ(com);
    graphrefresh = 0;
    DimControl(panelHandle, GUARDED_FIRST, 0);
    EndExchange();
    return 0;
}

int CC_BTNStop(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    rx_flag = 0;
    FlushInQ(com);
    FlushOutQ(com);
    stop_flag = 1;
    graphrefresh = 0;
    DimControl(panelHandle, GUARDED_FIRST, 0);
    DimControl(panelHandle, GUARDED_SECOND, 0);
    FillarrayRAW(0, 0);
    FillarrayNORM(tol10Bit, ref10Bit, 0);
    return 0;
}

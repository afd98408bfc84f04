// The data recorder: polls the live values like the live monitor and appends one line of four
// values to the record file per interval, until the line count, a time-out or a Stop.
#include "XVELZUK1V15.h"
#include "com232.h"
#include "recfile.h"

#include <cstdint>
#include <cstdio>

static void ReportWriteFailure() {
    char text[MAX_PATHNAME_LEN + 40];
    snprintf(text, sizeof text, "Cannot write record file %s!", recfile_name);
    SetCtrlVal(panelHandle, TXTStatus, text);
    SayOutcome("%s", LastFileFault());
}

// Line 1: the header text and the interval, written in one piece (a kill between two writes
// would leave half a line), replacing whatever the file held.
static bool WriteHeader(uint16_t interval) {
    char line[80];
    int n = snprintf(line, sizeof line, "%s%u\n", REC_HEADER, unsigned(interval));
    return ArrayToFile(recfile_name, line, n, VAL_TRUNCATE) == 0;
}

static bool WriteSample() { // each line is opened, written and closed: on disk at once
    const unsigned values[4] = {uint16_t(valNORMA), uint16_t(valNORMB), adcCHA, adcCHB};
    return ArrayToFile(recfile_name, values, 4, 4, VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0,
                       VAL_APPEND) == 0;
}

static uint16_t WholeSeconds() {
    return uint16_t(int64_t(Timer()));
} // modulo 65536

// A line is due once the clock has passed `interval` whole-second boundaries since the last
// one; the reply in pp is plotted and recorded before pp is refilled for the next request.
static void RecordLoop(uint16_t lines, uint16_t interval) {
    tstart = Timer();
    uint16_t mark = WholeSeconds();
    uint16_t count = 0;
    stop_flag = 0;
    graphrefresh = 0;
    for (;;) {
        uint16_t elapsed = uint16_t(int64_t(Timer() - mark));
        if (graphrefresh == 1) {
            int source = 0;
            GetCtrlVal(panelHandle, RNGGraphSource, source);
            if (source < 2)
                PlotRAWValues();
            else
                PlotNORMValues(arrayNORM);
            if (elapsed >= interval) {
                if (!WriteSample()) { // nothing is recorded any more: end as a time-out does
                    ReportWriteFailure();
                    stop_flag = 1;
                    return;
                }
                SetCtrlVal(panelPopUp, NUMSampleCount, ++count);
                mark = WholeSeconds();
            }
            graphrefresh = 0;
        }
        if (rx_flag == 1) SendLiveRequest();
        tdiff = Timer() - tstart;
        if (tdiff > TIMEOUT) {
            SetCtrlVal(panelHandle, TXTStatus, "Timeout RS232-Line!");
            stop_flag = 1;
            return;
        }
        if (count >= lines) stop_flag = 1;
        ProcessSystemEvents();
        if (stop_flag != 0) return;
    }
}

static void DimRecorderGuards(int dimmed) {
    DimControl(panelHandle, GUARDED_FIRST, dimmed);
    DimControl(panelHandle, GUARDED_SECOND, dimmed);
    DimControl(panelHandle, GUARDED_RECORDER, dimmed);
    DimControl(panelPopUp, BTNStartRecord, dimmed);
}

int CC_BTNStartRecord(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT || !BeginExchange()) return 0;
    SetCtrlAttribute(panelHandle, GRAPHData, ATTR_VISIBLE, 0);
    DimRecorderGuards(1);
    int source = 0;
    GetCtrlVal(panelHandle, RNGGraphSource, source);
    ShowGraphSource(source);
    ShowRecorderState(true);
    uint16_t lines = 0, interval = 0;
    GetCtrlVal(panelPopUp, NEDITRecSamples, lines);
    GetCtrlVal(panelPopUp, NEDITRecTime, interval);
    CVI_DeleteFile(recfile_name);
    SetCtrlVal(panelPopUp, TXTRecFile, recfile_name);
    if (WriteHeader(interval)) {
        AwaitQuietLine(com, Timer()); // the rest of an earlier reply must not start the first frame
        SendLiveRequest();
        order = ORDER_LIVE;
        if (nBytesW == FRAMELEN) SetCtrlVal(panelHandle, TXTStatus, "Line Ok!");
        RecordLoop(lines, interval);
        DrainLiveReply();
    } else {
        ReportWriteFailure();
        stop_flag = 1;
    }
    rx_flag = 0;
    FlushInQ(com);
    FlushOutQ(com);
    graphrefresh = 0;
    DimRecorderGuards(0); // everything the start dimmed is free again, however it ended
    ShowRecorderState(false);
    EndExchange();
    return 0;
}

int CC_BTNStopRecord(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    stop_flag = 1;
    DimRecorderGuards(0);
    return 0;
}

int CC_NEDITRecTime(int, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT) CalcRecTime();
    return 0;
}

int CC_NEDITRecSamples(int, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT) CalcRecTime();
    return 0;
}

// Choosing an existing file deletes it at once (the dialog asks before it replaces a file);
// the next recording creates it anew.
int CC_RecordFileNameBtn(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT || !BeginExchange()) return 0; // never during a recording
    ret = FileSelectPopup(proj_dir, "XVELrecord.dat", "*.dat",
                          "X-VEL-Series Recorder-File:", VAL_OK_BUTTON, 0, 1, 1, 1, recfile_name);
    if (ret == VAL_EXISTING_FILE_SELECTED) CVI_DeleteFile(recfile_name);
    if (ret == VAL_EXISTING_FILE_SELECTED || ret == VAL_NEW_FILE_SELECTED)
        SetCtrlVal(panelPopUp, TXTRecFile, recfile_name);
    EndExchange();
    return 0;
}

// Serial session: opens and sets up the port, installs the receive handler, checks the line with
// an echo and runs the start-up reads; also the common wait for a reply.
#include "com232.h"
#include "probes.h"
#include "serial.h"

#include <cstdarg>
#include <cstdio>

int com = 1;
int rx_flag = 1;
int graphrefresh = 0;
int nBytesW = 0;
int nBytesR = 0;
char szStatus[256] = "InitVars";
int ret = 1;
double tstart = 0.0;
double tdiff = 0.0;
static ProtocolReports g_reports = {};

void InstallProtocolReports(const ProtocolReports &reports) {
    g_reports = reports;
}

constexpr unsigned ECHO_WORD = 0x00AA; // payload word 0 of a good echo reply

void SetStatus(const char *text) {
    snprintf(szStatus, sizeof szStatus, "%s", text);
}

void ShowStatus() {
    ShowStatusText(szStatus);
}

void ShowStatusText(const char *text) {
    if (g_reports.status) g_reports.status(text);
}

// Several status texts announce a wait ("Transmit...", "Waiting for parameter-frame ...") and
// stay when the command has ended; the hint line under them says how it ended.
void SayOutcome(const char *fmt, ...) {
    char text[MAX_PATHNAME_LEN + 300];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    if (g_reports.hint) g_reports.hint(text);
    if (text[0]) DebugPrintf("outcome: %s", text);
}

void ClearOutcome() {
    if (g_reports.hint) g_reports.hint("");
}

const char *ComErrorText(int code) {
    switch (code) {
    case COM_ERR_SYSTEM: return "Unknown system error";
    case COM_ERR_PORT_NUMBER: return "Invalid port number";
    case COM_ERR_NOT_OPEN: return "Port is not open";
    case COM_ERR_IO: return "Unknown I/0 error";
    case COM_ERR_NO_PORT: return "No serial port found";
    case COM_ERR_CANNOT_OPEN: return "Cannot open port";
    case COM_ERR_PARAMETER: return "Invalid parameter";
    case COM_ERR_TIMEOUT: return "Timeout";
    default: return "RS-232 error!";
    }
}

// After a good echo the controller's parameter sets are read from RAM and shown on the panels,
// then its firmware text is read. A failed parameter read keeps that set's values.
static void StartupReads() {
    target = RAM;
    // The storage-target buttons show RAM too: a panel still showing EEPROM or FILE would
    // make the operator believe a later Send stores there while it goes to RAM.
    if (g_reports.targetRam) g_reports.targetRam();
    PushGET(RAM, 0);
    target = RAM;
    PushGET(RAM, 1);
    if (pfnSetPanelValues) pfnSetPanelValues();
    if (GetVERSIONInfo() < 64) SetStatus("Error reading firmware-info!");
}

void InitRS232(int port) {
    int rc = OpenComConfig(port, "", 19200, 0, 8, 1, 4096, 4096);
    if (rc < 0) {
        SetStatus(ComErrorText(rc));
    } else {
        SetComTime(port, PORT_TIMEOUT);
        FlushInQ(port); // stale bytes from before the open must not pass for a reply
        FlushOutQ(port);
        SetCTSMode(port, 0);
        InstallComCallback(port, eventMask, FRAMELEN, sync, RX_Receive_Function, nullptr);
        if (CheckComLine(port) == 1) StartupReads();
    }
    ShowStatus();
}

int CheckComLine(int port) {
    CopyVarsToPP(0);
    FillTxBuf(ORDER_ECHO, pp);
    AwaitQuietLine(port, Timer()); // a reply still arriving from before the open is not the echo
    FlushOutQ(port);
    nBytesW = ComWrt(port, szWriteBuf, FRAMELEN);
    Delay(0.05);
    nBytesR = ComRd(port, szReadBuf, FRAMELEN);
    int result = 0;
    if (nBytesR < FRAMELEN) {
        SetStatus("Timeout < 36 Bytes");
    } else if (((unsigned(szReadBuf[4]) << 8) | szReadBuf[5]) == ECHO_WORD) {
        SetStatus("Echo Check - Line Ok!");
        result = 1;
    } else {
        SetStatus("read error - not sync byte 0xAA!");
    }
    ShowStatus();
    return result;
}

void RX_Receive_Function(int, int events, void *) {
    if (!(events & 0x8000)) return; // event character and output-empty events are not used
    nBytesR = ComRd(com, szReadBuf, FRAMELEN);
    // The port notifies only with a whole frame queued; a short read means the port went away
    // meanwhile, and the stale buffer must not pass for a reply.
    if (nBytesR == FRAMELEN) {
        CpuSpan span(CPU_DECODE);
        GetRxBuf(PNUM);
        rx_flag = 1;
        graphrefresh = 1;
    }
    FlushInQ(com); // bytes beyond the first 36 of a burst are dropped
}

int WaitRxFull() {
    ret = 1;
    tstart = Timer();
    for (;;) {
        ProcessSystemEvents();
        tdiff = Timer() - tstart;
        if (QuitPending()) { // the main panel was closed: the program ends, nobody waits
            ret = 0;
            break;
        }
        if (tdiff > TIMEOUT) { // tested first: a reply in the turn that passes 1.5 s is late
            SetStatus("Timeout-RS-232...");
            ret = 0;
            break;
        }
        if (rx_flag != 0) break;
    }
    return ret;
}

// Frames are delimited by their length alone, so a request must not go out while the rest of an
// earlier reply is still arriving: its tail and the new reply would form misaligned frames from
// then on. Waits (at most QUIET_LIMIT past `until`) until no byte has come for three character
// times and `until` has passed, then discards what came. Processes no events.
void AwaitQuietLine(int port, double until) {
    int seen = GetInQLen(port);
    if (seen < 0) return; // no open port: nothing can arrive
    double last = Timer();
    for (;;) {
        int n = GetInQLen(port);
        double now = Timer();
        if (n < 0) return;
        if (n != seen) {
            seen = n;
            last = now;
        }
        if ((now - last >= QUIET_TIME && now >= until) || now > until + QUIET_LIMIT) break;
    }
    FlushInQ(port);
}

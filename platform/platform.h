// Run-time services of the program: start, panels and controls, events, clock, paths, serial port.
// A thin layer over Qt 6; no Qt type appears here, so the layers above stay toolkit-free.
#pragma once

#include "uir/uir.h"

// ---- Start ----------------------------------------------------------------------------------

struct RunTimeInstance { // what the process was started with
    int argc;
    char **argv;
};

int PlatformOptions(int argc, char **argv, int *exitCode); // 1: --help/--version/bad option done
int InitCVIRTE(RunTimeInstance instance); // 1 ok; 0: no display or toolkit failure (said why)
void CloseCVIRTE();                       // last call: windows, ports and toolkit closed
int PlatformExitCode(int code);           // process exit code: a played script's verdict, else code
int ViewOption();                         // 1: --view FILE was given, the viewer runs instead
int RunViewer(RunTimeInstance instance);  // --view FILE [--png OUT]: window or image; exit code

// ---- Panels and controls --------------------------------------------------------------------

// Events handed to callbacks.
constexpr int EVENT_COMMIT = 1;      // operator committed a value or pressed a button
constexpr int EVENT_VAL_CHANGED = 2; // operator changed a value
constexpr int EVENT_LEFT_CLICK = 3;  // mouse button went down over the control
constexpr int EVENT_CLOSE = 4;       // panel close box
constexpr int EVENT_MENU_ITEM = 5;   // context-menu item chosen; event data 1: its number

using CtrlCallbackPtr = int (*)(int panel, int control, int event, void *callbackData,
                                int eventData1, int eventData2);

struct CallbackBinding { // one row of the callback table
    int control;         // control identifier, or a resource number for a panel callback
    CtrlCallbackPtr callback;
};

void InstallCallbackTable(const CallbackBinding *controls, int nControls,
                          const CallbackBinding *panels, int nPanels); // before LoadPanel

int LoadPanel(int parent, const char *file, int resource); // handle > 0, or negative on failure
int DisplayPanel(int panel);                               // show; 0 or negative
int HidePanel(int panel);                                  // hide; 0 or negative
int DiscardPanel(int panel);                               // destroy; 0 or negative
int RunUserInterface();           // dispatch callbacks until QuitUserInterface; its code
void QuitUserInterface(int code); // ends RunUserInterface

int GetCtrlVal(int panel, int control, int &value);            // numeric, ring, buttons
int GetCtrlVal(int panel, int control, unsigned short &value); // low 16 bits of the value
int GetCtrlVal(int panel, int control, char *text, int size);  // text displays
int SetCtrlVal(int panel, int control, int value);             // raises no callback
int SetCtrlVal(int panel, int control, const char *text);      // raises no callback

constexpr int ATTR_DIMMED = 1;          // int 0/1
constexpr int ATTR_VISIBLE = 2;         // int 0/1
constexpr int ATTR_LABEL_TEXT = 3;      // text: the control's caption
constexpr int ATTR_LEFT = 4;            // int, pixels from the panel's left edge
constexpr int ATTR_TOP = 5;             // int, pixels from the panel's top edge
constexpr int ATTR_TEXT_COLOR = 6;      // int 0xRRGGBB
constexpr int ATTR_TEXT_BGCOLOR = 7;    // int 0xRRGGBB
constexpr int ATTR_FRAME_COLOR = 8;     // int 0xRRGGBB: a decoration's colour
constexpr int ATTR_TEXT_POINT_SIZE = 9; // int, text height in pixels
constexpr int ATTR_TEXT_BOLD = 10;      // int 0/1
constexpr int ATTR_TEXT_FONT = 11;      // text: font family; "NIApp" the application font
constexpr int ATTR_WIDTH = 12;          // int, pixels (read only)
constexpr int ATTR_HEIGHT = 13;         // int, pixels (read only)
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, const char *text);
int GetCtrlAttribute(int panel, int control, int attribute, int &value);
int GetCtrlAttribute(int panel, int control, int attribute, char *text, int size);
// Strip charts: values are distributed over the traces in turn (value k to trace k mod n) and
// each trace shows its last "points per screen" values.
constexpr int ATTR_NUM_TRACES = 20;        // int 1..8
constexpr int ATTR_POINTS_PER_SCREEN = 21; // int
constexpr int ATTR_SCROLL_MODE = 22;       // int; the chart always scrolls continuously
constexpr int ATTR_TRACE_COLOR = 23;       // trace attribute: int 0xRRGGBB
int PlotStripChart(int panel, int control, const double *values, int numPoints, int start,
                   int skip); // appends numPoints values from values[start], every skip+1st
int SetTraceAttribute(int panel, int control, int trace, int attribute, int value); // trace 1..
int GetTraceAttribute(int panel, int control, int trace, int attribute, int &value);

// Graphs: XY plots of unsigned 16-bit arrays, fixed axes, cursor 1 as a cross-hair.
constexpr int VAL_THIN_LINE = 0, VAL_FAT_LINE = 1; // PlotXY line width
constexpr int VAL_SOLID = 0, VAL_DASH = 1;         // PlotXY line style
constexpr int VAL_XAXIS = 0, VAL_LEFT_YAXIS = 1;   // SetAxisScalingMode axis
constexpr int VAL_MANUAL = 0;                      // SetAxisScalingMode: fixed range
constexpr int ATTR_NUM_CURSORS = 30;               // graph attribute: 0 or 1
constexpr int ATTR_YNAME = 31;                     // graph attribute: text of the y-axis title
constexpr int ATTR_CROSS_HAIR_STYLE = 32;          // cursor attribute
constexpr int VAL_LONG_CROSS = 4;                  // cross-hair across the whole plot area
int PlotXY(int panel, int control, const unsigned short *x, const unsigned short *y, int n,
           int lineWidth, int lineStyle, int colour);        // plot handle > 0, or negative
int DeleteGraphPlot(int panel, int control, int plotHandle); // -1: every plot
int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max);
int SetGraphCursor(int panel, int control, int cursor, double x, double y);
int GetGraphCursor(int panel, int control, int cursor, double &x, double &y); // -1: not shown
int SetCursorAttribute(int panel, int control, int cursor, int attribute, int value);

int ResetTextBox(int panel, int control, const char *text); // the box's whole contents
int ReplaceTextBoxLine(int panel, int control, int line, const char *text); // one line of a box
constexpr int CTRL_TEXT_MSG = 1; // kind for NewCtrl: a one-line text without label
int NewCtrl(int panel, int kind, const char *label, int top, int left); // new control's id
int DisplayImageFile(int panel, int control, const char *file); // bitmap into a picture; 0 ok
int GrabControl(int panel, int control, const char *pngPath);   // the control as a PNG file; 0 ok
void SetHintLine(const char *text); // the line under the status line; "" hides it
// Context menu of a graph: items in the order added; choosing one raises EVENT_MENU_ITEM.
int AddCtrlMenuItem(int panel, int control, const char *text); // its number from 1, or <0

// What the operator scripts' export-scan action calls: the scan saved to path, 0 ok.
using ExportCallbackPtr = int (*)(const char *path);
void InstallScanExport(ExportCallbackPtr scanCsv); // nullptr: scripts cannot export a scan

// ---- Time and events ------------------------------------------------------------------------

double Timer();             // seconds since start (the test clock when it is on)
void Delay(double seconds); // blocks without processing events
void ProcessSystemEvents(); // runs pending events; idle: waits at most 1 ms for the next
void ProcessDrawEvents();   // repaints and the close box only: no operator input, no receive
                            // callbacks; for waits that read the port directly
int QuitPending();          // 1 once QuitUserInterface was called: waits end at once
using DeferredCallbackPtr = void (*)(void *callbackData);
// Calls fn from the next event processing (ProcessSystemEvents or the user-interface loop), never
// inside a direct port read, ProcessDrawEvents or another deferred call. 0, or -1 when full.
int PostDeferredCall(DeferredCallbackPtr fn, void *callbackData);
void DebugPrintf(const char *fmt, ...) __attribute__((format(printf, 1, 2))); // --verbose: to
                                                                              // standard error

// ---- Paths ----------------------------------------------------------------------------------

constexpr int MAX_PATHNAME_LEN = 260;
int GetProjectDir(char *dir);   // the program's directory, at most MAX_PATHNAME_LEN bytes
int GetUserFilesDir(char *dir); // where the operator's files go: the program's directory when
// it is a writable copy, not installed; else the user's data folder (made); -1: program's
int MakePathname(const char *dir, const char *name, char *path); // dir/name, bounded

// ---- Files ----------------------------------------------------------------------------------

constexpr int VAL_OK_BUTTON = 0;   // file dialog confirm label: the dialog's default (saving)
constexpr int VAL_LOAD_BUTTON = 3; // file dialog confirm label: "Load"
constexpr int VAL_NO_FILE_SELECTED = 0;
constexpr int VAL_EXISTING_FILE_SELECTED = 1;
constexpr int VAL_NEW_FILE_SELECTED = 2;
int FileSelectPopup(const char *dir, const char *defaultName, const char *filter, const char *title,
                    int button, int restrictDir, int restrictExt, int allowCancel, int allowMakeDir,
                    char *path); // 0 cancel, 1 existing, 2 new

constexpr int VAL_GROUPS_AS_COLUMNS = 0; // one group per column: values of a row side by side
constexpr int VAL_CONST_WIDTH = 0;       // values right-aligned in a fixed field width
constexpr int VAL_SEP_BY_TAB = 1;        // values separated by one tab
constexpr int VAL_TRUNCATE = 0;          // replace the file's content
constexpr int VAL_APPEND = 1;            // add to the end of the file
// Writes count unsigned values as text: with layout VAL_GROUPS_AS_COLUMNS, numGroups values a
// line. The file is opened, written and closed; replacing goes through a temporary file so a
// failed write leaves the old content, appending writes whole lines or nothing. Only a regular
// file, or a link of this user's to one, is written. 0, or negative (LastFileFault says why).
int ArrayToFile(const char *path, const unsigned *values, int count, int numGroups, int layout,
                int separator, int fieldWidth, int action);
int ArrayToFile(const char *path, const char *bytes, int count, int action); // raw bytes
int CVI_DeleteFile(const char *path); // 0; -1 no such file; -2 cannot be deleted
const char *LastFileFault(); // why the last file write or read failed, naming the file; or ""
// Reads count unsigned decimal numbers separated by blanks and line ends. Returns count, or
// -1 file unreadable, -2 fewer numbers, -3 something that is not an unsigned number (its line
// in *badLine). A number above 2^32-1 keeps its low 32 bits. Only a regular file is read.
struct ArrayFileNotes {
    int wide;  // numbers read that did not fit 16 bits
    int extra; // words after the count-th number, not read
};
int FileToArray(const char *path, unsigned *values, int count, int *badLine,
                ArrayFileNotes *notes = nullptr);

// ---- Record viewer --------------------------------------------------------------------------

// A window of its own on a record file (zoom, pan, values under the pointer); the program runs
// on. 0 shown, the file's faults in message ("" none); -1 the file cannot be read (why).
int ViewRecord(const char *path, char *message, int size);
// The whole recording drawn to a PNG image: 0 file without fault, 1 with faults (in message, the
// image shows what is valid), -1 nothing written (why in message).
int RenderRecord(const char *path, const char *png, int width, int height, char *message, int size);

// ---- Serial port ----------------------------------------------------------------------------

using ComCallbackPtr = void (*)(int port, int events, void *callbackData);
constexpr int LWRS_RECEIVE = 0x8000; // event bit: at least the notify count of bytes is queued

int OpenComConfig(int port, const char *deviceName, long baud, int parity, int dataBits,
                  int stopBits, int inQueueSize, int outQueueSize); // 0 or negative error code
int SetComTime(int port, double seconds);                           // read/write time-out
int SetCTSMode(int port, int mode);                                 // 0: no hardware handshake
int InstallComCallback(int port, int eventMask, int notifyCount, int eventChar,
                       ComCallbackPtr callback, void *callbackData); // mask 0 removes it
int ComWrt(int port, const unsigned char *buffer, int count); // bytes handed to the OS, or <0
int ComRd(int port, unsigned char *buffer, int count); // up to count, waits the port time-out
int GetInQLen(int port);                               // bytes waiting, or <0
int FlushInQ(int port);
int FlushOutQ(int port);
int CloseCom(int port);

// The COM numbers follow the system's serial ports while the program runs: a port keeps its
// number while its device is absent and when the same device comes back (same stable name, or
// the same path for a --com mapping); a new port takes the lowest free number.
constexpr int PORT_ARRIVED = 1; // a port's device appeared: a new port, or back again
constexpr int PORT_REMOVED = 2; // a port's device is gone (an open port was closed at once)
using PortCallbackPtr = void (*)(int port, int event);
void InstallPortCallback(PortCallbackPtr callback);    // from event processing, like a deferred
                                                       // call; nullptr removes it
int GetPortDeviceName(int port, char *name, int size); // device behind port; 0, -2 unmapped
int FirstComPort(void); // the lowest port number the COM ring lists (its first item); 1 if none

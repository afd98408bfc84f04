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
int PlatformExitCode(int code);           // process exit code: a played script's verdict, else code

// ---- Panels and controls --------------------------------------------------------------------

// Events handed to callbacks.
constexpr int EVENT_COMMIT = 1;      // operator committed a value or pressed a button
constexpr int EVENT_VAL_CHANGED = 2; // operator changed a value
constexpr int EVENT_LEFT_CLICK = 3;  // mouse button went down over the control
constexpr int EVENT_CLOSE = 4;       // panel close box

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

constexpr int ATTR_DIMMED = 1;  // int 0/1
constexpr int ATTR_VISIBLE = 2; // int 0/1
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int GetCtrlAttribute(int panel, int control, int attribute, int &value);

// ---- Time and events ------------------------------------------------------------------------

double Timer();             // seconds since start (the test clock when it is on)
void Delay(double seconds); // blocks without processing events
void ProcessSystemEvents(); // runs pending events; idle: waits at most 1 ms for the next

// ---- Paths ----------------------------------------------------------------------------------

constexpr int MAX_PATHNAME_LEN = 260;
int GetProjectDir(char *dir); // the program's directory, at most MAX_PATHNAME_LEN bytes
int MakePathname(const char *dir, const char *name, char *path); // dir/name, bounded

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

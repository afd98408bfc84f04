// The main module: program start and end, start values of the globals, and the control
// callbacks of the two panels.
#pragma once

#include "gui.h"
#include "logo.h"
#include "player.h"
#include "popup.h"
#include "viewer.h"

void InstallProgram(); // first call: the program's identity, resource, control roles and reports
                       // handed to the rooms below
void FillComRing(int replace); // the COM ring lists the port table (replace: from scratch)

int WinMain(RunTimeInstance instance, RunTimeInstance previous, const char *commandLine,
            int showMode); // 0 after a normal end, -1 when start-up fails
void InitVars();           // start values of every global, panels read into the variables

// One exchange with the controller at a time: while one runs, every control that would start
// another, change the port or touch the record file is dimmed (Stop and Stop Record stay free).
int BeginExchange(); // 1: the exchange may run, controls dimmed; 0: refused (one runs, or quitting)
void EndExchange();  // the exchange ended: every guarded control back to its own state
int ExchangeRunning();                               // 1 while an exchange runs
void DimControl(int panel, int control, int dimmed); // a command's own dimmed state of a control
void ResetGuard();                                   // nothing runs, no control dimmed by commands

// Control callbacks: (panel, control, event, callback data, event data 1, event data 2) -> 0.
int CC_PANEL(int panel, int control, int event, void *callbackData, int eventData1,
             int eventData2); // main panel: close box ends the program
int CC_POPUP(int panel, int control, int event, void *callbackData, int eventData1,
             int eventData2); // second panel: close box hides it
int CC_TOGBTNparaII(int panel, int control, int event, void *callbackData, int eventData1,
                    int eventData2); // shows or hides the second panel
int CC_DropDCom(int panel, int control, int event, void *callbackData, int eventData1,
                int eventData2); // another COM port: close, reopen, check the line
void OpenComPort(int port);      // the port change: close com, com := port, "Init COM-Port ...",
                                 // serial start-up; inside an exchange

// Automatic reconnect of the chosen port when its vanished device comes back.
void StartHotplug();         // listen to the port table's events; nothing lost yet
void HotplugExchangeEnded(); // an exchange ended: a reconnect that waited for it runs next

// Storage target and parameter transfer (main panel).
int CC_RBTRam(int panel, int control, int event, void *callbackData, int eventData1,
              int eventData2); // target RAM
int CC_RBTEeprom(int panel, int control, int event, void *callbackData, int eventData1,
                 int eventData2); // target EEPROM
int CC_RBTFile(int panel, int control, int event, void *callbackData, int eventData1,
               int eventData2); // target parameter file
int CC_BTNSend(int panel, int control, int event, void *callbackData, int eventData1,
               int eventData2); // both sets to the target, on the left click
int CC_BTNGet(int panel, int control, int event, void *callbackData, int eventData1,
              int eventData2); // both sets from the target, shown on the panels

// The settings compared: panels, RAM, EEPROM and the last parameter file; a Send read back.
int CC_BTNCompare(int panel, int control, int event, void *callbackData, int eventData1,
                  int eventData2); // both sets of RAM and EEPROM into copies, the compare view
void VerifySend(int memory); // after a Send to RAM or EEPROM: both sets read back, status line
enum CompareOutcome { COMPARE_NONE = -1, COMPARE_SAME, COMPARE_DIFFER, COMPARE_UNREAD };
int LastCompareOutcome(); // of the last COMPARE or verified Send
void InitCompare();       // VERIFY as --verify says, no file chosen yet, the view's export

// Single orders with read-back of set I (main panel).
int CC_ButtonTeach(int panel, int control, int event, void *callbackData, int eventData1,
                   int eventData2); // order 6: the controller takes a new reference value
int CC_ButtonReset(int panel, int control, int event, void *callbackData, int eventData1,
                   int eventData2); // order 10: the controller reloads its RAM from EEPROM
int CC_ButtonRefresh(int panel, int control, int event, void *callbackData, int eventData1,
                     int eventData2); // order 11

// Mode-dependent controls and the live monitor.
extern int type;          // 0: raw plotting on the RAW chart, 1: normalised on the NORM chart
extern int stop_flag;     // 1 ends the live loop and the recording loop
extern uint16_t ref10Bit; // reference of the NORM history after Stop: 2048
extern uint16_t tol10Bit; // tolerance of the NORM history after Stop: 512
constexpr int GUARDED_FIRST = BTNRun;   // dimmed while a live loop runs, free again at its end
constexpr int GUARDED_SECOND = BTNData; // dimmed while a live loop runs, free again after Stop
void ShowGraphSource(int source);       // 0, 1: RAW chart visible; other: NORM chart visible
void SendLiveRequest(); // flushed queues, order 8 with set I, rx_flag 0, tstart now; writes
void DrainLiveReply();  // after a loop: the unanswered request's reply passed and discarded
int CC_DROP_EvalMode(int panel, int control, int event, void *callbackData, int eventData1,
                     int eventData2); // couples the trigger mode, sets the difference states
int CC_DropTrigmode(int panel, int control, int event, void *callbackData, int eventData1,
                    int eventData2); // couples the evaluation mode
int CC_ParamEdit(int panel, int control, int event, void *callbackData, int eventData1,
                 int eventData2); // a parameter control edited: the edit marks anew
int CC_BINSWpower(int panel, int control, int event, void *callbackData, int eventData1,
                  int eventData2); // which power numeric is visible
int CC_RNGGraphSource(int panel, int control, int event, void *callbackData, int eventData1,
                      int eventData2); // which strip chart is visible, and type
int CC_BTNRun(int panel, int control, int event, void *callbackData, int eventData1,
              int eventData2); // the live loop; returns when it has ended
int CC_BTNStop(int panel, int control, int event, void *callbackData, int eventData1,
               int eventData2); // ends a live loop or recording; resets both histories

int CC_BTNData(int panel, int control, int event, void *callbackData, int eventData1,
               int eventData2); // captures a scan and draws it
extern int scanview;            // graph-source position the last capture was made in; -1 before one

// Data out: the scan as CSV, controls as PNG, the record viewer. Outcome on the status line.
constexpr int VIEW_MESSAGE_LEN = 2000; // a record file's fault texts, with its path
int ExportScanCSV(const char *path);   // the last capture, rows 0..127; 0 written
int ExportControlPNG(int panel, int control, const char *path); // 0 written
int CC_GRAPHData(int panel, int control, int event, void *callbackData, int eventData1,
                 int eventData2); // scan graph's context menu: save as CSV / PNG with a dialog
int CC_BTNViewRecord(int panel, int control, int event, void *callbackData, int eventData1,
                     int eventData2); // the record file in a viewer window of its own
void InitExports();                   // the scan graph's menu items and the scripts' scan export

// Data recorder (second panel).
constexpr int GUARDED_RECORDER = BTNSend; // also dimmed while a recording runs
int CC_BTNStartRecord(int panel, int control, int event, void *callbackData, int eventData1,
                      int eventData2); // the recording loop; returns when it has ended
int CC_BTNStopRecord(int panel, int control, int event, void *callbackData, int eventData1,
                     int eventData2); // ends a recording (and a live loop)
int CC_NEDITRecTime(int panel, int control, int event, void *callbackData, int eventData1,
                    int eventData2); // interval changed: total time anew
int CC_NEDITRecSamples(int panel, int control, int event, void *callbackData, int eventData1,
                       int eventData2); // number of lines changed: total time anew
int CC_RecordFileNameBtn(int panel, int control, int event, void *callbackData, int eventData1,
                         int eventData2); // chooses the record file

extern const CallbackBinding kControlCallbacks[]; // control -> callback
extern const int kControlCallbackCount;
extern const CallbackBinding kPanelCallbacks[]; // panel resource -> callback
extern const int kPanelCallbackCount;

// Shared state of the platform's own source files: options, logging, the clock and the hooks
// between event processing and the serial ports. Not for use outside platform/.
#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <cstdarg>
#include <cstddef>
#include <cstdio>

#include "uir/uir.h"

namespace plat {

constexpr int kMaxPorts = 32; // COM1..COM32

struct PortMapping {  // one --com N=DEVICE option
    int number;       // COM number
    char device[256]; // device path, or a registered device name such as "sim"
};

struct Options {
    bool verbose = false;  // status-line texts and port events to standard error
    bool trace = false;    // every frame sent and received, in hex, to standard error
    bool comOnly = false;  // the port table holds only the --com mappings
    bool headless = false; // Qt's offscreen platform: no display needed
    char play[1024] = "";  // operator script to play, or empty
    char view[1024] = "";  // record file to show instead of the panels, or empty
    char png[1024] = "";   // with view: draw it to this image file and end
    PortMapping com[kMaxPorts];
    int nCom = 0;
};
extern Options g_opt;

void Log(const char *fmt, ...) __attribute__((format(printf, 1, 2))); // stderr, time-stamped

// Text from outside the program (script lines, device texts) for the terminal (echo.cpp)
void EscapeControls(const char *in, char *out, size_t size); // control characters as \e, \t ...
void EchoLine(const char *fmt, ...)
    __attribute__((format(printf, 1, 2)));                       // stderr, escaped, a line
void EchoLineV(const char *prefix, const char *fmt, va_list ap); // the same after a prefix

// Operator scripts
bool LoadScript(const char *path);  // parse and check the whole script; false: reported why
void StartScript();                 // from the user-interface loop: play the loaded script
bool ScriptFailed();                // an action or expectation failed
bool ScriptPlaying();               // a script is being played now
void ScriptFail(const char *why);   // the current action failed: report it, end the script
int ScriptDialogAnswer(char *path); // next scripted file-dialog answer: 0 cancel, 1 path, -1 none

// Record viewer
void CloseViewers(); // every viewer window, at shutdown and between tests

// Files: written without following another user's link or blocking on a FIFO (files_posix.cpp)
int ReplaceFile(const char *path, const char *data, size_t n); // via a temporary; 0 or -1
int AppendFile(const char *path, const char *data, size_t n);  // whole or not at all; 0 or -1
FILE *OpenRegularForRead(const char *path, const char **kind = nullptr); // nullptr unless a
// regular file (or a link to one), with errno set or *kind naming what it is instead
int SavePng(const QImage &image, const char *path); // through ReplaceFile; 0 or -1
const char *RunFolder(const char *script); // this play's private folder, made on first use; or null
void CloseRunFolder(const char *script);   // removed when empty, else named on standard error

// Files that come with the program
int DataFilePath(const char *name, char *path); // next to it, else ../share/xvelzuk1; -1: none

// Clock and event processing
bool InDrawEvents();  // inside ProcessDrawEvents: operator input and scripts wait
bool TestClockOn();   // true while tests drive the clock
void TestClockPoll(); // one poll of a wait under the test clock: advances it by 1 ms

// Deferred calls
bool RunDeferredCalls();    // the posted calls, unless inside a direct wait; true if any ran
void ForgetDeferredCalls(); // between tests

// Serial side of event processing
bool PumpPorts();        // pull arrived bytes, run due receive callbacks; true if one ran
void SchedulePump();     // arm the wake-up for bytes in flight or a pending notification
double NextNotifyTime(); // Timer() time a receive notification becomes due, -1 if unknown
void WaitForPortData(double seconds); // block until a port with a callback has data, at most
bool InDirectRead();                  // inside ComRd, GetInQLen or a flush: bytes are its own
void CloseAllPorts();                 // at shutdown and between tests
void FillPortRing(QWidget *ring);     // the COM-port ring lists the port table

// Port hints: the line under the status line and standard error say why a device did not open
void ExplainOpenFailure(const char *device, int error); // error: the open-error code
void ClearPortHint();                                   // a port opened: the hint line goes

// Panels
int ControlByName(const char *name, int *resource); // identifier by object name, or CTRL_NONE
int PanelOfResource(int resource); // handle of the loaded panel of that resource, or -1
QWidget *PanelWidget(int panel);   // nullptr if no such panel
int AddControl(int panel, QWidget *w, int kind); // a control made at run time: its id, or <0
QLabel *Caption(QWidget *w);
CtrlKind KindOf(int control);       // the kind of a resource control (KIND_DECO if unknown)
void PaintLed(QWidget *w, bool on); // an LED's look
void SwitchText(QWidget *w); // a binary switch names the side it stands on                     //
                             // the label whose buddy w is, or nullptr
QWidget *CtrlWidget(int panel, int control);
void CtrlMenu(QWidget *w, const QPoint &at); // a control's context menu; the choice dispatched
void DiscardAllPanels();

} // namespace plat

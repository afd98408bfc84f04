// The platform's back door for tests and scripted operation: a clock the caller drives, operator
// actions that travel the same event path as mouse and keyboard input, and panel snapshots.
#pragma once

// Clock
void UseTestClock(bool on);                  // on: Timer() stands still except where waits poll
void SetTestClock(double seconds);           // jump the test clock
void AdvanceTestClock(double seconds);       // move the test clock forward
void ResetQuitRequest();                     // forget a QuitUserInterface made outside the loop
void RunAfter(double seconds, void (*fn)()); // real time: call fn from event processing later
void SetIdleWait(bool on); // off: ProcessSystemEvents never waits (spins), for comparison
void AtTestTime(double seconds, void (*fn)()); // run fn from event processing once the test
                                               // clock reaches seconds (16 pending at most)
void RunWhenLoopStarts(void (*fn)());          // call fn from RunUserInterface's loop once it runs

// Operator actions; each returns 0, or -1 for an unknown panel/control or a dimmed control.
int OperatorPress(int panel, int control);          // mouse click: left click, then commit
int OperatorKey(int panel, int control);            // keyboard activation: commit only
int OperatorSet(int panel, int control, int value); // a person's change of a value
int OperatorClose(int panel);                       // the panel's close box
int OperatorMenu(int panel, int control, int item); // right click, then the item-th menu item

// The answer the next file dialog gives instead of asking: value 0 cancel, 1 the path.
void QueueDialogAnswer(int value, const char *path);
void CancelUnansweredDialogs(bool on); // on: a dialog with no answer queued is cancelled, unshown

// Status line: the last texts it showed, oldest first (up to 32 are kept).
int StatusHistory(const char **texts, int max); // fills texts, returns how many
void ClearStatusHistory();

// Panels
int PanelVisible(int panel);                   // 1 shown, 0 hidden, -1 no such panel
int GrabPanel(int panel, const char *pngPath); // render the panel to a PNG file; 0 ok
void ResetPlatform(); // close every port, discard every panel, forget callbacks and options

// Charts
int StripChartPoints(int panel, int control, int trace, double *values, int max); // shown, oldest
                                                                                  // first
struct GraphPlotInfo {
    int colour; // 0xRRGGBB
    int width;  // pixels
    int dashed; // 1 dashed, 0 solid
    int points;
};
int GraphPlot(int panel, int control, int index, GraphPlotInfo &info, double *y, int max);
// ^ the index-th plot of a graph in drawing order, with up to max of its y values; -1: none

// Ports
int ComOpenCount(); // ports open now
void RescanPorts(); // compare the port table with the system's ports now, not at the next change
void FakeSystemPorts(const char *const *paths, const char *const *byIds, int n); // the system's
// serial ports as scans see them from now on (device, by-id name or nullptr); n < 0: the real ones

// Record viewer windows
int ViewerCount();                                         // windows open now
int GrabViewer(const char *png);                           // the newest one as a PNG file; 0 ok
int ViewerPoint(double fraction, char *readout, int size); // the pointer moved there (a fraction
                                                           // of the plot width): the read-out
enum ViewerGestureKind {
    VIEWER_WHEEL, // wheel turned at `from`, `to` notches (> 0 zooms in)
    VIEWER_PAN,   // left-button drag from `from` to `to`
    VIEWER_BOX,   // right-button drag over the NORM pane's height from `from` to `to`
    VIEWER_WHOLE, // double click
};
int ViewerGesture(int kind, double from, double to); // on the newest window, at fractions of
                                                     // its plot width; 0 ok

// Panels and their controls, strip charts, graphs and file dialogs, over the toolkit's widgets.
// The panels come from a resource the program installs; the program also names the roles of its
// controls (the main panel, the status line, the hint line), so this room knows none of them.
#pragma once

#include "runtime.h"

class QWidget;
class QPoint;
class QLabel;
class QFrame;
class QSpinBox;

// ---- The resource ---------------------------------------------------------------------------

enum CtrlKind : int { // LoadPanel checks every widget against its kind
    KIND_NUMERIC,     // editable unsigned 16-bit numeric (QSpinBox, 0..65535)
    KIND_INDICATOR,   // read-only numeric display (QSpinBox, read-only)
    KIND_RING,        // ring / selector (QComboBox); value = item data, else item index
    KIND_STRING,      // one-line text display (QLineEdit, read-only)
    KIND_TEXTBOX,     // multi-line text box (QPlainTextEdit, read-only)
    KIND_COMMAND,     // command button (QPushButton)
    KIND_TOGGLE,      // toggle button (checkable QPushButton)
    KIND_SWITCH,      // binary switch (checkable QPushButton)
    KIND_RADIO,       // on/off radio button, not auto-exclusive (QRadioButton)
    KIND_LED,         // input LED (QLabel painted by the panels)
    KIND_STRIP,       // strip chart placeholder (QFrame)
    KIND_GRAPH,       // graph placeholder (QFrame)
    KIND_PICTURE,     // picture (QLabel)
    KIND_DECO,        // decoration (QFrame)
};

constexpr int kMaxResourceIds = 128; // control identifiers of a resource: 1 .. 127
struct ResourceControl {             // one row of a resource's control table
    int resource;                    // panel resource number, 1 .. 7
    int id;                          // control identifier
    CtrlKind kind;
    const char *name; // the widget's object name in the panel's form
};
struct ResourceFile {
    const char *file;                // the name LoadPanel is given (any folder before it)
    const ResourceControl *controls; // every control of every panel
    int nControls;
    QWidget *(*build)(int resource); // a new panel widget of that resource, or nullptr
};
void InstallResourceFile(const ResourceFile *resource); // before LoadPanel; kept, not copied

struct PanelRoles {   // controls the panels treat specially
    int mainResource; // the main panel: scripts end by closing it
    int statusLine;   // its status line: --verbose copies it, tests read its history
    int hintLine;     // the line under it: SetHintLine; hidden while empty
};
void InstallPanelRoles(const PanelRoles &roles);
int MainPanel();                                    // the loaded main panel's handle, or -1
int GetStatusLine(char *text, int size);            // the status line's text; 0, or -1 none loaded
void SetHintLine(const char *text);                 // the line under the status line; "" hides it
int ControlByName(const char *name, int *resource); // identifier by object name, or 0

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
constexpr int VAL_DEFAULT_COLOR = -1;   // the three colours: the control's own, as loaded
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
// Context menu of a graph: items in the order added; choosing one raises EVENT_MENU_ITEM.
int AddCtrlMenuItem(int panel, int control, const char *text); // its number from 1, or <0

int SetRingItems(int panel, int control, const char *const *labels, const int *values, int n,
                 int replace); // replace 0: items whose value stands keep their place; no callback

// ---- File dialogs ---------------------------------------------------------------------------

constexpr int VAL_OK_BUTTON = 0;   // file dialog confirm label: the dialog's default (saving)
constexpr int VAL_LOAD_BUTTON = 3; // file dialog confirm label: "Load"
constexpr int VAL_NO_FILE_SELECTED = 0;
constexpr int VAL_EXISTING_FILE_SELECTED = 1;
constexpr int VAL_NEW_FILE_SELECTED = 2;
int FileSelectPopup(const char *dir, const char *defaultName, const char *filter, const char *title,
                    int button, int restrictDir, int restrictExt, int allowCancel, int allowMakeDir,
                    char *path); // 0 cancel, 1 existing, 2 new

// A source of dialog answers other than the operator (an operator script): fills path and
// returns 1, or 0 to cancel, or -1 when it has none (the operator is asked).
using DialogAnswerPtr = int (*)(char *path);
void InstallDialogAnswers(DialogAnswerPtr answers);

// ---- Back door for tests and scripts --------------------------------------------------------

// Operator actions; each returns 0, or -1 for an unknown panel/control or a dimmed control.
int OperatorPress(int panel, int control);          // mouse click: left click, then commit
int OperatorKey(int panel, int control);            // keyboard activation: commit only
int OperatorSet(int panel, int control, int value); // a person's change of a value
int OperatorClose(int panel);                       // the panel's close box
int OperatorMenu(int panel, int control, int item); // right click, then the item-th menu item
void CancelUnansweredDialogs(bool on); // on: a dialog with no answer queued is cancelled, unshown

// Status line: the last texts it showed, oldest first (up to 32 are kept).
int StatusHistory(const char **texts, int max); // fills texts, returns how many
void ClearStatusHistory();

int PanelVisible(int panel);                   // 1 shown, 0 hidden, -1 no such panel
int GrabPanel(int panel, const char *pngPath); // render the panel to a PNG file; 0 ok

int StripChartPoints(int panel, int control, int trace, double *values, int max); // shown, oldest
                                                                                  // first
int StripChartPaints(int panel, int control); // paints of a strip chart since it was made
int ShownCtrlVal(int panel, int control);     // the number a numeric shows on the panel now, or -1
struct GraphPlotInfo {
    int colour; // 0xRRGGBB
    int width;  // pixels
    int dashed; // 1 dashed, 0 solid
    int points;
};
int GraphPlot(int panel, int control, int index, GraphPlotInfo &info, double *y, int max);
// ^ the index-th plot of a graph in drawing order, with up to max of its y values; -1: none

// ---- Shared by the panels' own files --------------------------------------------------------

namespace plat {
int PanelOfResource(int resource); // handle of the loaded panel of that resource, or -1
QWidget *PanelWidget(int panel);   // nullptr if no such panel
QWidget *CtrlWidget(int panel, int control);
int AddControl(int panel, QWidget *w, int kind); // a control made at run time: its id, or <0
QLabel *Caption(QWidget *w);                     // the label whose buddy w is, or nullptr
CtrlKind KindOf(int control);       // the kind of a resource control (KIND_DECO if unknown)
void PaintLed(QWidget *w, bool on); // an LED's look
void SwitchText(QWidget *w);        // a binary switch names the side it stands on
void CtrlMenu(QWidget *w, const QPoint &at); // a control's context menu; the choice dispatched
void DiscardAllPanels();
int StatusLineControl();                     // the status line's identifier, 0 none
void MakeIndicator(QSpinBox *box);           // a read-only box shows its values on a light face
bool SetIndicator(QSpinBox *box, int value); // kept, shown next frame; false: no face, set the box
int IndicatorValue(const QSpinBox *box);     // the newest value, shown or not
void ShowIndicators();                       // every kept value onto its face now
void ForgetIndicators();                     // kept values dropped, frame timer stopped
} // namespace plat

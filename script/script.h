// Operator scripts: a --play file read and checked whole into a list of actions for the player.
// Plain C++: no toolkit. The program names its controls and its two panels to the reader.
#pragma once

#include <cstddef>

enum ActionKind {
    ACT_PRESS,          // press CONTROL: left click, then commit
    ACT_KEY,            // key CONTROL: commit without a left click
    ACT_SET,            // set CONTROL VALUE: a person's change of the value
    ACT_DIALOG,         // dialog PATH | dialog cancel: answer of the next file dialog
    ACT_CLOSE,          // close main | close second: the panel's close box
    ACT_WAIT,           // wait SECONDS: time passes while events are processed
    ACT_EXPECT_STATUS,  // expect-status TEXT
    ACT_EXPECT,         // expect CONTROL VALUE
    ACT_EXPECT_DIMMED,  // expect-dimmed CONTROL yes|no
    ACT_EXPECT_VISIBLE, // expect-visible CONTROL yes|no
    ACT_EXPORT_SCAN,    // export-scan FILE: the last scan as CSV
    ACT_EXPORT_PNG,     // export-png CONTROL FILE: a control as a PNG image
    ACT_COMPARE,        // compare: the program's COMPARE, the next action once it ended
    ACT_EXPECT_COMPARE, // expect-compare same|differ|unread: the last comparison's outcome
    ACT_EXPORT_COMPARE, // export-compare FILE: the last comparison as CSV
    ACT_QUIT,           // quit: close the main panel
};

struct Action {
    int line; // line number in the script
    ActionKind kind;
    int resource;     // panel resource of the control
    int control;      // control identifier
    int value;        // number, yes (1) / no (0), dialog: 1 path, 0 cancel, or a CompareWord
    double seconds;   // wait
    char text[1024];  // status text, expected text value, dialog or export path
    char source[300]; // the line as written, for reports
};

enum CompareWord { COMPARED_SAME, COMPARED_DIFFER, COMPARED_UNREAD }; // expect-compare's words
extern const char *const kCompareWords[3];                            // "same", "differ", ...

constexpr int kMaxActions = 2000;
extern Action g_script[kMaxActions]; // the parsed script
extern int g_nScript;                // actions in it
extern char g_scriptPath[1024];      // its file name, for reports

struct ScriptNames {                                 // what the script's words stand for
    int (*control)(const char *name, int *resource); // control identifier and its panel, 0 none
    int mainPanel;                                   // resource of "close main"
    int secondPanel;                                 // resource of "close second"
};
void InstallScriptNames(const ScriptNames &names); // before a script is read

bool LoadScript(const char *path); // read and check the whole script; false: reported why
bool ParseScriptText(const char *text, size_t size, const char *path); // the same from memory;
                                                                       // path names it in reports

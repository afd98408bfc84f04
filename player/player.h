// The player of operator scripts: performs a read script's actions on the panels from the event
// loop, as an operator would, and turns its outcome into the process's exit code.
#pragma once

int PlatformExitCode(int code); // process exit code: a played script's verdict, else code

// What the operator scripts' export-scan action calls: the scan saved to path, 0 ok.
using ExportCallbackPtr = int (*)(const char *path);
void InstallScanExport(ExportCallbackPtr scanCsv); // nullptr: scripts cannot export a scan

// What the operator scripts' compare actions call: COMPARE run to its end (0, or -1 it could not
// start), the last comparison's outcome (a CompareWord, -1 none yet), and its CSV export (0 ok).
struct CompareHooks {
    int (*run)();
    int (*outcome)();
    int (*exportCsv)(const char *path);
};
void InstallCompareHooks(const CompareHooks &hooks); // all nullptr: scripts cannot compare

// The answer the next file dialog gives instead of asking: value 0 cancel, 1 the path.
void QueueDialogAnswer(int value, const char *path);

namespace plat {
bool ScriptFailed();              // an action or expectation failed
bool ScriptPlaying();             // a script is being played now
void ScriptFail(const char *why); // the current action failed: report it, end the script
} // namespace plat

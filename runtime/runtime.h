// The run-time: process start and end, the program's options, the clock, event processing, the
// user-interface loop, deferred calls and paths. Knows nothing of the program it runs: the program
// registers its identity, and the other rooms register what the loop and the shutdown call.
#pragma once

#include "files.h"

#include <cstdarg>

// ---- The program ----------------------------------------------------------------------------

struct ProgramIdentity {      // what messages, folders and titles call the program
    const char *name;         // short name: messages, the data folder, <prefix>/share/<name>
    const char *title;        // name and version, as --version prints it and windows show it
    const char *purpose;      // one line under the usage line of --help
    const char *viewer;       // the record viewer's window title, before the file's name
    const char *commands;     // --help lines of the program's own commands, or nullptr
    const char *const *flags; // the program's own on/off options ("--verify"), nullptr-ended;
                              // or nullptr
};
void RegisterProgram(const ProgramIdentity &id); // before PlatformOptions
const char *ProgramName();                       // the short name; "program" before registration
const char *ProgramTitle();                      // name and version
const char *ViewerTitle();                       // the record viewer's window title
int ProgramFlag(const char *flag);               // 1 when that one of the program's flags was given

// ---- Start ----------------------------------------------------------------------------------

struct RunTimeInstance { // what the process was started with
    int argc;
    char **argv;
};

int PlatformOptions(int argc, char **argv, int *exitCode); // 1: --help/--version/bad option done
int InitCVIRTE(RunTimeInstance instance); // 1 ok; 0: no display or toolkit failure (said why)
void CloseCVIRTE();                       // last call: windows, ports and toolkit closed
const char *PlayOption();                 // the --play FILE, or nullptr
const char *ViewOption();                 // the --view FILE, or nullptr
const char *PngOption();                  // the --png OUT given with --view, or nullptr

// The rooms above the run-time that hold windows, ports or other state hand it their hooks once
// (from a static initialiser): CloseCVIRTE closes them, ResetPlatform forgets them, in rank order.
enum RoomRank { ROOM_VIEWER, ROOM_COMPARE, ROOM_PORTS, ROOM_PANELS, ROOM_PLAYER, ROOM_COUNT };
struct RoomHooks {
    void (*close)();      // at shutdown: windows and ports closed, nullptr none
    void (*forget)();     // between tests: everything forgotten, nullptr none
    void (*loopStarts)(); // the user-interface loop begins, nullptr none
};
bool RegisterRoom(int rank, const RoomHooks &hooks); // true, for a static initialiser

// A source of events besides the toolkit: the serial ports. Event processing pulls from it.
struct EventSource {
    bool (*pump)();             // deliver what arrived; true if a callback ran
    double (*nextDue)();        // Timer() time a delivery becomes due, -1 if unknown
    bool (*wait)(double limit); // sleep through a frame under way, at most limit s; false: none
    void (*arm)();              // arm the wake-up for bytes in flight
    bool (*inDirectRead)();     // a direct read waits: bytes and deferred calls are its own
};
bool InstallEventSource(const EventSource &source); // true, for a static initialiser

// ---- Time and events ------------------------------------------------------------------------

double Timer();                   // seconds since start (the test clock when it is on)
void Delay(double seconds);       // blocks without processing events
void ProcessSystemEvents();       // runs pending events; idle: waits for the next, at most 20 ms
void ProcessDrawEvents();         // repaints and the close box only: no operator input, no receive
                                  // callbacks; for waits that read the port directly
int RunUserInterface();           // dispatch callbacks until QuitUserInterface; its code
void QuitUserInterface(int code); // ends RunUserInterface
int QuitPending();                // 1 once QuitUserInterface was called: waits end at once
using DeferredCallbackPtr = void (*)(void *callbackData);
// Calls fn from the next event processing (ProcessSystemEvents or the user-interface loop), never
// inside a direct port read, ProcessDrawEvents or another deferred call. 0, or -1 when full.
int PostDeferredCall(DeferredCallbackPtr fn, void *callbackData);
void DebugPrintf(const char *fmt, ...) __attribute__((format(printf, 1, 2))); // --verbose: to
                                                                              // standard error

// ---- Paths ----------------------------------------------------------------------------------

int GetProjectDir(char *dir);   // the program's directory, at most MAX_PATHNAME_LEN bytes
int GetUserFilesDir(char *dir); // where the operator's files go: the program's directory when
// it is a writable copy, not installed; else the user's data folder (made); -1: program's
int MakePathname(const char *dir, const char *name, char *path); // dir/name, bounded

// ---- Back door for tests --------------------------------------------------------------------

void UseTestClock(bool on);                  // on: Timer() stands still except where waits poll
void SetTestClock(double seconds);           // jump the test clock
void AdvanceTestClock(double seconds);       // move the test clock forward
void ResetQuitRequest();                     // forget a QuitUserInterface made outside the loop
void RunAfter(double seconds, void (*fn)()); // real time: call fn from event processing later
void SetIdleWait(bool on); // off: ProcessSystemEvents never waits (spins), for comparison
void AtTestTime(double seconds, void (*fn)()); // run fn from event processing once the test
                                               // clock reaches seconds (16 pending at most)
void RunWhenLoopStarts(void (*fn)());          // call fn from RunUserInterface's loop once it runs
void ResetPlatform(); // close every port and window, forget callbacks, options and deferred calls

// ---- Shared with the rooms above ------------------------------------------------------------

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
    unsigned flags = 0; // bit i: the program's flag i was given
};
extern Options g_opt;

void Log(const char *fmt, ...) __attribute__((format(printf, 1, 2))); // stderr, time-stamped
int DataFilePath(const char *name, char *path); // next to the program, else in its share folder

bool InDrawEvents();  // inside ProcessDrawEvents: operator input and scripts wait
bool TestClockOn();   // true while tests drive the clock
void TestClockPoll(); // one poll of a wait under the test clock: advances it by 1 ms
bool DisplayReachable(const char *display); // "[host]:n[.screen]": the X server listens

} // namespace plat

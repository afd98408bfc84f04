// A seeded random operator: thousands of presses, keys, edits, dialog answers, port changes,
// controller faults and cable pulls at random moments against the simulated controller, with
// the program's promises checked after every action. XVEL_SEED and XVEL_ACTIONS choose another
// run.
#include "fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

// The controls of the parameter variables, in the order of ParamVars().
const int kControls[] = {NEDITpowerA,   NEDITrefA,  NEDITtolA,    NEDITtriglvlA, NEDIThysteresis,
                         NEDITpolarity, NEDIThold,  NEDITaverage, NEDIThwmode,   DROP_EvalMode,
                         DropTrigmode,  RNGoutmode, RNGanamode,   NEDITsdelay,   NEDITmaxmode,
                         NEDITpowerB,   NEDITrefB,  NEDITtolB,    NEDITtriglvlB};
constexpr int kNumParams = int(std::size(kControls));

int PanelOf(int control) { // the panel that carries the control
    return Attr(panelHandle, control, ATTR_VISIBLE) >= 0 ? panelHandle : panelPopUp;
}

Ints PanelValues() { // what the parameter controls show
    Ints values;
    for (int c : kControls)
        values.push_back(CtrlInt(PanelOf(c), c));
    return values;
}

const int kButtons[] = {
    BTNRun,        BTNStop,       BTNStop,           BTNData,       BTNSend,
    BTNGet,        ButtonTeach,   ButtonReset,       ButtonRefresh, BTNStartRecord,
    BTNStopRecord, BTNStopRecord, RecordFileNameBtn, BTNViewRecord, BTNCompare};

std::mt19937 g_rng;
unsigned g_seed = 0;
int g_actions = 0, g_done = 0;
std::vector<std::string> g_log;                  // every action, for a failure report
std::set<uint16_t> g_allowed[kNumParams];        // values each variable may hold
std::set<std::tuple<int, int, int, int>> g_live; // words 0-3 of every live reply sent
int g_replySeen = 0;                             // replies of the simulator looked at so far
int g_loopDepth = 0;                             // a live loop or recording is running
double g_stopAt = -1;                     // when Stop, Stop Record or close came during a loop
int g_loops = 0;                          // live loops and recordings that ran
double g_worstBlock = 0, g_worstStop = 0; // longest action, longest loop end after a stop
std::string g_recDir;
bool g_readBack = false; // a COMPARE or a Send (read back with VERIFY on) is being pressed: its
                         // reads go into copies, never into a parameter variable
int g_paramSets = 0;     // operator edits of a parameter control so far

int Pick(int n) {
    return std::uniform_int_distribution<int>(0, n - 1)(g_rng);
}

void Log(const std::string &what) {
    std::ostringstream s;
    s.precision(3);
    s << std::fixed << Timer() << " " << what;
    g_log.push_back(s.str());
}

// What the panels hold and what the controller sent may end up in a parameter variable.
void LearnAllowed() {
    for (int i = 0; i < kNumParams; i++) {
        int v = 0;
        if (GetCtrlVal(PanelOf(kControls[i]), kControls[i], v) == 0)
            g_allowed[i].insert(uint16_t(v));
    }
    for (; g_replySeen < SimReplyCount(); g_replySeen++) {
        const SimReply *r = SimReplyAt(g_replySeen);
        if (r->order == 8) g_live.insert({r->words[0], r->words[1], r->words[2], r->words[3]});
        if ((r->order != 2 && r->order != 4) || g_readBack) continue;
        for (int i = 0; i < kNumParams; i++) // set I words 1-15, set II words 1-4
            if ((i < 15 ? 0 : 1) == r->set) g_allowed[i].insert(r->words[i < 15 ? i + 1 : i - 14]);
    }
}

void CheckRecordFile() {
    if (!std::filesystem::is_regular_file(recfile_name)) return; // a planted FIFO is never read
    std::ifstream f(recfile_name);
    std::string line;
    if (!std::getline(f, line)) return;
    ASSERT_EQ(line.rfind("X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: ", 0), 0u) << line;
    for (int n = 2; std::getline(f, line); n++) {
        unsigned a, b, c, d;
        char rest;
        ASSERT_EQ(sscanf(line.c_str(), "%u\t%u\t%u\t%u%c", &a, &b, &c, &d, &rest), 4) << line;
        ASSERT_TRUE(g_live.count({int(a), int(b), int(c), int(d)}))
            << recfile_name << ":" << n << " is no live reply: " << line;
    }
}

void CheckInvariants() {
    LearnAllowed();
    const std::vector<uint16_t> vars = ParamVars();
    for (int i = 0; i < kNumParams; i++)
        ASSERT_TRUE(g_allowed[i].count(vars[size_t(i)]))
            << "parameter " << i << " (control " << kControls[i] << ") holds " << vars[size_t(i)]
            << ", which neither a panel nor a reply of its set gave, after " << g_log.size() << ": "
            << g_log.back();
    CheckRecordFile();
    std::ifstream victim(g_recDir + "/victim.txt");
    std::string notes;
    std::getline(victim, notes);
    ASSERT_EQ(notes, "the victim's notes") << "after " << g_log.back();
}

// What another user may have planted in the folder: a FIFO, a folder and a link to their
// victim's file at names the dialogs hand out.
void PlantHostileNames() {
    std::ofstream(g_recDir + "/victim.txt") << "the victim's notes\n";
    mkfifo((g_recDir + "/fifo.dat").c_str(), 0666);
    std::filesystem::create_directories(g_recDir + "/dir.cfg");
    std::string link = g_recDir + "/link.cfg";
    if (geteuid() == 0 && symlink("victim.txt", link.c_str()) == 0)
        lchown(link.c_str(), 65534, 65534);
}

void Dialog() {
    static const char *kNames[] = {"a.dat",         "b.dat",    "p.cfg",   "q.cfg",   "x.txt",
                                   "missing/r.dat", "fifo.dat", "dir.cfg", "link.cfg"};
    if (Pick(5) == 0) {
        QueueDialogAnswer(0, "");
        Log("dialog cancel");
        return;
    }
    std::string path = g_recDir + "/" + kNames[Pick(int(std::size(kNames)))];
    QueueDialogAnswer(1, path.c_str());
    Log("dialog " + path);
}

// A press or key on a button; those that end a loop note when, to check how soon it ends.
// True when the press ran a live loop or a recording, which lasts until it is ended.
bool PressSomething() {
    const int control = kButtons[Pick(int(std::size(kButtons)))], panel = PanelOf(control);
    bool mayOpenDialog = control == RecordFileNameBtn || control == BTNSend || control == BTNGet;
    if (mayOpenDialog && Pick(2)) Dialog();
    bool key = Pick(4) == 0;
    Log(std::string(key ? "key " : "press ") + std::to_string(panel) + "/" +
        std::to_string(control));
    bool starts = control == BTNRun || control == BTNStartRecord;
    bool ends = control == BTNStop || control == BTNStopRecord;
    if (ends && g_loopDepth > 0 && g_stopAt < 0) g_stopAt = Timer();
    if (starts && Attr(panel, control, ATTR_DIMMED) == 0) {
        g_loopDepth++;
        g_stopAt = -1;
    }
    if (control == BTNCompare || control == BTNSend) LearnAllowed(); // what came before it counts
    const Ints panels = PanelValues();
    const std::vector<uint16_t> vars = ParamVars();
    int sets = g_paramSets;
    g_readBack = control == BTNCompare || control == BTNSend;
    int rc = key ? OperatorKey(panel, control) : OperatorPress(panel, control);
    LearnAllowed();
    g_readBack = false;
    if (control == BTNCompare && rc == 0 && sets == g_paramSets) { // no edit arrived meanwhile
        EXPECT_EQ(PanelValues(), panels) << "COMPARE changed a panel: " << g_log.back();
        EXPECT_EQ(ParamVars(), vars) << "COMPARE changed a parameter variable: " << g_log.back();
    }
    if (starts && rc == 0) {
        g_loops++;
        g_loopDepth--;
        if (g_stopAt >= 0) g_worstStop = std::max(g_worstStop, Timer() - g_stopAt);
        EXPECT_LT(g_stopAt < 0 ? 0 : Timer() - g_stopAt, 0.15) << "a loop outlived its Stop";
        g_stopAt = -1;
    }
    return starts && rc == 0;
}

void SetSomething() {
    switch (Pick(10)) {
    case 9: Log("verify"), OperatorSet(panelHandle, BINSWVerify, Pick(2)); break;
    case 8: Log("scan menu"), OperatorMenu(panelHandle, GRAPHData, 1 + Pick(2)); break;
    case 0: {
        int c = kControls[Pick(kNumParams)];
        int v = Pick(3) ? Pick(6) : Pick(65536);
        Log("set " + std::to_string(c) + " " + std::to_string(v));
        g_paramSets++;
        OperatorSet(PanelOf(c), c, v);
        break;
    }
    case 1: Log("graph source"), OperatorSet(panelHandle, RNGGraphSource, Pick(4)); break;
    case 2: Log("port"), OperatorSet(panelHandle, DropDCom, 1 + Pick(2)); break;
    case 3: {
        static const int kTargets[] = {RBTRam, RBTEeprom, RBTFile};
        Log("target"), OperatorSet(panelHandle, kTargets[Pick(3)], Pick(3) != 0);
        break;
    }
    case 4: Log("interval"), OperatorSet(panelPopUp, NEDITRecTime, Pick(2)); break;
    case 5: Log("lines"), OperatorSet(panelPopUp, NEDITRecSamples, Pick(40)); break;
    case 6:
        Log("second panel"),
            Pick(2) ? OperatorClose(panelPopUp) : OperatorSet(panelHandle, TOGBTNparaII, Pick(2));
        break;
    default: Log("power switch"), OperatorSet(panelHandle, BINSWpower, Pick(2)); break;
    }
}

void Fault() {
    if (Pick(4) == 0) { // the cable pulled, or plugged in again: the program reconnects
        bool in = !SimPlugged();
        Log(in ? "plug in" : "unplug");
        in ? SimPlugIn() : SimUnplug();
        return;
    }
    static const SimFault kFaults[] = {
        SIM_FAULT_NONE,      SIM_FAULT_NONE,         SIM_FAULT_NONE,
        SIM_FAULT_NO_ANSWER, SIM_FAULT_GARBAGE,      SIM_FAULT_BURST40,
        SIM_FAULT_VANISH,    SIM_FAULT_IGNORE_WRITE, SIM_FAULT_BAD_WRITE};
    SimFault f = kFaults[Pick(int(std::size(kFaults)))];
    Log(std::string("fault ") + SimFaultName(f));
    SimSetFault(f);
}

void Act();

// The next action is due before this one starts, so it can arrive while this one runs.
void ScheduleNext() {
    if (++g_done >= g_actions) { // the last action: end whatever still runs
        AtTestTime(Timer() + 0.01, [] {
            OperatorPress(panelHandle, BTNStop);
            OperatorPress(panelPopUp, BTNStopRecord);
        });
        return;
    }
    static const double kGaps[] = {0, 0.001, 0.005, 0.02, 0.05, 0.1, 0.3, 0.8};
    AtTestTime(Timer() + kGaps[Pick(int(std::size(kGaps)))], Act);
}

void Act() {
    ScheduleNext();
    double start = Timer();
    int kind = Pick(100) == 0 ? 19 : Pick(19);
    bool loop = false;
    if (kind < 9)
        loop = PressSomething();
    else if (kind < 16)
        SetSomething();
    else if (kind < 18)
        Dialog();
    else if (kind < 19)
        Fault();
    else {
        Log("close main");
        if (g_loopDepth > 0 && g_stopAt < 0) g_stopAt = Timer();
        OperatorClose(panelHandle);
    }
    // The longest bounded command: a port change to a silent port (echo 2 s, two reads of
    // 1.5 s, firmware 2 s) or a scan without answers (5 x 1.5 s), plus quiet-line waits.
    double took = Timer() - start;
    if (!loop) {
        g_worstBlock = std::max(g_worstBlock, took);
        EXPECT_LT(took, 8.0) << g_log.back();
    }
    CheckInvariants();
}

} // namespace

class RandomOperator : public AppTest {};

TEST_F(RandomOperator, ThousandsOfRandomActionsNeverCorruptAParameterALiveSampleOrARecordLine) {
    const char *seed = getenv("XVEL_SEED"), *actions = getenv("XVEL_ACTIONS");
    g_seed = seed ? unsigned(strtoul(seed, nullptr, 10)) : 20261207u;
    g_actions = actions ? atoi(actions) : 5000;
    g_rng.seed(g_seed);
    g_recDir = TEST_TMP_DIR "/random-operator";
    std::filesystem::remove_all(g_recDir); // files of an earlier run hold other panels' values
    std::filesystem::create_directories(g_recDir);
    PlantHostileNames();
    MapPorts({"--com", "1=sim", "--com", "2=sim"});
    CancelUnansweredDialogs(true);
    LoadPanels();
    StartHotplug();
    snprintf(recfile_name, sizeof recfile_name, "%s/start.dat", g_recDir.c_str());
    InitRS232(com);
    LearnAllowed();
    AtTestTime(Timer(), Act);
    while (g_done < g_actions && !HasFatalFailure()) {
        ProcessSystemEvents();
        if (QuitPending()) { // the operator closed the window: start the program's port again
            ResetQuitRequest();
            Log("restart");
            BeginExchange();
            InitRS232(com);
            EndExchange();
        }
    }
    for (int i = 0; i < 3000 && ExchangeRunning(); i++)
        ProcessSystemEvents();
    if (HasFailure()) {
        std::string all;
        for (const std::string &l : g_log)
            all += l + "\n";
        ADD_FAILURE() << "seed " << g_seed << ", " << g_log.size() << " actions:\n" << all;
    }
    printf("seed %u: %d actions, %d loops, %d replies, %d opens, %.1f s on the test clock, longest "
           "action %.2f s, longest loop end after Stop %.3f s\n",
           g_seed, g_done, g_loops, SimReplyCount(), SimOpenCount(), Timer(), g_worstBlock,
           g_worstStop);
}

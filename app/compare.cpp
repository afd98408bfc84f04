// The COMPARE command and the read-back that verifies a Send: both parameter sets read from the
// controller's RAM and EEPROM into copies of their own, set beside the panels and the last file.
#include "compare.h"
#include "XVELZUK1V15.h"
#include "com232.h"

#include <cstdio>

// Reads set I and set II of one memory into a column; a set without answer stays unknown.
static void ReadMemory(int column, int from, CompareTable *t) {
    uint16_t frames[2][PNUM] = {};
    t->shown[column] = 1;
    for (int set = 0; set < 2 && !QuitPending(); set++)
        t->have[column][set] = ReadSetCopy(from, uint16_t(set), frames[set]);
    SettingsFromFrames(frames[0], frames[1], &t->column[column]);
}

static void Known(CompareTable *t, int column, const Settings &values) {
    t->column[column] = values;
    t->shown[column] = t->have[column][0] = t->have[column][1] = 1;
}

// The port as the ring names it, with the device behind it; the firmware text of the start-up.
static void Describe(CompareTable *t) {
    char device[MAX_PATHNAME_LEN] = "";
    if (GetPortDeviceName(com, device, int(sizeof device)) == 0)
        snprintf(t->port, sizeof t->port, "COM%d (%.260s)", com, device);
    else
        snprintf(t->port, sizeof t->port, "COM%d", com);
    snprintf(t->firmware, sizeof t->firmware, "%s", szVersion);
    StampCompareTable(t);
}

// "<lead>no answer - RAM set I not read; 2 differ - HOLD, DELAY", or the differences alone;
// 0 when every set was read and nothing differs.
static int Summarise(const CompareTable &t, const char *lead, char *text, int size) {
    char missing[160], captions[400];
    int unread = CompareMissing(t, missing, int(sizeof missing));
    int differ = CompareDiffering(t, captions, int(sizeof captions));
    int n = 0; // a summary longer than the status line holds is cut, never overrun
    if (unread && differ)
        n = snprintf(text, size_t(size), "%sno answer - %s not read; %d differ - %s", lead, missing,
                     differ, captions);
    else if (unread)
        n = snprintf(text, size_t(size), "%sno answer - %s not read", lead, missing);
    else if (differ)
        n = snprintf(text, size_t(size), "%s%d differ - %s", lead, differ, captions);
    return n > 0;
}

static void Publish(const CompareTable &t) {
    g_compare = t;
    SetCtrlVal(panelHandle, TXTStatus, g_compare.summary);
}

int CC_BTNCompare(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT || !BeginExchange()) return 0;
    CompareTable t{};
    Settings panels;
    GetPanelSettings(&panels); // as the panels stand when COMPARE was pressed
    Known(&t, COL_PANELS, panels);
    ReadMemory(COL_RAM, RAM, &t);
    if (!QuitPending()) ReadMemory(COL_EEPROM, EEPROM, &t);
    Settings file;
    char why[MAX_PATHNAME_LEN + 100];
    if (fileChosen && ReadSettingsFile(file_name, &file, why, int(sizeof why)) == 0)
        Known(&t, COL_FILE, file);
    else if (fileChosen)
        SayOutcome("File column left out: %s", why);
    Describe(&t);
    if (!Summarise(t, "Compare: ", t.summary, int(sizeof t.summary)))
        snprintf(t.summary, sizeof t.summary, "Compare: panels = RAM = EEPROM");
    if (!QuitPending()) {
        Publish(t);
        ShowCompareView();
    }
    EndExchange();
    return 0;
}

void VerifySend(int memory) {
    CompareTable t{};
    uint16_t frames[2][PNUM];
    for (int set = 0; set < 2; set++) {
        CopyVarsToPP(uint16_t(set)); // the frames just sent
        for (int i = 0; i < PNUM; i++)
            frames[set][i] = pp[i];
    }
    Settings sent;
    SettingsFromFrames(frames[0], frames[1], &sent);
    Known(&t, COL_PANELS, sent);
    Delay(0.1); // the controller stores set II before it answers a read
    const int column = memory == EEPROM ? COL_EEPROM : COL_RAM;
    ReadMemory(column, memory, &t);
    if (QuitPending()) return;
    Describe(&t);
    if (!Summarise(t, "Verify FAILED: ", t.summary, int(sizeof t.summary)))
        snprintf(t.summary, sizeof t.summary, "Verify: %s holds what was sent",
                 kCompareColumnNames[column]);
    Publish(t);
    RefreshCompareView();
}

int LastCompareOutcome() {
    char scratch[400];
    if (!g_compare.shown[COL_PANELS]) return COMPARE_NONE;
    if (CompareMissing(g_compare, scratch, int(sizeof scratch))) return COMPARE_UNREAD;
    return CompareDiffering(g_compare, scratch, int(sizeof scratch)) ? COMPARE_DIFFER
                                                                     : COMPARE_SAME;
}

static void Status(const char *text) {
    SetCtrlVal(panelHandle, TXTStatus, text);
}

static int RunCompare() {
    return OperatorPress(panelHandle, BTNCompare);
}

static int ExportForScript(const char *path) {
    if (LastCompareOutcome() == COMPARE_NONE) {
        Status("No comparison to save: press COMPARE first!");
        return -1;
    }
    return ExportCompareCsv(path);
}

void InitCompare() {
    fileChosen = 0;
    SetCtrlVal(panelHandle, BINSWVerify, ProgramFlag("--verify"));
    InstallCompareContext({proj_dir, BeginExchange, EndExchange, Status, SetHintLine});
    InstallCompareHooks({RunCompare, LastCompareOutcome, ExportForScript});
}

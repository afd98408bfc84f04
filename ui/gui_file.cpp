// The parameter file: both parameter frames as 32 numbers, one a line, 5 characters wide.
// A file that cannot be written or read is reported on the status line and changes nothing.
#include "com232.h"
#include "gui.h"

#include <cstdio>

static void Report(const char *format, const char *path, int line = 0) {
    char text[MAX_PATHNAME_LEN + 100];
    snprintf(text, sizeof text, format, path, line);
    SetCtrlVal(panelHandle, TXTStatus, text);
}

void SendParaToFile() {
    GetPanelValues(); // the file holds what the panels show
    unsigned values[PARA_FILE_VALUES];
    CopyVarsToPP(0);
    for (int i = 0; i < PNUM; i++)
        values[i] = pp[i];
    CopyVarsToPP(1);
    for (int i = 0; i < PNUM; i++)
        values[PNUM + i] = pp[i];
    if (ArrayToFile(file_name, values, PARA_FILE_VALUES, 1, VAL_GROUPS_AS_COLUMNS, VAL_CONST_WIDTH,
                    5, VAL_TRUNCATE) < 0) {
        Report("Cannot write parameter file %s!", file_name);
        SayOutcome("%s", LastFileFault());
        return;
    }
    KnowSentSet(0);
    KnowSentSet(1);
    SayOutcome("Parameters saved as %s", file_name);
}

// The file loads as it always did (32 numbers, each as its low 16 bits); what did not fit that
// is said, so a file meant for something else does not pass unnoticed.
static void SayLoaded(const ArrayFileNotes &notes) {
    char warn[160] = "";
    int n = 0;
    if (notes.wide > 0)
        n = snprintf(warn, sizeof warn, " - %d number%s above 65535 loaded as the low 16 bits",
                     notes.wide, notes.wide == 1 ? "" : "s");
    if (notes.extra > 0 && n >= 0 && size_t(n) < sizeof warn)
        snprintf(warn + n, sizeof warn - size_t(n),
                 " - %d more word%s after the 32nd number not read", notes.extra,
                 notes.extra == 1 ? "" : "s");
    SayOutcome("Parameters loaded from %s%s", file_name, warn);
}

void ReadParaFromFile() {
    if (FileSelectPopup(proj_dir, "ZUK1para.cfg", "*.cfg", "X-VEL-ZUK1 Parameter File",
                        VAL_LOAD_BUTTON, 0, 1, 1, 1, file_name) <= 0) {
        SayOutcome("No file chosen: nothing loaded");
        return;
    }
    fileChosen = 1;
    unsigned values[PARA_FILE_VALUES];
    int badLine = 0;
    ArrayFileNotes notes{};
    switch (FileToArray(file_name, values, PARA_FILE_VALUES, &badLine, &notes)) {
    case -1:
        Report("Cannot read parameter file %s!", file_name);
        SayOutcome("%s", LastFileFault());
        return;
    case -2: Report("Parameter file %s holds fewer than 32 numbers!", file_name); return;
    case -3: Report("Parameter file %s: no valid number in line %d!", file_name, badLine); return;
    default: break;
    }
    for (int i = 0; i < PNUM; i++)
        pp[i] = uint16_t(values[i]); // low 16 bits
    CopyPPtoVars(0);
    for (int i = 0; i < PNUM; i++)
        pp[i] = uint16_t(values[PNUM + i]);
    CopyPPtoVars(1);
    SayLoaded(notes);
}

// Data out: the last scan as CSV, controls as PNG images, the scan graph's save menu, and the
// second panel's button that opens the record file in the record viewer.
#include "XVELZUK1V15.h"
#include "com232.h"

#include <cstdio>
#include <cstring>

// Named as the graph-source ring names its positions.
static const char *const kViews[4] = {"RAW A / B", "NORM A / B", "NORM CHANNEL A",
                                      "NORM CHANNEL B"};
constexpr int MENU_SAVE_CSV = 1, MENU_SAVE_PNG = 2; // the scan graph's menu items, in order

static void Status(const char *fmt, const char *path) {
    char text[MAX_PATHNAME_LEN + 64];
    snprintf(text, sizeof text, fmt, path);
    SetCtrlVal(panelHandle, TXTStatus, text);
}

// A header row naming the view and the data kind, then one row per index 0..127.
static int FormatScanCSV(char *out, size_t size) {
    const char *kind = scanview == 0 ? "raw ADC" : "normalised";
    int n = snprintf(out, size,
                     "index (view %s),channel A (%s),channel B (%s),upper limit,lower limit,"
                     "reference\n",
                     kViews[scanview], kind, kind);
    for (int i = 0; i < SCAN_SAMPLES && n > 0 && size_t(n) < size; i++)
        n += snprintf(out + n, size - size_t(n), "%d,%u,%u,%u,%u,%u\n", i, yArrayA[i], yArrayB[i],
                      upArray[i], loArray[i], refArray[i]);
    return n > 0 && size_t(n) < size ? n : -1;
}

int ExportScanCSV(const char *path) {
    if (scanview < 0 || scanview > 3) {
        SetCtrlVal(panelHandle, TXTStatus, "No scan to save: capture one first!");
        return -1;
    }
    static char text[8192]; // 129 rows of at most 36 characters
    int n = FormatScanCSV(text, sizeof text);
    if (n < 0 || ArrayToFile(path, text, n, VAL_TRUNCATE) != 0) {
        Status("Cannot write %s!", path);
        SayOutcome("%s", LastFileFault());
        return -1;
    }
    Status("Scan saved as %s", path);
    return 0;
}

int ExportControlPNG(int panel, int control, const char *path) {
    if (GrabControl(panel, control, path) != 0) {
        Status("Cannot write %s!", path);
        SayOutcome("%s", LastFileFault());
        return -1;
    }
    Status("Image saved as %s", path);
    return 0;
}

int CC_GRAPHData(int, int, int event, void *, int item, int) {
    if (event != EVENT_MENU_ITEM || (item != MENU_SAVE_CSV && item != MENU_SAVE_PNG)) return 0;
    if (!BeginExchange()) return 0; // a modal dialog would stall a running exchange's waits
    bool csv = item == MENU_SAVE_CSV;
    char path[MAX_PATHNAME_LEN];
    int chosen = FileSelectPopup(proj_dir, csv ? "scan.csv" : "scan.png", csv ? "*.csv" : "*.png",
                                 csv ? "Save scan as CSV" : "Save scan graph as PNG", VAL_OK_BUTTON,
                                 0, 1, 1, 1, path);
    if (chosen == VAL_EXISTING_FILE_SELECTED || chosen == VAL_NEW_FILE_SELECTED) {
        if (csv)
            ExportScanCSV(path);
        else
            ExportControlPNG(panelHandle, GRAPHData, path);
    }
    EndExchange();
    return 0;
}

// The viewer reads the file as it stands, also while a recording still adds to it.
int CC_BTNViewRecord(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    char message[VIEW_MESSAGE_LEN] = "";
    ViewRecord(recfile_name, message, int(sizeof message));
    if (char *end = strchr(message, '\n')) *end = '\0'; // the first fault; the window lists all
    if (message[0]) SetCtrlVal(panelHandle, TXTStatus, message);
    return 0;
}

void InitExports() {
    AddCtrlMenuItem(panelHandle, GRAPHData, "Save scan as CSV...");
    AddCtrlMenuItem(panelHandle, GRAPHData, "Save graph as PNG...");
    InstallScanExport(ExportScanCSV);
}

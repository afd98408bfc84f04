// The settings side by side: the panels' values against copies read from the controller's RAM
// and EEPROM and against the last parameter file, with a summary, a CSV record and a window.
#pragma once

#include "settings.h"

enum CompareColumn { COL_PANELS, COL_RAM, COL_EEPROM, COL_FILE, COMPARE_COLUMNS };
extern const char *const kCompareColumnNames[COMPARE_COLUMNS]; // "Panels", "RAM", ...

struct CompareTable {
    Settings column[COMPARE_COLUMNS]; // the values of each column, rows in kSettings order
    int have[COMPARE_COLUMNS][2];     // 1 when the column holds set I / set II
    int shown[COMPARE_COLUMNS];       // 1 when the column is part of the table at all
    char when[32];                    // local date and time of the reading, "2026-12-07 23:50:01"
    char port[300];                   // the port it was read on, as the operator knows it
    char firmware[65];                // the controller's firmware text
    char summary[512];                // what the status line said of it
};
extern CompareTable g_compare; // the last comparison (COMPARE or a verified send)

int CompareCellKnown(const CompareTable &t, int row, int column);   // the cell holds a value
int CompareCellDiffers(const CompareTable &t, int row, int column); // known and not the panels'
// The rows where any known cell differs from the panels: their number, and their captions
// comma-separated in captions (cut short to fit size).
int CompareDiffering(const CompareTable &t, char *captions, int size);
// The shown sets no answer came for, as "RAM set I, EEPROM set II"; 0 when every set was read.
int CompareMissing(const CompareTable &t, char *text, int size);
void CompareCellText(const CompareTable &t, int row, int column, char *text, int size); // "640",
// "1 (NORM (A & B))", or "-" when not read

void StampCompareTable(CompareTable *t); // when := the local time now
// The commissioning record: when, port, firmware, then a row per setting with every column.
// Its length, or -1 when out is too small.
int FormatCompareCsv(const CompareTable &t, char *out, int size);

// ---- The window (Qt) ----------------------------------------------------------------------------

struct CompareContext {               // what the window's CSV export needs of the program
    const char *folder;               // where the save dialog starts
    int (*begin)();                   // 1: the program is free for a modal dialog, now held
    void (*end)();                    // the dialog is over
    void (*status)(const char *text); // how the export ended, on the status line
    void (*hint)(const char *text);   // why it failed, on the line under it
};
void InstallCompareContext(const CompareContext &context);
void ShowCompareView();    // shows g_compare in its window, opening it or bringing it up to date
void RefreshCompareView(); // brings an open window up to date; a closed one stays closed
int ExportCompareCsv(const char *path); // g_compare as CSV into path now: 0, or -1 (said why)
void CloseCompareView();

// ---- Back door for tests --------------------------------------------------------------------

int CompareViewOpen();                                          // 1 while the window is shown
int CompareViewCell(int row, int column, char *text, int size); // a cell's text; its mark 1/0,
                                                                // -1 no such cell
int GrabCompareView(const char *png);                           // the window as a PNG; 0 ok

// The comparison itself, without the toolkit: which cells are known and which differ from the
// panels, the summary of the differing settings and the sets not read, and the CSV record.
#include "compare.h"

#include <cstdio>
#include <cstring>
#include <ctime>

const char *const kCompareColumnNames[COMPARE_COLUMNS] = {"Panels", "RAM", "EEPROM", "File"};
CompareTable g_compare;

int CompareCellKnown(const CompareTable &t, int row, int column) {
    return t.shown[column] && t.have[column][kSettings[row].set];
}

int CompareCellDiffers(const CompareTable &t, int row, int column) {
    return column != COL_PANELS && CompareCellKnown(t, row, column) &&
           CompareCellKnown(t, row, COL_PANELS) &&
           t.column[column].value[row] != t.column[COL_PANELS].value[row];
}

// Appends text to out after a comma when out holds something; what does not fit is left off.
static void AppendItem(char *out, int size, const char *text) {
    size_t n = strlen(out);
    if (n + 1 >= size_t(size)) return;
    snprintf(out + n, size_t(size) - n, "%s%s", n ? ", " : "", text);
}

int CompareDiffering(const CompareTable &t, char *captions, int size) {
    int differ = 0;
    captions[0] = '\0';
    for (int row = 0; row < SETTINGS_COUNT; row++) {
        bool any = false;
        for (int c = COL_RAM; c < COMPARE_COLUMNS; c++)
            any = any || CompareCellDiffers(t, row, c);
        if (!any) continue;
        differ++;
        AppendItem(captions, size, kSettings[row].caption);
    }
    return differ;
}

int CompareMissing(const CompareTable &t, char *text, int size) {
    int missing = 0;
    text[0] = '\0';
    for (int c = COL_RAM; c < COMPARE_COLUMNS; c++)
        for (int set = 0; set < 2; set++) {
            if (!t.shown[c] || t.have[c][set]) continue;
            char item[32];
            snprintf(item, sizeof item, "%s set %s", kCompareColumnNames[c], set ? "II" : "I");
            AppendItem(text, size, item);
            missing++;
        }
    return missing;
}

void CompareCellText(const CompareTable &t, int row, int column, char *text, int size) {
    if (!CompareCellKnown(t, row, column))
        snprintf(text, size_t(size), "-");
    else
        FormatSetting(row, t.column[column].value[row], text, size);
}

namespace {
// Text added to a fixed buffer; once something did not fit, it stays failed.
struct Out {
    char *p;
    int size, n = 0;
    bool failed = false;
    void add(const char *fmt, const char *text) {
        if (failed) return;
        int w = snprintf(p + n, size_t(size - n), fmt, text);
        if (w < 0 || n + w >= size)
            failed = true;
        else
            n += w;
    }
    // A field as CSV: quoted, inner quotes doubled, so captions and device texts with commas
    // stay one field.
    void field(const char *text) {
        add("%s", "\"");
        for (const char *c = text; *c; c++) {
            char one[2] = {*c, 0};
            add("%s", *c == '"' ? "\"\"" : one);
        }
        add("%s", "\"");
    }
};
} // namespace

void StampCompareTable(CompareTable *t) {
    time_t now = time(nullptr);
    const tm *local = localtime(&now);
    if (!local || strftime(t->when, sizeof t->when, "%Y-%m-%d %H:%M:%S", local) == 0)
        t->when[0] = '\0';
}

int FormatCompareCsv(const CompareTable &t, char *out, int size) {
    Out o{out, size};
    const char *head[][2] = {{"date and time", t.when}, {"port", t.port}, {"firmware", t.firmware}};
    for (auto &h : head) {
        o.field(h[0]);
        o.add("%s", ",");
        o.field(h[1]);
        o.add("%s", "\n");
    }
    o.field("setting");
    for (int c = 0; c < COMPARE_COLUMNS; c++)
        if (t.shown[c]) o.add(",%s", kCompareColumnNames[c]);
    o.add("%s", "\n");
    for (int row = 0; row < SETTINGS_COUNT; row++) {
        o.field(kSettings[row].caption);
        for (int c = 0; c < COMPARE_COLUMNS; c++) {
            if (!t.shown[c]) continue;
            char cell[64];
            CompareCellText(t, row, c, cell, sizeof cell);
            o.add("%s", ",");
            o.field(cell);
        }
        o.add("%s", "\n");
    }
    return o.failed ? -1 : o.n;
}

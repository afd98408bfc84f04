// Fuzz target: the operator-script reader. Any text either loads as actions that each stand for
// one line of the script as written, with arguments in their ranges, or is refused.
#include "XVELZUK1V15.h"
#include "harness.h"
#include "script.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

// What the reader sees of line `number` (1 = first): before a '#', trimmed.
static size_t LineText(const uint8_t *data, size_t size, int number, char *out, size_t max) {
    size_t at = 0;
    for (int n = 1; n < number && at < size; at++)
        if (data[at] == '\n') n++;
    size_t end = at;
    while (end < size && data[end] != '\n' && data[end] != '#')
        end++;
    while (at < end && isspace(data[at]))
        at++;
    while (end > at && isspace(data[end - 1]))
        end--;
    size_t n = end - at < max - 1 ? end - at : max - 1;
    memcpy(out, data + at, n);
    out[n] = '\0';
    return end - at;
}

static int LinesIn(const uint8_t *data, size_t size) {
    int n = 1;
    for (size_t i = 0; i < size; i++)
        n += data[i] == '\n' && i + 1 < size;
    return n;
}

static bool Terminated(const char *text, size_t size) {
    return memchr(text, '\0', size) != nullptr;
}

static bool NeedsControl(ActionKind k) {
    return k == ACT_PRESS || k == ACT_KEY || k == ACT_SET || k == ACT_EXPECT ||
           k == ACT_EXPECT_DIMMED || k == ACT_EXPECT_VISIBLE;
}

static void CheckAction(const Action &a, const uint8_t *data, size_t size, int lines) {
    if (a.line < 1 || a.line > lines) FuzzFail("action at line %d of %d", a.line, lines);
    if (!Terminated(a.text, sizeof a.text) || !Terminated(a.source, sizeof a.source))
        FuzzFail("line %d: text without its terminator", a.line);
    char written[sizeof a.source];
    LineText(data, size, a.line, written, sizeof written);
    if (strcmp(written, a.source) != 0)
        FuzzFail("line %d reads '%s' but the action was taken from '%s'", a.line, written,
                 a.source);
    if (a.kind < ACT_PRESS || a.kind > ACT_QUIT) FuzzFail("line %d: kind %d", a.line, a.kind);
    if (NeedsControl(a.kind) &&
        (a.control == CTRL_NONE || (a.resource != PANEL && a.resource != POPUP)))
        FuzzFail("line %d: control %d of resource %d", a.line, a.control, a.resource);
    if (a.kind == ACT_WAIT && !(std::isfinite(a.seconds) && a.seconds >= 0 && a.seconds <= 86400))
        FuzzFail("line %d: wait %g s", a.line, a.seconds);
    if (a.kind == ACT_DIALOG && (!a.text[0] || strlen(a.text) >= 260))
        FuzzFail("line %d: dialog path of %zu characters", a.line, strlen(a.text));
    if ((a.kind == ACT_EXPECT_DIMMED || a.kind == ACT_EXPECT_VISIBLE) && a.value != 0 &&
        a.value != 1)
        FuzzFail("line %d: yes/no value %d", a.line, a.value);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool named = (InstallProgram(), true); // the program's control names
    (void)named;
    FuzzQuiet(true);
    bool ok = ParseScriptText(reinterpret_cast<const char *>(data), size, "fuzz/script.txt");
    FuzzQuiet(false);
    if (g_nScript < 0 || g_nScript > kMaxActions) FuzzFail("%d actions", g_nScript);
    int lines = LinesIn(data, size);
    for (int i = 0; i < g_nScript; i++) {
        CheckAction(g_script[i], data, size, lines);
        if (i > 0 && g_script[i].line <= g_script[i - 1].line)
            FuzzFail("actions %d and %d share or swap lines", i, i + 1);
    }
    if (ok && memchr(data, '\0', size)) FuzzFail("a script holding a NUL byte loaded");
    if (ok) { // every line that holds something became exactly one action
        int filled = 0;
        char text[8];
        for (int n = 1; n <= lines; n++)
            filled += LineText(data, size, n, text, sizeof text) > 0;
        if (filled != g_nScript) FuzzFail("%d lines with actions, %d actions", filled, g_nScript);
    }
    return 0;
}

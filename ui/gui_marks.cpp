// Edits not yet sent: the value each of the 19 parameter controls last had from the controller,
// a parameter file or a whole Send, and a pale tint on every control whose value differs from it.
#include "gui.h"

static int g_known[SETTINGS_COUNT];     // value last read, sent, loaded or saved
static int g_ownColour[SETTINGS_COUNT]; // a marked control's background before it was marked

void UpdateEditMarks() {
    for (int i = 0; i < SETTINGS_COUNT; i++) {
        const ParamBinding &b = kBindings[i];
        int value = 0, colour = VAL_DEFAULT_COLOR;
        if (GetCtrlVal(*b.panel, b.control, value) < 0 ||
            GetCtrlAttribute(*b.panel, b.control, ATTR_TEXT_BGCOLOR, colour) < 0)
            continue; // panels not loaded
        // Whether it is marked is read from the control itself, so panels loaded anew never
        // meet a stale idea of it; restyling costs, so only a change is written.
        bool edited = value != g_known[i], marked = colour == EDIT_MARK_COLOR;
        if (edited == marked) continue;
        if (edited) g_ownColour[i] = colour;
        SetCtrlAttribute(*b.panel, b.control, ATTR_TEXT_BGCOLOR,
                         edited ? EDIT_MARK_COLOR : g_ownColour[i]);
    }
}

void KnowPanelValues() {
    for (int i = 0; i < SETTINGS_COUNT; i++)
        GetCtrlVal(*kBindings[i].panel, kBindings[i].control, g_known[i]);
    UpdateEditMarks();
}

// What went out is what the variables held, not what the controls show now: an edit made while
// the sets were on their way stays marked.
void KnowSentSet(int set) {
    for (int i = 0; i < SETTINGS_COUNT; i++)
        if (kSettings[i].set == set) g_known[i] = *kBindings[i].variable;
    UpdateEditMarks();
}

int EditMarked(int panel, int control) {
    for (const ParamBinding &b : kBindings) {
        if (*b.panel != panel || b.control != control) continue;
        int colour = VAL_DEFAULT_COLOR;
        GetCtrlAttribute(panel, control, ATTR_TEXT_BGCOLOR, colour);
        return colour == EDIT_MARK_COLOR ? 1 : 0;
    }
    return -1;
}

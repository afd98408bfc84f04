// The program's resource: its two panels, compiled in from their forms, and the table that ties
// every control identifier to its widget, installed in the panels room by name.
#include "ui_panel_main.h"
#include "ui_panel_popup.h"
#include "uir.h"

constexpr ResourceControl kControls[] = {
#define UIR_ROW(panel, name, kind) {panel, name, kind, #name},
    UIR_CONTROLS(UIR_ROW)
#undef UIR_ROW
};
static_assert(CTRL_COUNT <= kMaxResourceIds, "the panels keep room for every identifier");

static QWidget *BuildForm(int resource) {
    auto *w = new QWidget;
    if (resource == PANEL) {
        Ui::PANEL form;
        form.setupUi(w);
    } else if (resource == POPUP) {
        Ui::POPUP form;
        form.setupUi(w);
    } else {
        delete w;
        return nullptr;
    }
    return w;
}

static const ResourceFile kResource = {"XVELZUK1V15.uir", kControls, int(std::size(kControls)),
                                       BuildForm};

void InstallProgramResource() {
    InstallResourceFile(&kResource);
}

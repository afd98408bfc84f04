// What the rooms below learn of this program: its name and version, its panels' resource, the
// roles of its controls, the names scripts use, and where the exchanges and port hints report.
#include "XVELZUK1V15.h"
#include "script.h"

static void ShowOnStatusLine(const char *text) {
    SetCtrlVal(panelHandle, TXTStatus, text);
}

// The start-up reads read RAM: the storage-target buttons show it too, or a panel still showing
// EEPROM or FILE would make the operator believe a later Send stores there.
static void ShowTargetRam() {
    SetCtrlVal(panelHandle, RBTRam, 1);
    SetCtrlVal(panelHandle, RBTEeprom, 0);
    SetCtrlVal(panelHandle, RBTFile, 0);
}

void FillComRing(int replace) {
    const char *labels[plat::kMaxPorts];
    int numbers[plat::kMaxPorts];
    int n = PortRing(labels, numbers, plat::kMaxPorts);
    int panel = plat::PanelOfResource(PANEL);
    if (panel > 0) SetRingItems(panel, DropDCom, labels, numbers, n, replace);
}

static const char *const kFlags[] = {"--verify", nullptr};

void InstallProgram() {
    RegisterProgram({"xvelzuk1", "X-VEL-ZUK1-Rerov V1.5",
                     "Configures and monitors an X-VEL-ZUK1 controller on a serial port.",
                     "X-VEL-ZUK1 record viewer",
                     "  --verify        start with VERIFY on: every Send to RAM or EEPROM is read\n"
                     "                  back and compared\n" SETTINGS_USAGE,
                     kFlags});
    InstallProgramResource();
    InstallPanelRoles({PANEL, TXTStatus, TXTPortHint});
    InstallScriptNames({ControlByName, PANEL, POPUP});
    InstallProtocolReports({ShowOnStatusLine, SetHintLine, ShowTargetRam});
    InstallPortHints(SetHintLine);
    InstallPortListCallback([] { FillComRing(0); });
}

// Banner of the main panel for each brand the program serves: colours, logo bitmap (looked up
// by bare name next to the program) and the text lines, created at run time.
#include "logo.h"
#include "com232.h"
#include "gui.h"

#include <iterator>

char szSoftname[64];
char szSoftversion[64];

constexpr int WHITE = 0xFFFFFF;
constexpr int GREY = 0x808080;
constexpr int BLUE = 0x0080FF;

namespace {
struct Brand {
    bool drawn;            // false: the banner is left as it is
    int colour;            // banner and text background
    int text;              // text colour
    const char *bitmap;    // logo file, or nullptr: picture hidden
    int logoLeft, logoTop; // logo position
    const char *lines[3];  // company name, telephone line, web address line, or none
    int nameLeft, nameTop; // software name position
    int versionLeft, versionTop;
};
} // namespace

// Telephone and web lines are configuration text of each brand, one line each.
static const Brand kBrands[] = {
    {true, WHITE, GREY, nullptr, 0, 0, {}, 20, 20, 180, 24},
    {true, BLUE, WHITE, nullptr, 0, 0, {}, 20, 20, 180, 24},
    {true,
     BLUE,
     WHITE,
     "qv.bmp",
     175,
     6,
     {"Quarvel GmbH", "Tel. +49 721 555-0100", "quarvel.example"},
     220,
     32,
     380,
     36},
    {true, WHITE, GREY, "telmaravico.bmp", 470, 8, {}, 20, 20, 180, 24},
    {true,
     BLUE,
     WHITE,
     "bramso.bmp",
     470,
     7,
     {"BRAMSO Sensor-GmbH", "Tel. +49 40 555-0140", "bramso.example"},
     220,
     32,
     380,
     36},
    {false, 0, 0, nullptr, 0, 0, {}, 0, 0, 0, 0},
    {true,
     WHITE,
     GREY,
     "fentar.bmp",
     470,
     7,
     {"FENTAR Industrieelektronik-GmbH", "Tel. +49 89 555-0160", "fentar.example"},
     220,
     32,
     380,
     36},
};

void ShowInfoText(int background, int colour, const char *text, int left, int top, int pointSize) {
    int line = NewCtrl(panelHandle, CTRL_TEXT_MSG, "", top, left);
    SetCtrlAttribute(panelHandle, line, ATTR_TEXT_FONT, "NIApp");
    SetCtrlAttribute(panelHandle, line, ATTR_TEXT_BOLD, 1);
    SetCtrlAttribute(panelHandle, line, ATTR_TEXT_BGCOLOR, background);
    SetCtrlAttribute(panelHandle, line, ATTR_TEXT_COLOR, colour);
    SetCtrlAttribute(panelHandle, line, ATTR_TEXT_POINT_SIZE, pointSize);
    SetCtrlVal(panelHandle, line, text);
}

void ShowLogo(int brand) {
    if (brand < 0 || brand >= int(std::size(kBrands)) || !kBrands[brand].drawn) return;
    const Brand &b = kBrands[brand];
    SetCtrlAttribute(panelHandle, DECOBanner, ATTR_FRAME_COLOR, b.colour);
    if (b.bitmap) {
        SetCtrlAttribute(panelHandle, PICLogo, ATTR_TOP, b.logoTop);
        SetCtrlAttribute(panelHandle, PICLogo, ATTR_LEFT, b.logoLeft);
        DisplayImageFile(panelHandle, PICLogo, b.bitmap);
        for (int i = 0; i < 3; i++)
            if (b.lines[i]) ShowInfoText(b.colour, b.text, b.lines[i], 15, 7 + 15 * i, 11);
    } else {
        SetCtrlAttribute(panelHandle, PICLogo, ATTR_VISIBLE, 0);
    }
    ShowInfoText(b.colour, b.text, szSoftname, b.nameLeft, b.nameTop, 16);
    ShowInfoText(b.colour, b.text, szSoftversion, b.versionLeft, b.versionTop, 11);
}

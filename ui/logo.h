// The banner at the top of the main panel: the brand's colour, logo bitmap and company lines,
// with the software name and version.
#pragma once

extern char szSoftname[64];    // software name shown in the banner
extern char szSoftversion[64]; // software version shown in the banner

constexpr int BRAND_USED = 2; // the brand this program shows

void ShowLogo(int brand); // brand 0..6 as tabled; 5 and any other value draw nothing
void ShowInfoText(int background, int colour, const char *text, int left, int top,
                  int pointSize); // one new bold text line on the main panel

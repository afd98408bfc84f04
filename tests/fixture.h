// Test fixture: the program's panels loaded offscreen, COM1 mapped to the simulated controller,
// the test clock on, and every global back at its start value.
#pragma once

#include "XVELZUK1V15.h"
#include "com232.h"
#include "gui.h"
#include "sim.h"
#include "testing.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;
using Ints = std::vector<int>;
using Doubles = std::vector<double>;

constexpr const char *kSimFirmware =
    "XVEL-ZUK1 SIM FW 1.07 2x1024px 19200Bd"; // the simulator's firmware text

// Maps ports as the command line would: e.g. {"--com", "1=sim"}; with comOnly the mapped ports
// alone, without it the system's ports too.
void MapPorts(std::vector<std::string> args, bool comOnly = true);

Bytes SentBytes();                             // everything the program wrote to the simulator
std::string FileText(const std::string &path); // a file's whole content, "" when unreadable
Bytes Frame(int order, std::vector<unsigned> words); // 36-byte request frame, words zero-filled
std::string StatusLine();                            // the text on the status line now
std::vector<std::string> StatusTexts();              // the status line's texts since the last clear
int CtrlInt(int panel, int control);                 // a control's value
int Attr(int panel, int control, int attribute);

// More read-backs: the order of each 36-byte frame sent (-1 for a short tail), a control's text
// value or text attribute, and several controls' values or one attribute of several, to check
// them together.
Ints SentOrders();
std::string CtrlText(int panel, int control, int attribute = 0);
Ints CtrlInts(int panel, Ints controls);
Ints Attrs(int panel, Ints controls, int attribute);
int HandlerTakesReplies(); // 1 when the receive handler takes the reply to a Refresh sent now
int SentCount(int order);  // how many frames of this order were sent
// The nineteen parameter variables in frame order: set I words 1-15, then set II words 1-4.
std::vector<uint16_t> ParamVars();

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    void LoadPanels(); // the panels and InitVars, as WinMain does before the serial start-up
};

// The panels loaded and the line opened as at start-up, then what start-up sent and showed
// forgotten, so a test sees only what its own command does.
class LineTest : public AppTest {
  protected:
    void SetUp() override;
};

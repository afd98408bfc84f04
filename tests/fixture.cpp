// Shared set-up of the program-level tests and small helpers to read what the program did.
#include "fixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>

void MapPorts(std::vector<std::string> args, bool comOnly) {
    std::vector<char *> argv{const_cast<char *>("xvelzuk1")};
    if (comOnly) argv.push_back(const_cast<char *>("--com-only"));
    for (auto &a : args)
        argv.push_back(a.data());
    int code = 0;
    ASSERT_EQ(PlatformOptions(int(argv.size()), argv.data(), &code), 0);
    ResetPlatform(); // the port table is rebuilt from the new options
    InstallCallbackTable(kControlCallbacks, kControlCallbackCount, kPanelCallbacks,
                         kPanelCallbackCount);
}

Bytes SentBytes() {
    static unsigned char buf[SIM_SENT_CAPACITY];
    int n = SimSent(buf, int(sizeof buf));
    return Bytes(buf, buf + n);
}

Ints SentOrders() {
    Bytes b = SentBytes();
    Ints orders;
    for (size_t i = 0; i < b.size(); i += 36)
        orders.push_back(i + 36 <= b.size() ? b[i + 2] << 8 | b[i + 3] : -1);
    return orders;
}

int SentCount(int order) {
    Ints orders = SentOrders();
    return int(std::count(orders.begin(), orders.end(), order));
}

std::vector<uint16_t> ParamVars() {
    return {powerA,  refA,   tolA,     triglvlA, hysteresis, polarity, hold,
            average, hwmode, evalmode, trigmode, outmode,    anamode,  sdelay,
            maxmode, powerB, refB,     tolB,     triglvlB};
}

Bytes Frame(int order, std::vector<unsigned> words) {
    Bytes f{0x00, 0x55, static_cast<unsigned char>(order >> 8), static_cast<unsigned char>(order)};
    words.resize(16, 0);
    for (unsigned w : words) {
        f.push_back(static_cast<unsigned char>(w >> 8));
        f.push_back(static_cast<unsigned char>(w));
    }
    return f;
}

std::string StatusLine() {
    char text[512] = "";
    GetCtrlVal(panelHandle, TXTStatus, text, int(sizeof text));
    return text;
}

std::vector<std::string> StatusTexts() {
    const char *texts[32];
    int n = StatusHistory(texts, 32);
    return std::vector<std::string>(texts, texts + n);
}

int CtrlInt(int panel, int control) {
    int v = -12345;
    GetCtrlVal(panel, control, v);
    return v;
}

std::string CtrlText(int panel, int control, int attribute) {
    char text[256] = "";
    if (attribute)
        GetCtrlAttribute(panel, control, attribute, text, int(sizeof text));
    else
        GetCtrlVal(panel, control, text, int(sizeof text));
    return text;
}

int Attr(int panel, int control, int attribute) {
    int v = -1;
    GetCtrlAttribute(panel, control, attribute, v);
    return v;
}

Ints CtrlInts(int panel, Ints controls) {
    for (int &c : controls)
        c = CtrlInt(panel, c);
    return controls;
}

Ints Attrs(int panel, Ints controls, int attribute) {
    for (int &c : controls)
        c = Attr(panel, c, attribute);
    return controls;
}

int HandlerTakesReplies() {
    rx_flag = 0;
    FillTxBuf(11, pp);
    ComWrt(com, szWriteBuf, FRAMELEN);
    return WaitRxFull();
}

void AppTest::SetUp() {
    UseTestClock(true);
    SetTestClock(0);
    SimReset();
    MapPorts({"--com", "1=sim"});
    graphrefresh = 0;
    ClearStatusHistory();
}

void AppTest::LoadPanels() {
    panelHandle = LoadPanel(0, "XVELZUK1V15.uir", PANEL);
    panelPopUp = LoadPanel(0, "XVELZUK1V15.uir", POPUP);
    ASSERT_GT(panelHandle, 0);
    ASSERT_GT(panelPopUp, 0);
    GetProjectDir(proj_dir);
    InitVars();
}

void AppTest::TearDown() {
    ResetPlatform();
    UseTestClock(false);
}

void LineTest::SetUp() {
    AppTest::SetUp();
    LoadPanels();
    InitRS232(com);
    SimClearSent();
    ClearStatusHistory();
}

std::string FileText(const std::string &path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

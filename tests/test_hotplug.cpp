// Ports that come and go while the program runs: a vanished device closes its port at once in
// every state, the COM ring follows the system's ports with stable numbers, and the chosen port
// comes back by itself when its own device returns, never inside another exchange.
#include "fixture.h"
#include "run_program.h"

#include <csignal>
#include <filesystem>
#include <unistd.h>

// The status texts of a port's start-up: the line check, both parameter sets, the firmware.
static const std::vector<std::string> kStartUp = {"Init COM-Port ...",
                                                  "Echo Check - Line Ok!",
                                                  "Waiting for parameter-frame ...",
                                                  "Parameter-frame received! - Line Ok!",
                                                  "Waiting for parameter-frame ...",
                                                  "Parameter-frame received! - Line Ok!",
                                                  "Waiting for firmware info ...",
                                                  kSimFirmware,
                                                  kSimFirmware};

static void Settle(double seconds) { // event processing on the test clock, 1 ms a turn
    for (double end = Timer() + seconds; Timer() < end;)
        ProcessSystemEvents();
}

static std::string Ring() {
    return CtrlText(panelHandle, DropDCom);
}

static std::vector<std::string> RingItems() {
    std::vector<std::string> items;
    int keep = CtrlInt(panelHandle, DropDCom);
    for (int n = 1; n <= 4; n++)
        if (SetCtrlVal(panelHandle, DropDCom, n) == 0) items.push_back(Ring());
    SetCtrlVal(panelHandle, DropDCom, keep);
    return items;
}

class Hotplug : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        Start();
    }
    void Start() {
        LoadPanels();
        StartHotplug();
        InitRS232(com);
        SimClearSent();
        ClearStatusHistory();
    }
};

TEST_F(Hotplug, ALostPortIsClosedAtOnceAndComesBackByItselfWithThePortChangeStartUp) {
    SimUnplug();
    double lost = Timer();
    while (ComOpenCount() > 0 && Timer() - lost < 1)
        ProcessSystemEvents();
    EXPECT_LT(Timer() - lost, 0.1);
    EXPECT_EQ(SimCloseCount(), 1);
    Settle(0.5);
    EXPECT_EQ(Ring(), "COM1  sim (simulator) (absent)");
    EXPECT_EQ(CtrlText(panelHandle, TXTPortHint),
              "COM1 closed: its device is gone. It reconnects when the device returns.");
    EXPECT_EQ(SimOpenCount(), 1) << "nothing tries while the device is away";
    SimSetRamWord(0, 2, 1234); // refA changed on the controller meanwhile
    SimPlugIn();
    Settle(0.5);
    EXPECT_EQ(StatusTexts(), kStartUp);
    EXPECT_EQ(SentOrders(), (Ints{5, 2, 2, 7}));
    EXPECT_EQ(refA, 1234);
    EXPECT_EQ(Ring(), "COM1  sim (simulator)");
    EXPECT_EQ(Attr(panelHandle, TXTPortHint, ATTR_VISIBLE), 0);
    EXPECT_EQ(ComOpenCount(), 1);
}

TEST_F(Hotplug, AReconnectWaitsUntilARunningRecordingOrScanHasEndedAndRestartsNeither) {
    static int openedDuring;
    snprintf(recfile_name, sizeof recfile_name, "%s", TEST_TMP_DIR "/hotplug.dat");
    SetCtrlVal(panelPopUp, NEDITRecSamples, 1000);
    struct Case {
        int panel, button;
        SimFault fault;    // a silent controller keeps the scan in its reply wait
        const char *ended; // the command's own time-out text
    };
    for (Case c : {Case{panelPopUp, BTNStartRecord, SIM_FAULT_NONE, "Timeout RS232-Line!"},
                   Case{panelHandle, BTNData, SIM_FAULT_NO_ANSWER,
                        "Timeout-RS-232 while reading 64 data-words!"}}) {
        SimSetFault(c.fault);
        int opens = SimOpenCount();
        AtTestTime(Timer() + 0.2, SimUnplug);
        AtTestTime(Timer() + 0.5, [] {
            SimSetFault(SIM_FAULT_NONE);
            SimPlugIn();
        });
        AtTestTime(Timer() + 1.2, [] { openedDuring = SimOpenCount(); });
        ClearStatusHistory();
        OperatorPress(c.panel, c.button);
        EXPECT_EQ(openedDuring, opens) << c.button;
        EXPECT_EQ(StatusLine(), c.ended);
        SimClearSent();
        ClearStatusHistory();
        Settle(0.2);
        EXPECT_EQ(StatusTexts(), kStartUp) << c.button;
        EXPECT_EQ(SentOrders(), (Ints{5, 2, 2, 7})) << "the command is not restarted";
    }
}

TEST_F(Hotplug, APortTheOperatorChangedAwayFromIsLeftAloneWhenItComesBack) {
    MapPorts({"--com", "1=sim", "--com", "2=/nonexistent/ttyXVEL"});
    Start();
    int opens = SimOpenCount();
    SimUnplug();
    Settle(0.1);
    OperatorSet(panelHandle, DropDCom, 2);
    ClearStatusHistory();
    SimPlugIn();
    Settle(0.5);
    EXPECT_EQ(SimOpenCount(), opens);
    EXPECT_EQ(StatusTexts(), std::vector<std::string>{});
    EXPECT_EQ(RingItems(), (std::vector<std::string>{"COM1  sim (simulator)",
                                                     "COM2  /nonexistent/ttyXVEL (absent)"}));
}

// The system's ports as a scan finds them: devices of the in-process simulator under the names
// of USB adapter nodes, with by-id names.
static void SystemPorts(std::vector<std::pair<const char *, const char *>> ports) {
    std::vector<const char *> paths, ids;
    for (auto [path, id] : ports) {
        paths.push_back(path);
        ids.push_back(id);
    }
    FakeSystemPorts(paths.data(), ids.data(), int(ports.size()));
}

TEST_F(Hotplug, NumbersStayWithTheirAdapterAndOnlyTheSameStableNameReconnects) {
    MapPorts({"--com", "2=/nonexistent/ttyXVEL"}, false); // the system's ports and one mapping
    SimRegisterDevice("usb0");
    SimRegisterDevice("usb1");
    SystemPorts({{"usb0", "usb-FTDI_A"}});
    Start();
    int opens = SimOpenCount();
    EXPECT_EQ(Ring(), "COM1  usb0 (usb-FTDI_A) (simulator)");
    SystemPorts({});
    SimUnplug();
    Settle(0.1);
    // Another adapter at the same node is a new port with the next free number; no reconnect.
    SystemPorts({{"usb0", "usb-FTDI_B"}});
    SimPlugIn();
    Settle(0.5);
    EXPECT_EQ(RingItems(), (std::vector<std::string>{"COM1  usb0 (usb-FTDI_A) (simulator) (absent)",
                                                     "COM2  /nonexistent/ttyXVEL (absent)",
                                                     "COM3  usb0 (usb-FTDI_B) (simulator)"}));
    EXPECT_EQ(CtrlInt(panelHandle, DropDCom), 1) << "the selection stays";
    EXPECT_EQ(SimOpenCount(), opens);
    // The first adapter back under another node: its old number, reconnected there.
    SystemPorts({{"usb0", "usb-FTDI_B"}, {"usb1", "usb-FTDI_A"}});
    RescanPorts();
    Settle(0.5);
    EXPECT_EQ(Ring(), "COM1  usb1 (usb-FTDI_A) (simulator)");
    EXPECT_EQ(StatusTexts(), kStartUp);
    // A node without a by-id link is held back while a stable name is awaited.
    SystemPorts({{"usb0", "usb-FTDI_B"}});
    RescanPorts();
    SystemPorts({{"usb0", "usb-FTDI_B"}, {"usb1", ""}});
    RescanPorts();
    EXPECT_EQ(RingItems().size(), 3u);
    SystemPorts({{"usb0", "usb-FTDI_B"}, {"usb1", "usb-FTDI_A"}});
    RescanPorts();
    EXPECT_EQ(RingItems().size(), 3u);
    EXPECT_EQ(Ring(), "COM1  usb1 (usb-FTDI_A) (simulator)");
}

// ---- Over a pseudo-terminal, on real time ----------------------------------------------------

static int g_sim = -1;          // the xvelzuk1-sim process
static std::string g_tty;       // its pty
static int g_openAtCheck;       // ports open a tenth of a second after the loss
static bool g_heldAtCheck;      // the pty still among the program's descriptors then
static double g_backAt, g_okAt; // real times: the pty came back, the line check passed

static bool HoldsTty() {
    for (const auto &fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code err;
        std::string target = std::filesystem::read_symlink(fd.path(), err).string();
        if (target == g_tty || target == g_tty + " (deleted)") return true;
    }
    return false;
}

static void Check() {
    g_openAtCheck = ComOpenCount();
    g_heldAtCheck = HoldsTty();
}

class HotplugPty : public AppTest {
  protected:
    void Connect(const std::vector<std::string> &simArgs, const std::string &port = "") {
        UseTestClock(false);
        g_tty = StartSimServer(simArgs, &g_sim);
        ASSERT_FALSE(g_tty.empty());
        MapPorts({"--com", "1=" + (port.empty() ? g_tty : port)});
        LoadPanels();
        StartHotplug();
        InitRS232(com);
        ASSERT_EQ(ComOpenCount(), 1);
        ASSERT_TRUE(HoldsTty());
        ClearStatusHistory();
    }
    void TearDown() override {
        StopSimServer(g_sim);
        g_sim = -1;
        AppTest::TearDown();
    }
};

TEST_F(HotplugPty, AVanishedPtyIsClosedAndItsNodeReleasedWithinATenthOfASecondInEveryState) {
    snprintf(recfile_name, sizeof recfile_name, "%s", TEST_TMP_DIR "/hotplug-pty.dat");
    struct Case {
        int button;    // 0: idle in the user-interface loop
        bool silent;   // a controller that never answers keeps a reply wait waiting
        double loseAt; // seconds into the command
        const char *ended;
    };
    const Case cases[] = {{0, false, 0, nullptr},
                          {BTNRun, false, 0.3, "Timeout RS232-Line!"},
                          {BTNStartRecord, false, 0.3, "Timeout RS232-Line!"},
                          {BTNData, false, 0.2, "Timeout-RS-232 while reading 64 data-words!"},
                          {ButtonRefresh, true, 0.3, "Timeout RS-232!!"}}; // a parameter frame
    for (const Case &c : cases) {
        Connect(c.silent ? std::vector<std::string>{"--fault", "no-answer"}
                         : std::vector<std::string>{});
        g_openAtCheck = -1;
        RunAfter(c.loseAt, [] { kill(g_sim, SIGTERM); });
        RunAfter(c.loseAt + 0.1, Check);
        if (c.button == 0) {
            RunAfter(0.2, [] { QuitUserInterface(0); });
            RunUserInterface();
            ResetQuitRequest();
        } else {
            OperatorPress(c.button == BTNStartRecord ? panelPopUp : panelHandle, c.button);
            EXPECT_EQ(StatusLine(), c.ended) << c.button;
        }
        for (double t = Timer(); g_openAtCheck < 0 && Timer() - t < 1;) // a scan ends sooner
            ProcessSystemEvents();
        EXPECT_EQ(g_openAtCheck, 0) << c.button;
        EXPECT_FALSE(g_heldAtCheck) << c.button;
        StopSimServer(g_sim);
    }
}

// Polls the status line's texts; runs inside the start-up's waits too, so it only ends the loop
// once the start-up has shown its last text.
static void AwaitStartUp() {
    std::vector<std::string> texts = StatusTexts();
    for (const std::string &s : texts)
        if (s == "Echo Check - Line Ok!" && g_okAt < 0) g_okAt = Timer();
    if ((texts.size() > 2 && texts.back() == kSimFirmware) || Timer() - g_backAt > 5) {
        QuitUserInterface(0);
        return;
    }
    RunAfter(0.005, AwaitStartUp);
}

TEST_F(HotplugPty, APtyBackUnderItsLinkIsReopenedAndCheckedSoonAfterItsReturn) {
    std::string link = TEST_TMP_DIR "/hotplug-link";
    Connect({"--link", link}, link);
    RunAfter(0.1, [] { kill(g_sim, SIGUSR1); });
    RunAfter(0.4, [] {
        g_backAt = Timer();
        kill(g_sim, SIGUSR2);
        AwaitStartUp();
    });
    g_okAt = -1;
    RunUserInterface();
    ASSERT_GT(g_okAt, 0) << "no reconnect within 5 s";
    EXPECT_LT(g_okAt - g_backAt, 1.5);
    EXPECT_EQ(StatusTexts(), kStartUp);
    g_tty = std::filesystem::read_symlink(link).string();
    EXPECT_TRUE(HoldsTty()) << "open on the pty the link points at now";
}

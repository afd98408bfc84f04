// The command line and the session the program starts in: option refusals that name their
// fault, the port it starts on, and an X display that does not answer.
#include "fixture.h"
#include "run_program.h"
#include "runtime.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// ---- Option refusals ------------------------------------------------------------------------

struct Parsed {
    int result = 0, exitCode = -1;
    std::string errors;
};

static Parsed Options(std::vector<std::string> args) {
    std::vector<char *> argv{const_cast<char *>("xvelzuk1")};
    for (auto &a : args)
        argv.push_back(a.data());
    Parsed p;
    testing::internal::CaptureStderr();
    p.result = PlatformOptions(int(argv.size()), argv.data(), &p.exitCode);
    p.errors = testing::internal::GetCapturedStderr();
    return p;
}

static std::vector<std::string> Mappings(int n) { // --com 1=sim, --com 2=sim, ...
    std::vector<std::string> args;
    for (int i = 0; i < n; i++)
        args.insert(args.end(), {"--com", std::to_string(i % 32 + 1) + "=sim"});
    return args;
}

TEST(Options, EachMalformedOptionNamesItsFaultAndExitsTwoBeforeTheUsage) {
    const std::pair<std::vector<std::string>, const char *> cases[] = {
        {{"--com", "0=sim"}, "--com 0=sim: the COM port number must be 1 to 32"},
        {{"--com", "33=sim"}, "--com 33=sim: the COM port number must be 1 to 32"},
        {{"--com=x=sim"}, "--com x=sim: the COM port number must be 1 to 32"},
        {{"--com", "1="}, "--com 1=: no device after '='"},
        {{"--com", "sim"}, "--com sim: expected N=DEVICE, e.g. --com 1=/dev/ttyUSB0"},
        {Mappings(33), "--com 1=sim: at most 32 --com mappings"},
        {{"--com", "1=/" + std::string(255, 'd')},
         "--com 1=...: the device path is longer than 255 characters"},
        {{"--play", std::string(1024, 'p')}, "--play: the path is longer than 1023 characters"},
        {{"--verbose", "--play"}, "--play needs a value: --play FILE"},
        {{"--view"}, "--view needs a value: --view FILE"},
        {{"--view", "r.dat", "--png"}, "--png needs a value: --png OUT"},
        {{"--com"}, "--com needs a value: --com N=DEVICE"},
        {{"--bogus"}, "unknown or malformed option '--bogus'"},
    };
    for (const auto &[args, message] : cases) {
        Parsed p = Options(args);
        EXPECT_EQ(p.result, 1) << message;
        EXPECT_EQ(p.exitCode, 2) << message;
        EXPECT_EQ(p.errors.substr(0, p.errors.find('\n') + 1),
                  "xvelzuk1: " + std::string(message) + "\n");
        EXPECT_EQ(p.errors.substr(p.errors.find('\n') + 1, 26), "Usage: xvelzuk1 [options]\n");
    }
}

TEST(Options, TheWellFormedNeighboursOfThoseOptionsAreTaken) {
    Parsed p =
        Options({"--com", "1=sim", "--com=32=/dev/ttyUSB0", "--com", "2=" + std::string(255, 'd')});
    EXPECT_EQ(p.result, 0) << p.errors;
    EXPECT_EQ(p.errors, "");
    p = Options(Mappings(32));
    EXPECT_EQ(p.result, 0) << p.errors;
    p = Options({"--view", std::string(1023, 'v'), "--png", "out.png"});
    EXPECT_EQ(p.result, 0) << p.errors;
    EXPECT_EQ(ProgramFlag("--verify"), 0);
    EXPECT_EQ(Options({"--verify", "--com", "1=sim"}).result, 0);
    EXPECT_EQ(ProgramFlag("--verify"), 1);
    EXPECT_EQ(Options({"--verify=1"}).exitCode, 2); // a flag takes no value
}

TEST_F(AppTest, VerifyIsOnAtStartWithTheVerifyOptionAndOffWithout) {
    for (int on : {0, 1}) {
        ASSERT_EQ(Options(on ? std::vector<std::string>{"--verify", "--com", "1=sim"}
                             : std::vector<std::string>{"--com", "1=sim"})
                      .result,
                  0);
        LoadPanels();
        EXPECT_EQ(CtrlInt(panelHandle, BINSWVerify), on);
        ResetPlatform();
    }
}

// ---- The port the program starts on ---------------------------------------------------------

TEST(StartPort, WithComOnlyTheProgramStartsOnTheLowestMappedPortAndReachesTheController) {
    const std::string script = std::string(TEST_TMP_DIR) + "/startport.txt";
    FILE *f = fopen(script.c_str(), "w");
    fprintf(f, "expect DropDCom 8\nexpect-status %s\n", kSimFirmware);
    fclose(f);
    ProgramResult r = RunProgram({XVELZUK1_PATH, "--headless", "--com-only", "--com",
                                  "12=/nonexistent/ttyXVEL", "--com", "8=sim", "--play", script});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
}

TEST_F(AppTest, TheStartPortIsTheRingsFirstItemAndStaysCom1WhileTheRingHasIt) {
    MapPorts({"--com", "8=sim", "--com", "5=sim"}); // --com-only
    LoadPanels();
    EXPECT_EQ((Ints{com, CtrlInt(panelHandle, DropDCom)}), (Ints{5, 5}));
    ASSERT_EQ(Options({"--com", "8=sim"}).result, 0); // and the system's ports: one is there
    ResetPlatform();
    const char *system[] = {"/dev/ttyXVELFAKE0"}, *ids[] = {nullptr};
    FakeSystemPorts(system, ids, 1);
    LoadPanels();
    EXPECT_EQ((Ints{com, CtrlInt(panelHandle, DropDCom)}), (Ints{1, 1}));
    MapPorts({});
    EXPECT_EQ(FirstComPort(), 1) << "an empty ring still offers COM1";
}

// ---- A display that does not answer ---------------------------------------------------------

// A display number with no server socket here.
static std::string SilentDisplay() {
    int n = 7319;
    char path[64];
    for (;; n++) {
        snprintf(path, sizeof path, "/tmp/.X11-unix/X%d", n);
        if (access(path, F_OK) != 0) break;
    }
    snprintf(path, sizeof path, ":%d", n);
    return path;
}

static ProgramResult RunWithDisplay(const std::vector<std::string> &env,
                                    std::vector<std::string> args) {
    std::vector<std::string> argv{"/usr/bin/env", "-u", "QT_QPA_PLATFORM", "-u", "WAYLAND_DISPLAY"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(XVELZUK1_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

TEST(Display, ADisplayThatDoesNotAnswerEndsAsWithoutAnyDisplayInsteadOfAborting) {
    const std::string message = "xvelzuk1: no display found; run it under a virtual display, "
                                "e.g. xvfb-run -a " XVELZUK1_PATH " --com 1=sim\n";
    ProgramResult none = RunWithDisplay({"-u", "DISPLAY"}, {"--com", "1=sim"});
    EXPECT_EQ(none.exitCode, 255);
    EXPECT_EQ(none.errors, message);
    const std::string display = "DISPLAY=" + SilentDisplay();
    ProgramResult silent = RunWithDisplay({display}, {"--com", "1=sim"});
    EXPECT_EQ(silent.exitCode, 255);
    EXPECT_EQ(silent.errors, message);
    silent = RunWithDisplay({display, "QT_QPA_PLATFORM=xcb"}, {"--com", "1=sim"});
    EXPECT_EQ(silent.exitCode, 255);
    EXPECT_EQ(silent.errors, message);
}

TEST(Display, HeadlessTheProgramPlaysWhateverDisplayIsNamed) {
    const std::string script = std::string(TEST_TMP_DIR) + "/display.txt";
    FILE *f = fopen(script.c_str(), "w");
    fprintf(f, "expect-status %s\n", kSimFirmware);
    fclose(f);
    ProgramResult r = RunWithDisplay({"DISPLAY=" + SilentDisplay()},
                                     {"--headless", "--com", "1=sim", "--play", script});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.errors, script + ": 1 actions played, every expectation held\n");
}

// A server socket for display n, listening: the local server's abstract socket or TCP port
// 6000+n on 127.0.0.1; -1 when n is taken.
static int Listen(int n, bool tcp) {
    int fd = socket(tcp ? AF_INET : AF_UNIX, SOCK_STREAM, 0);
    sockaddr_in in{};
    sockaddr_un un{};
    in.sin_family = AF_INET;
    in.sin_port = htons(uint16_t(6000 + n));
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    un.sun_family = AF_UNIX;
    int len = snprintf(un.sun_path + 1, sizeof un.sun_path - 1, "/tmp/.X11-unix/X%d", n);
    sockaddr *addr = tcp ? reinterpret_cast<sockaddr *>(&in) : reinterpret_cast<sockaddr *>(&un);
    socklen_t size = tcp ? sizeof in : socklen_t(offsetof(sockaddr_un, sun_path) + 1 + len);
    if (bind(fd, addr, size) == 0 && listen(fd, 4) == 0) return fd;
    close(fd);
    return -1;
}

static int FreeDisplay(bool tcp, int *fd) {
    for (int n = 7319;; n++)
        if ((*fd = Listen(n, tcp)) >= 0) return n;
}

TEST(Display, ADisplayAnswersWhileItsServerListensLocallyOrOnTcpAndNoLongerOnceItStops) {
    for (bool tcp : {false, true}) {
        int fd = -1;
        std::string n = std::to_string(FreeDisplay(tcp, &fd));
        std::vector<std::string> names{":" + n, ":" + n + ".0", "unix:" + n};
        // Addresses, not names: a fresh chroot may have no hosts file to resolve localhost.
        if (tcp) names = {"127.0.0.1:" + n, "127.0.0.1:" + n + ".0", "tcp/127.0.0.1:" + n};
        for (const std::string &name : names)
            EXPECT_TRUE(plat::DisplayReachable(name.c_str())) << name;
        close(fd);
        EXPECT_FALSE(plat::DisplayReachable(names[0].c_str())) << names[0];
    }
    for (const char *name : {"", "0", "localhost", ":", ":x", ":1x", "localhost:-1"})
        EXPECT_FALSE(plat::DisplayReachable(name)) << "'" << name << "' names no display";
}

// The program on a user's system: bitmaps found where the package installs them, and serial
// devices that are missing or that the user may not open explained under the status line.
#include "fixture.h"
#include "run_program.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

static std::string ProgramDir() {
    char dir[MAX_PATHNAME_LEN];
    GetProjectDir(dir);
    return dir;
}

// A 1x1 24-bit bitmap: file header, info header, one pixel padded to 4 bytes.
static void WriteBitmap(const std::string &path) {
    const unsigned char bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0,   0, 0,  40,
                                 0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1,   0, 24, 0,
                                 0,   0,   0,  0, 4, 0, 0, 0, 0, 0, 0,  0,   0, 0,  0,
                                 0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  255, 0};
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bmp), sizeof bmp);
}

class DataFiles : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        LoadPanels();
        std::string dir = ProgramDir();
        std::string parent = dir.substr(0, dir.rfind('/'));
        mkdir((parent + "/share").c_str(), 0755);
        mkdir((parent + "/share/xvelzuk1").c_str(), 0755);
        shared = parent + "/share/xvelzuk1/xvtest-logo.bmp";
        local = dir + "/xvtest-logo.bmp";
    }
    void TearDown() override {
        remove(shared.c_str());
        remove(local.c_str());
        AppTest::TearDown();
    }
    std::string shared, local;
};

TEST_F(DataFiles, ABitmapIsTakenFromNextToTheProgramFirstThenFromShareXvelzuk1) {
    EXPECT_EQ(DisplayImageFile(panelHandle, PICLogo, "xvtest-logo.bmp"), -1) << "in neither";
    WriteBitmap(shared);
    EXPECT_EQ(DisplayImageFile(panelHandle, PICLogo, "xvtest-logo.bmp"), 0);
    std::ofstream(local) << "not a bitmap";
    EXPECT_EQ(DisplayImageFile(panelHandle, PICLogo, "xvtest-logo.bmp"), -1)
        << "the file next to the program is the one taken";
    EXPECT_EQ(DisplayImageFile(panelHandle, PICLogo, "qv.bmp"), 0);
}

TEST_F(AppTest, AMissingDeviceIsNamedUnderTheStatusLineUntilAPortOpens) {
    MapPorts({"--com", "1=/nonexistent/ttyXVEL", "--com", "2=sim"});
    LoadPanels();
    EXPECT_EQ(Attr(panelHandle, TXTPortHint, ATTR_VISIBLE), 0);
    testing::internal::CaptureStderr();
    InitRS232(com);
    std::string errors = testing::internal::GetCapturedStderr();
    const std::string hint = "/nonexistent/ttyXVEL does not exist: is the adapter plugged in? "
                             "The COM ring lists the serial ports there are.";
    EXPECT_EQ(StatusLine(), "No serial port found");
    EXPECT_EQ(CtrlText(panelHandle, TXTPortHint), hint);
    EXPECT_EQ(Attr(panelHandle, TXTPortHint, ATTR_VISIBLE), 1);
    EXPECT_NE(errors.find("xvelzuk1: " + hint + "\n"), std::string::npos) << errors;
    CloseCom(1);
    com = 2;
    InitRS232(com);
    EXPECT_EQ(StatusLine(), kSimFirmware);
    EXPECT_EQ(Attr(panelHandle, TXTPortHint, ATTR_VISIBLE), 0);
    EXPECT_EQ(CtrlText(panelHandle, TXTPortHint), "");
}

// Paths that are no serial port keep the status text of their open error; the line under it
// says what the path is. Opening the named pipe does not wait for a writer.
TEST_F(AppTest, APathThatIsNoSerialPortIsNamedUnderTheStatusLineAsWhatItIs) {
    const std::string file = TEST_TMP_DIR "/not-a-port.txt", fifo = TEST_TMP_DIR "/not-a-port.fifo";
    std::ofstream(file) << "text\n";
    remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const char *choose = ", not a serial port: choose the device of the serial adapter, such as "
                         "/dev/ttyUSB0.";
    const std::vector<std::vector<std::string>> cases = {
        {file, "Invalid parameter", "a regular file"},
        {TEST_TMP_DIR, "Unknown system error", "a directory"},
        {"/dev/null", "Invalid parameter", "a device of another kind"},
        {fifo, "Invalid parameter", "a named pipe"},
    };
    for (const auto &c : cases) {
        MapPorts({"--com", "1=" + c[0]});
        LoadPanels();
        testing::internal::CaptureStderr();
        InitRS232(com);
        std::string errors = testing::internal::GetCapturedStderr();
        const std::string hint = c[0] + " is " + c[2] + choose;
        EXPECT_EQ(StatusLine(), c[1]);
        EXPECT_EQ(CtrlText(panelHandle, TXTPortHint), hint);
        EXPECT_EQ(Attr(panelHandle, TXTPortHint, ATTR_VISIBLE), 1) << c[0];
        EXPECT_EQ(errors, "xvelzuk1: " + hint + "\n");
    }
    remove(fifo.c_str());
}

// Root may open any device, so the program runs as the unprivileged user 65534 against a
// pseudo-terminal the test has given to root and a group. The program and its script are copied
// to a directory that user can reach (a build tree under /root is not).
class PortPermissions : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "needs root and setpriv to run the program as another user";
        char tmpl[] = "/tmp/xvelzuk1-hint.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        chmod(dir.c_str(), 0755);
        std::ifstream in(XVELZUK1_PATH, std::ios::binary);
        std::ofstream(dir + "/xvelzuk1", std::ios::binary) << in.rdbuf();
        chmod((dir + "/xvelzuk1").c_str(), 0755);
        pty = StartSimServer({}, &simPid);
        ASSERT_FALSE(pty.empty());
    }
    void TearDown() override {
        StopSimServer(simPid);
        if (dir.empty()) return;
        remove((dir + "/xvelzuk1").c_str());
        remove((dir + "/hint.txt").c_str());
        remove((dir + "/lsan.supp").c_str());
        rmdir(dir.c_str());
    }

    ProgramResult PlayAsNobody(const std::string &script) {
        std::ofstream(dir + "/hint.txt") << script;
        chmod((dir + "/hint.txt").c_str(), 0644);
        return RunProgram({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                           "/usr/bin/env", "LSAN_OPTIONS=" + LeakOptions(), dir + "/xvelzuk1",
                           "--headless", "--com-only", "--com", "1=" + pty, "--com", "2=sim",
                           "--play", dir + "/hint.txt"});
    }
    // Under the sanitizers the leak suppressions must be readable by that user too.
    std::string LeakOptions() {
        const char *env = getenv("LSAN_OPTIONS");
        std::string options = env ? env : "";
        size_t at = options.find("suppressions=");
        if (at == std::string::npos) return options;
        size_t from = at + strlen("suppressions="), to = options.find(':', from);
        std::string file = options.substr(from, to == std::string::npos ? to : to - from);
        std::ifstream in(file);
        std::ofstream(dir + "/lsan.supp") << in.rdbuf();
        return options.replace(from, file.size(), dir + "/lsan.supp");
    }
    std::string dir, pty;
    int simPid = 0;
};

TEST_F(PortPermissions, ADeniedPortKeepsCannotOpenPortAndSaysWhichGroupToJoin) {
    const group *gr = getgrnam("dialout");
    if (!gr) gr = getgrnam("tty");
    ASSERT_NE(gr, nullptr);
    const std::string group = gr->gr_name;
    const passwd *pw = getpwuid(65534);
    const std::string user = pw ? pw->pw_name : "?";
    ASSERT_EQ(chown(pty.c_str(), 0, gr->gr_gid), 0);
    ASSERT_EQ(chmod(pty.c_str(), 0660), 0);
    const std::string hint = "No permission to open " + pty + ": it belongs to group " + group +
                             ", and user " + user + " is not in it. Add the user (sudo adduser " +
                             user + " " + group + "), then log out and in again.";
    ProgramResult r = PlayAsNobody("expect-status Cannot open port\n"
                                   "expect-visible TXTPortHint yes\n"
                                   "expect TXTPortHint " +
                                   hint + "\nset DropDCom 2\nwait 1\nexpect-status " +
                                   kSimFirmware + "\nexpect-visible TXTPortHint no\n");
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_NE(r.errors.find("xvelzuk1: " + hint + "\n"), std::string::npos) << r.errors;

    ASSERT_EQ(chmod(pty.c_str(), 0600), 0); // no group may open it: nobody to join
    r = PlayAsNobody("expect-status Cannot open port\nexpect TXTPortHint No permission to open " +
                     pty + " (crw-------, owner root, group " + group +
                     "): ask the administrator to give it to a group such as dialout.\n");
    EXPECT_EQ(r.exitCode, 0) << r.errors;
}

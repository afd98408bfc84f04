// The program over a real serial path: a pseudo-terminal served by xvelzuk1-sim, opened through
// the serial port library with the real clock.
#include "fixture.h"

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

class OverPty : public AppTest {
  protected:
    pid_t pid = -1;
    std::string StartSim(const char *fault) {
        int out[2];
        if (pipe(out) != 0) return "";
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            if (fault)
                execl(XVELZUK1_SIM_PATH, "xvelzuk1-sim", "--fault", fault, (char *)nullptr);
            else
                execl(XVELZUK1_SIM_PATH, "xvelzuk1-sim", (char *)nullptr);
            _exit(127);
        }
        close(out[1]);
        char line[256] = "";
        FILE *f = fdopen(out[0], "r");
        if (!fgets(line, sizeof line, f)) line[0] = '\0';
        fclose(f);
        std::string path(line);
        while (!path.empty() && (path.back() == '\n' || path.back() == '\r'))
            path.pop_back();
        return path;
    }
    void TearDown() override {
        AppTest::TearDown(); // closes the port first
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

TEST_F(OverPty, EchoCheckPassesOverAPseudoTerminal) {
    std::string tty = StartSim(nullptr);
    ASSERT_EQ(tty.rfind("/dev/pts/", 0), 0u) << tty;
    UseTestClock(false);
    MapPorts({"--com", "1=" + tty});
    LoadPanels();
    InitRS232(1);
    EXPECT_EQ(StatusLine(), kSimFirmware);
    // A reply through the receive handler as well, over the real port's notifications.
    rx_flag = 0;
    CopyVarsToPP(0);
    FillTxBuf(8, pp);
    ASSERT_EQ(ComWrt(com, szWriteBuf, FRAMELEN), FRAMELEN);
    EXPECT_EQ(WaitRxFull(), 1);
    EXPECT_EQ(order, 8);
}

TEST_F(OverPty, WrongEchoOverAPseudoTerminalIsAReadError) {
    std::string tty = StartSim("wrong-echo");
    ASSERT_FALSE(tty.empty());
    UseTestClock(false);
    MapPorts({"--com", "1=" + tty});
    LoadPanels();
    InitRS232(1);
    EXPECT_EQ(StatusLine(), "read error - not sync byte 0xAA!");
}

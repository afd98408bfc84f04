// A real serial port as the program drives it, against a pseudo-terminal the test holds both
// ends of: the line's settings while open and after, exclusive use, bytes exact both ways
// whether they come at once or in pieces, and a far end that goes away.
#include "fixture.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

class Line : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        UseTestClock(false); // the bytes come through the OS in real time
        MakePty();
    }
    void MakePty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        path = ptsname(master);
        // A second hold on the far side's settings, opened before the program takes the line.
        watch = open(path.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(watch, 0);
    }
    void TearDown() override {
        CloseCom(1);
        if (watch >= 0) close(watch);
        if (master >= 0) close(master);
        AppTest::TearDown();
    }
    int Open(int port = 1) { return OpenComConfig(port, path.c_str(), 19200, 0, 8, 1, 4096, 4096); }
    termios Settings() const {
        termios t{};
        tcgetattr(watch, &t);
        return t;
    }
    Bytes FromMaster(size_t n) { // what the program wrote, up to n bytes within a second
        Bytes got;
        for (double end = Timer() + 1; got.size() < n && Timer() < end;) {
            unsigned char b[64];
            ssize_t k = read(master, b, sizeof b);
            if (k > 0) got.insert(got.end(), b, b + k);
        }
        return got;
    }
    int master = -1, watch = -1;
    std::string path;
};

TEST_F(Line, AnOpenLineIsRawAtItsRateAndFormatWaitingForOneByteAndIsLeftAsItWasFoundWhenClosed) {
    termios before = Settings();
    before.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(tcsetattr(watch, TCSANOW, &before), 0);
    ASSERT_EQ(Open(), 0);
    termios t = Settings();
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD),
              tcflag_t(CS8 | CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK | ICRNL), 0u);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    EXPECT_EQ(cfgetispeed(&t), speed_t(B19200));
    EXPECT_EQ((Ints{t.c_cc[VMIN], t.c_cc[VTIME]}), (Ints{1, 0}));
    EXPECT_EQ(CloseCom(1), 0);
    t = Settings();
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), tcflag_t(ICANON | ECHO));

    // Even parity with 8 bits and odd with 7 bits and two stop bits, over a line another program
    // left at mark parity (a pseudo-terminal keeps the kind of parity and the stop bits, not
    // whether there is parity, nor the data bits).
    before.c_cflag |= PARODD | CMSPAR;
    ASSERT_EQ(tcsetattr(watch, TCSANOW, &before), 0);
    const tcflag_t format = CSTOPB | PARODD | CMSPAR;
    ASSERT_EQ(OpenComConfig(1, path.c_str(), 19200, 2, 8, 1, 4096, 4096), 0);
    EXPECT_EQ(Settings().c_cflag & format, 0u);
    CloseCom(1);
    ASSERT_EQ(OpenComConfig(1, path.c_str(), 19200, 1, 7, 2, 4096, 4096), 0);
    EXPECT_EQ(Settings().c_cflag & format, tcflag_t(CSTOPB | PARODD));
}

// A second open of the same device, from this program or another, is refused while the line is
// held, and taken once it is free again. A rate the terminal interface has no code for is
// refused as a setting, and leaves the device free.
TEST_F(Line, AHeldLineIsRefusedToASecondOpenAndTakenOnceFreeAndAnOddRateIsAnInvalidSetting) {
    ASSERT_EQ(Open(1), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Open(2), COM_ERR_CANNOT_OPEN);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "xvelzuk1: " + path +
                  " could not be opened although its permissions allow it: another program may "
                  "be using it.\n");
    EXPECT_EQ(ComOpenCount(), 1);
    CloseCom(1);
    EXPECT_EQ(Open(2), 0);
    CloseCom(2);
    testing::internal::CaptureStderr();
    EXPECT_EQ(OpenComConfig(1, path.c_str(), 12345, 0, 8, 1, 4096, 4096), COM_ERR_PARAMETER);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Open(1), 0);
}

static Bytes g_received;
static void Receive(int port, int, void *) {
    unsigned char b[FRAMELEN];
    int n = ComRd(port, b, FRAMELEN);
    g_received.insert(g_received.end(), b, b + std::max(n, 0));
}

// A frame written goes out whole and unchanged, control characters included; one that comes
// back in pieces, or with the next frame's first bytes right behind it, is handed on as one
// notification of its 36 bytes, the rest kept for the next.
TEST_F(Line, FramesPassUnchangedBothWaysAndAPiecemealReplyIsOneNotificationOfItsWholeFrame) {
    ASSERT_EQ(Open(), 0);
    Bytes frame(FRAMELEN);
    for (int i = 0; i < FRAMELEN; i++)
        frame[i] = static_cast<unsigned char>(i * 7 + 3);
    frame[5] = 0x11, frame[6] = 0x13, frame[7] = 0x0D, frame[8] = 0x0A,
    frame[9] = 0xFF; // XON,
                     // XOFF, CR, LF: no meaning
    EXPECT_EQ(ComWrt(1, frame.data(), FRAMELEN), FRAMELEN);
    EXPECT_EQ(FromMaster(FRAMELEN), frame);

    g_received.clear();
    InstallComCallback(1, LWRS_RECEIVE, FRAMELEN, 0, Receive, nullptr);
    ASSERT_EQ(write(master, frame.data(), 10), 10);
    for (double end = Timer() + 0.05; Timer() < end;)
        ProcessSystemEvents();
    EXPECT_TRUE(g_received.empty());
    ASSERT_EQ(write(master, frame.data() + 10, FRAMELEN - 10), FRAMELEN - 10);
    ASSERT_EQ(write(master, frame.data(), 4), 4); // the next frame begins
    for (double end = Timer() + 1; g_received.size() < FRAMELEN && Timer() < end;)
        ProcessSystemEvents();
    EXPECT_EQ(g_received, frame);
    EXPECT_EQ(GetInQLen(1), 4);
}

// The far end closed: the port is closed at once, whether the program only waits in its event
// processing or writes to it next, and its device is released.
TEST_F(Line, AFarEndThatGoesAwayClosesThePortAtOnceWhetherTheProgramWaitsOrWrites) {
    for (bool writes : {false, true}) {
        if (master < 0) MakePty();
        ASSERT_EQ(Open(), 0);
        close(master);
        close(watch);
        master = watch = -1;
        unsigned char b[FRAMELEN] = {};
        if (writes) {
            EXPECT_EQ(ComWrt(1, b, FRAMELEN), -1);
        }
        for (double end = Timer() + 1; ComOpenCount() > 0 && Timer() < end;)
            ProcessSystemEvents();
        EXPECT_EQ(ComOpenCount(), 0) << writes;
        EXPECT_EQ(ComWrt(1, b, FRAMELEN), COM_ERR_NOT_OPEN);
    }
}

// Frames that come as the line carries them, from a sender a sixth slower than its rate, or in
// bursts (a USB adapter's) are each handed on whole. The wait through a frame under way earns
// its single sleep where the byte counts place the line, as they do at its pace, and not from
// the slow sender or in bursts; --verbose tells when it does.
TEST_F(Line, FramesComingAtTheLinesPaceSlowerOrInBurstsAreEachHandedOnWholeAndPlaceTheirSleeps) {
    plat::g_opt.verbose = true;
    struct Pace {
        int bytes;     // written together
        double period; // seconds between writes
        bool earns;    // the single sleep
        int frames;    // sent
    };
    const char *kOnce = "its byte counts place the line: one sleep through a frame";
    const double c = 10.0 / 19200;
    // A late wake of the sending thread puts a count off, and the sleep is earned only by eight
    // waits in a row that agree: at the line's pace there are frames enough for a loaded host.
    const Pace paces[] = {{1, c, true, 100}, {1, c * 7 / 6, false, 20}, {12, 0.0063, false, 20}};
    for (const Pace &pace : paces) {
        CloseCom(1); // a line not yet judged
        ASSERT_EQ(Open(), 0);
        InstallComCallback(1, LWRS_RECEIVE, FRAMELEN, 0, Receive, nullptr);
        g_received.clear();
        testing::internal::CaptureStderr();
        std::thread far([&] { // each write at its due time, so lateness does not add up
            auto t0 = std::chrono::steady_clock::now();
            for (int f = 0, k = 0; f < pace.frames; f++)
                for (int i = 0; i < FRAMELEN; i += pace.bytes, k++) {
                    unsigned char b[12];
                    for (int j = 0; j < pace.bytes; j++)
                        b[j] = static_cast<unsigned char>(f * 40 + i + j);
                    std::this_thread::sleep_until(t0 +
                                                  std::chrono::duration<double>(k * pace.period));
                    EXPECT_EQ(write(master, b, size_t(pace.bytes)), pace.bytes);
                }
        });
        const size_t all = size_t(pace.frames) * FRAMELEN;
        for (double end = Timer() + 5; g_received.size() < all && Timer() < end;)
            ProcessSystemEvents();
        far.join();
        std::string told = testing::internal::GetCapturedStderr();
        ASSERT_EQ(g_received.size(), all) << pace.bytes << " " << pace.period;
        for (size_t i = 0; i < g_received.size(); i++)
            ASSERT_EQ(g_received[i], static_cast<unsigned char>(i / FRAMELEN * 40 + i % FRAMELEN));
        bool once = told.find("COM1: " + std::string(kOnce)) != std::string::npos;
        EXPECT_EQ(once, pace.earns) << pace.bytes << " " << pace.period << "\n" << told;
    }
}

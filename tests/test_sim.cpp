// Tests of the simulated controller: exact reply bytes and timing of the model, and one echo
// through the xvelzuk1-sim pseudo-terminal program.
#include "sim.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <initializer_list>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr double T = SIM_BYTE_TIME;
constexpr double LATER = 100.0; // long after any reply is complete

// A frame in the wire format: sync word, order, 16 words (missing words are 0).
Bytes Frame(int order, std::initializer_list<unsigned short> words) {
    Bytes f(SIM_FRAME_BYTES, 0);
    f[1] = 0x55;
    f[2] = static_cast<unsigned char>(order >> 8);
    f[3] = static_cast<unsigned char>(order);
    int i = 4;
    for (unsigned short w : words) {
        f[i++] = static_cast<unsigned char>(w >> 8);
        f[i++] = static_cast<unsigned char>(w);
    }
    return f;
}

const std::initializer_list<unsigned short> SET_I_DEFAULTS = {0, 500, 2048, 512, 950, 20, 1,   100,
                                                              8, 1,   0,    0,   0,   0,  500, 0};

void Send(const Bytes &b, double now) {
    SimReceive(b.data(), static_cast<int>(b.size()), now);
}

Bytes Take(double now) {
    static unsigned char buf[SIM_OUT_CAPACITY];
    return Bytes(buf, buf + SimTake(buf, sizeof buf, now));
}

// Sends at t=0 and collects the whole answer.
Bytes Ask(const Bytes &request) {
    Send(request, 0);
    return Take(LATER);
}

unsigned short WordAt(const Bytes &b, int i) {
    return static_cast<unsigned short>(b[2 * i] << 8 | b[2 * i + 1]);
}

// Payload word w of a reply frame.
int Word(const Bytes &frame, int w) {
    return WordAt(frame, 2 + w);
}

struct SimModel : ::testing::Test {
    void SetUp() override { SimReset(); }
};
struct SimEcho : SimModel {};
struct SimSets : SimModel {};
struct SimRawAnswers : SimModel {};
struct SimLive : SimModel {};
struct SimFaults : SimModel {};
struct SimTiming : SimModel {};

const Bytes ECHO_REQUEST =
    Frame(5, {0, 0x1234, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xFFFF});
const Bytes ECHO_REPLY =
    Frame(5, {0x00AA, 0x1234, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xFFFF});

TEST_F(SimEcho, AnswersOrder5WithWord0x00AAAndTheRequestWords) {
    EXPECT_EQ(Ask(ECHO_REQUEST), ECHO_REPLY);
}

TEST_F(SimEcho, UnderTheWrongEchoFaultAnswersWord0x00AB) {
    SimSetFault(SIM_FAULT_WRONG_ECHO);
    Bytes wrong = ECHO_REPLY;
    wrong[5] = 0xAB;
    EXPECT_EQ(Ask(ECHO_REQUEST), wrong);
}

TEST_F(SimEcho, LeavesUnknownOrdersUnanswered) {
    EXPECT_TRUE(Ask(Frame(0, {})).empty());
    EXPECT_TRUE(Ask(Frame(12, {})).empty());
    EXPECT_EQ(SimRequestCount(), 2);
}

TEST_F(SimEcho, DropsStrayBytesUntilTheSyncWord) {
    Send({0x55, 0x00}, 0); // a stray 0x55, then a 0x00 that also starts the real frame's sync
    EXPECT_EQ(Ask(ECHO_REQUEST), ECHO_REPLY);
    Bytes badSync = Frame(5, {0x1111, 0x1111});
    badSync[0] = 0x01;
    Send(badSync, 0);
    EXPECT_EQ(Ask(ECHO_REQUEST), ECHO_REPLY) << "the bad frame leaves nothing that frames the echo";
}

TEST_F(SimEcho, AssemblesARequestWrittenByteByByte) {
    for (unsigned char b : ECHO_REQUEST)
        SimReceive(&b, 1, 0);
    EXPECT_EQ(Take(LATER), ECHO_REPLY);
    unsigned char sent[100];
    ASSERT_EQ(SimSent(sent, sizeof sent), SIM_FRAME_BYTES);
    EXPECT_EQ(Bytes(sent, sent + SIM_FRAME_BYTES), ECHO_REQUEST);
    SimClearSent();
    EXPECT_EQ(SimSent(sent, sizeof sent), 0);
}

TEST_F(SimSets, StoreAndReadRoundTripSetIInRam) {
    Bytes none = Ask(Frame(1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(Ask(Frame(2, {0})), Frame(2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(SimEepromWord(0, 1), 500) << "order 1 leaves the EEPROM alone";
}

TEST_F(SimSets, SetIIKeepsOnlyWords1To4) {
    Ask(Frame(1, {1, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25}));
    EXPECT_EQ(Ask(Frame(2, {7})), Frame(2, {1, 11, 12, 13, 14}));
    EXPECT_EQ(Ask(Frame(2, {0})), Frame(2, SET_I_DEFAULTS)) << "set I untouched";
}

TEST_F(SimSets, EepromSurvivesAndOrder10CopiesItIntoRam) {
    Ask(Frame(3, {0, 600, 2000, 400}));
    Ask(Frame(3, {1, 700, 2100, 300, 900}));
    EXPECT_EQ(Ask(Frame(2, {0})), Frame(2, SET_I_DEFAULTS)) << "order 3 leaves RAM alone";
    EXPECT_EQ(Ask(Frame(4, {1})), Frame(4, {1, 700, 2100, 300, 900}));
    SimSetRamWord(0, 7, 1);
    Bytes reset = Ask(Frame(10, {}));
    EXPECT_EQ(reset, Frame(10, {0, 600, 2000, 400}));
    EXPECT_EQ(SimRamWord(1, 4), 900);
    EXPECT_EQ(Ask(Frame(11, {})), Frame(11, {0, 600, 2000, 400}));
}

TEST_F(SimSets, SimResetRestoresThePowerOnValues) {
    Ask(Frame(1, {0, 9, 9, 9}));
    Ask(Frame(3, {1, 9, 9, 9}));
    SimReset();
    EXPECT_EQ(Ask(Frame(2, {0})), Frame(2, SET_I_DEFAULTS));
    EXPECT_EQ(Ask(Frame(4, {1})), Frame(4, {1, 500, 2048, 512, 950}));
}

TEST_F(SimSets, TeachTakesLiveWord0AsRefA) {
    const unsigned short live[16] = {777, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    SimSetLiveWords(live);
    Bytes reply = Ask(Frame(6, {}));
    EXPECT_EQ(reply, Frame(6, {0, 500, 777, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 0}));
    EXPECT_EQ(SimRamWord(0, 2), 777);
    EXPECT_EQ(SimEepromWord(0, 2), 2048);
}

TEST_F(SimRawAnswers, FirmwareIsExactly64BytesOfNulPaddedText) {
    Bytes fw = Ask(Frame(7, {}));
    ASSERT_EQ(fw.size(), 64u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(fw.data())).rfind("XVEL-ZUK1", 0), 0u);
    EXPECT_EQ(fw.back(), 0);
    const unsigned char text[] = {'F', 'W', '2'};
    SimSetFirmware(text, 3);
    Bytes expected(64, 0);
    std::copy(text, text + 3, expected.begin());
    EXPECT_EQ(Ask(Frame(7, {})), expected);
}

// Asks order 9 with timing off, so the block shows the scan at exactly `now`.
Bytes Block(int offset, int kind, double now) {
    SimSetLineTiming(false);
    Send(Frame(9, {static_cast<unsigned short>(offset), static_cast<unsigned short>(kind)}), now);
    return Take(now);
}

TEST_F(SimRawAnswers, BlockOffsetsMapToScanWordsAndWrapPastTheEnd) {
    for (int kind : {0, 1}) {
        unsigned short scan[SIM_SCAN_WORDS];
        SimScan(3.0, kind, scan);
        for (int offset : {0, 64, 128, 192, 250, 256 + 8}) {
            Bytes b = Block(offset, kind, 3.0);
            ASSERT_EQ(b.size(), 128u);
            for (int k = 0; k < 64; k++)
                ASSERT_EQ(WordAt(b, k), scan[(offset + k) % 256]) << offset << " " << k;
        }
    }
}

TEST_F(SimRawAnswers, ScanPeakSitsAtTheReportedIndexWithTheLiveHeight) {
    SimSetLineTiming(false);
    for (double now = 0; now < 40; now += 3.7) {
        Send(Frame(8, {}), now);
        Bytes live = Take(now);
        for (int kind : {0, 1}) {
            Bytes scan;
            for (int offset = 0; offset < 256; offset += 64) {
                Bytes b = Block(offset, kind, now);
                scan.insert(scan.end(), b.begin(), b.end());
            }
            for (int ch = 0; ch < 2; ch++) {
                const int first = ch * 128;
                int peak = first;
                for (int i = first; i < first + 128; i++)
                    if (WordAt(scan, i) > WordAt(scan, peak)) peak = i;
                EXPECT_EQ(peak - first + 1, Word(live, 14 + ch)) << "t=" << now;
                EXPECT_EQ(WordAt(scan, peak), Word(live, kind == 1 ? ch : 2 + ch)) << "t=" << now;
            }
        }
    }
}

TEST_F(SimLive, ValuesAreConsistentAndFollowTheClock) {
    SimSetLineTiming(false);
    SimSetRamWord(0, 3, 321);
    int inputsSeen = 0, lowA = 1000, highA = 0;
    for (double now = 0; now < 30; now += 0.37) {
        Send(Frame(8, {}), now);
        Bytes live = Take(now);
        ASSERT_EQ(live.size(), 36u);
        for (int ch = 0; ch < 2; ch++) {
            int norm = Word(live, ch), adc = Word(live, 2 + ch), max = Word(live, 4 + ch);
            EXPECT_LE(adc, 4095);
            EXPECT_EQ(norm, std::min(1000, (2000 * adc + max) / (2 * max))) << "t=" << now;
            EXPECT_LE(Word(live, 8 + ch), norm);
            EXPECT_GE(Word(live, 6 + ch), norm);
            EXPECT_GE(Word(live, 14 + ch), 1);
            EXPECT_LE(Word(live, 14 + ch), 128);
        }
        EXPECT_EQ(Word(live, 10), 321);
        EXPECT_EQ(Word(live, 11), 0);
        EXPECT_EQ(Word(live, 13), std::abs(Word(live, 0) - Word(live, 1)));
        ASSERT_LE(Word(live, 12), 3);
        inputsSeen |= 1 << Word(live, 12);
        lowA = std::min(lowA, Word(live, 0));
        highA = std::max(highA, Word(live, 0));
    }
    EXPECT_EQ(inputsSeen, 0xF) << "both inputs toggle";
    EXPECT_GT(highA - lowA, 300) << "the signal drifts";
}

TEST_F(SimLive, FrozenWordsAreAnsweredExactlyUntilUnfrozen) {
    const unsigned short words[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    SimSetLiveWords(words);
    SimSetLineTiming(false);
    EXPECT_EQ(Ask(Frame(8, {})), Frame(8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    SimUnfreezeLive();
    EXPECT_NE(Ask(Frame(8, {})), Frame(8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
}

struct FaultCase {
    SimFault fault;
    int echo, firmware, block; // bytes answered to orders 5, 7 and 9
};

TEST_F(SimFaults, EachFaultAnswersItsByteCount) {
    const FaultCase cases[] = {
        {SIM_FAULT_NONE, 36, 64, 128},       {SIM_FAULT_NO_ANSWER, 0, 0, 0},
        {SIM_FAULT_WRONG_ECHO, 36, 64, 128}, {SIM_FAULT_SHORT_FRAME, 35, 64, 128},
        {SIM_FAULT_BURST40, 40, 64, 128},    {SIM_FAULT_SHORT_BLOCK, 36, 63, 127},
        {SIM_FAULT_LONG_BLOCK, 36, 66, 130}, {SIM_FAULT_GARBAGE, 36, 64, 128},
        {SIM_FAULT_VANISH, 0, 0, 0},
    };
    for (const FaultCase &c : cases) {
        SimReset();
        SimSetFault(c.fault);
        EXPECT_EQ(Ask(ECHO_REQUEST).size(), size_t(c.echo)) << SimFaultName(c.fault);
        EXPECT_EQ(Ask(Frame(7, {})).size(), size_t(c.firmware)) << SimFaultName(c.fault);
        EXPECT_EQ(Ask(Frame(9, {64, 0})).size(), size_t(c.block)) << SimFaultName(c.fault);
    }
}

TEST_F(SimFaults, DamagedRepliesKeepOrLoseTheRightBytes) {
    SimSetFault(SIM_FAULT_SHORT_FRAME);
    EXPECT_EQ(Ask(ECHO_REQUEST), Bytes(ECHO_REPLY.begin(), ECHO_REPLY.end() - 1));
    SimSetFault(SIM_FAULT_BURST40);
    Bytes burst = ECHO_REPLY;
    burst.insert(burst.end(), {0xEE, 0xEE, 0xEE, 0xEE});
    EXPECT_EQ(Ask(ECHO_REQUEST), burst);
    SimSetFault(SIM_FAULT_GARBAGE);
    EXPECT_NE(Ask(ECHO_REQUEST), ECHO_REPLY);
    SimSetFault(SIM_FAULT_NONE);
    EXPECT_EQ(Ask(ECHO_REQUEST), ECHO_REPLY);
}

TEST_F(SimFaults, Burst40ArrivesAllAtOnce) {
    SimSetFault(SIM_FAULT_BURST40);
    Send(ECHO_REQUEST, 0);
    const double end = 76 * T + 0.002;
    EXPECT_TRUE(Take(end - T / 10).empty());
    EXPECT_EQ(Take(end).size(), 40u);
}

TEST_F(SimFaults, NamesRoundTripAndUnknownNamesAreRefused) {
    for (int f = 0; f < SIM_FAULT_COUNT; f++)
        EXPECT_EQ(SimFaultByName(SimFaultName(f)), f);
    EXPECT_EQ(SimFaultByName("no-answer"), SIM_FAULT_NO_ANSWER);
    EXPECT_EQ(SimFaultByName("nonsense"), -1);
    EXPECT_EQ(SimFaultByName(nullptr), -1);
}

TEST_F(SimTiming, EchoIsCompleteAt72ByteTimesPlusDelayAndNotBefore) {
    Send(ECHO_REQUEST, 0);
    const double end = 72 * T + 0.002;
    EXPECT_TRUE(Take(37 * T + 0.002 - T / 10).empty()) << "no byte before the first is due";
    EXPECT_NEAR(SimNextArrival(), 37 * T + 0.002, 1e-12);
    EXPECT_EQ(Take(end - T / 10).size(), 35u);
    EXPECT_EQ(Take(end), Bytes(1, 0xFF));
    EXPECT_EQ(SimNextArrival(), -1.0);
}

TEST_F(SimTiming, ProcessingDelayAndABusyLineAddUp) {
    SimSetProcessingDelay(0.010);
    Bytes two = Frame(7, {}); // 64 answer bytes keep the line busy past the echo's processing
    two.insert(two.end(), ECHO_REQUEST.begin(), ECHO_REQUEST.end());
    Send(two, 1.0);
    EXPECT_EQ(Take(1.0 + 100 * T + 0.010).size(), 64u);
    EXPECT_EQ(Take(1.0 + 136 * T + 0.010 - T / 10).size(), 35u) << "the echo waits its turn";
    EXPECT_EQ(Take(1.0 + 136 * T + 0.010).size(), 1u);
}

TEST_F(SimTiming, WithTimingOffRepliesAreThereAtOnce) {
    SimSetLineTiming(false);
    Send(ECHO_REQUEST, 5.0);
    EXPECT_EQ(SimNextArrival(), 5.0);
    EXPECT_EQ(Take(5.0), ECHO_REPLY);
}

TEST_F(SimTiming, DiscardDropsArrivedBytesAndKeepsThoseInFlight) {
    Send(ECHO_REQUEST, 0);
    SimDiscardArrived(46 * T + 0.002); // 10 reply bytes have arrived
    EXPECT_EQ(Take(LATER), Bytes(ECHO_REPLY.begin() + 10, ECHO_REPLY.end()));
}

TEST_F(SimTiming, QueuedRawBytesArriveUnaskedAtLineRate) {
    const unsigned char stray[3] = {1, 2, 3};
    SimQueueRaw(stray, 3, 1.0);
    EXPECT_EQ(Take(1.0 + 2 * T), Bytes({1, 2}));
    EXPECT_EQ(Take(1.0 + 3 * T), Bytes({3}));
}

// ---- xvelzuk1-sim -------------------------------------------------------------------------

double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Reads up to `want` bytes, giving up after `seconds`.
Bytes ReadFor(int fd, size_t want, double seconds) {
    Bytes got;
    const double end = Seconds() + seconds;
    while (got.size() < want && Seconds() < end) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>((end - Seconds()) * 1000) + 1) <= 0) continue;
        unsigned char buf[256];
        ssize_t n = read(fd, buf, std::min(sizeof buf, want - got.size()));
        if (n <= 0) break;
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

std::string ReadLine(int fd, double seconds) {
    std::string line;
    while (line.empty() || line.back() != '\n') {
        Bytes c = ReadFor(fd, 1, seconds);
        if (c.empty()) return "";
        line += static_cast<char>(c[0]);
    }
    line.pop_back();
    return line;
}

TEST(SimPty, AnswersAnEchoOnThePrintedSlavePath) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char *argv[] = {const_cast<char *>(XVELZUK1_SIM_PATH), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, XVELZUK1_SIM_PATH, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string path = ReadLine(out[0], 5.0);
    close(out[0]);

    int fd = path.empty() ? -1 : open(path.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    if (fd >= 0 && tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        EXPECT_EQ(write(fd, ECHO_REQUEST.data(), ECHO_REQUEST.size()), 36);
        EXPECT_EQ(ReadFor(fd, 36, 2.0), ECHO_REPLY);
        close(fd);
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_GE(fd, 0) << "slave path '" << path << "'";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

} // namespace

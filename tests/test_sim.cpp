// Tests of the simulated controller's model: exact reply bytes, faults and line timing.
// The pseudo-terminal program is exercised by the operator-script tests.
#include "sim.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
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

struct SimModel : ::testing::Test {
    void SetUp() override { SimReset(); }
};
struct SimEcho : SimModel {};
struct SimSets : SimModel {};
struct SimRawAnswers : SimModel {};
struct SimFaults : SimModel {};
struct SimTiming : SimModel {};

const Bytes ECHO_REQUEST =
    Frame(5, {0, 0x1234, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xFFFF});
const Bytes ECHO_REPLY =
    Frame(5, {0x00AA, 0x1234, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xFFFF});

TEST_F(SimEcho, AnswersOrder5WithWord0x00AAAndTheRequestWordsOr0x00ABUnderItsFault) {
    EXPECT_EQ(Ask(ECHO_REQUEST), ECHO_REPLY);
    SimSetFault(SIM_FAULT_WRONG_ECHO);
    Bytes wrong = ECHO_REPLY;
    wrong[5] = 0xAB;
    EXPECT_EQ(Ask(ECHO_REQUEST), wrong);
}

TEST_F(SimEcho, DropsStrayBytesUntilTheSyncWord) {
    Send({0x55, 0x00}, 0); // a stray 0x55, then a 0x00 that also starts the real frame's sync
    EXPECT_EQ(Ask(ECHO_REQUEST), ECHO_REPLY);
    Bytes badSync = Frame(5, {0x1111, 0x1111});
    badSync[0] = 0x01;
    Send(badSync, 0);
    EXPECT_EQ(Ask(ECHO_REQUEST), ECHO_REPLY) << "the bad frame leaves nothing that frames the echo";
}

TEST_F(SimSets, StoreAndReadRoundTripSetIInRam) {
    Bytes none = Ask(Frame(1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(Ask(Frame(2, {0})), Frame(2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(SimEepromWord(0, 1), 500) << "order 1 leaves the EEPROM alone";
}

TEST_F(SimSets, AnIgnoredWriteStoresNothingAndABadWriteRaisesWordTwo) {
    SimSetFault(SIM_FAULT_IGNORE_WRITE);
    Ask(Frame(1, {0, 600, 2000, 400}));
    Ask(Frame(3, {1, 700, 2100, 300, 900}));
    EXPECT_EQ(Ask(Frame(2, {0})), Frame(2, SET_I_DEFAULTS));
    EXPECT_EQ(SimEepromWord(1, 1), 500);
    SimSetFault(SIM_FAULT_BAD_WRITE);
    Ask(Frame(1, {0, 600, 2000, 400}));
    Ask(Frame(3, {1, 700, 2100, 300, 900}));
    SimSetFault(SIM_FAULT_NONE);
    EXPECT_EQ(Ask(Frame(2, {0})), Frame(2, {0, 600, 2001, 400}));
    EXPECT_EQ(Ask(Frame(4, {1})), Frame(4, {1, 700, 2101, 300, 900}));
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
        {SIM_FAULT_VANISH, 0, 0, 0},         {SIM_FAULT_IGNORE_WRITE, 36, 64, 128},
        {SIM_FAULT_BAD_WRITE, 36, 64, 128},
    };
    for (const FaultCase &c : cases) {
        SimReset();
        SimSetFault(c.fault);
        EXPECT_EQ(Ask(ECHO_REQUEST).size(), size_t(c.echo)) << SimFaultName(c.fault);
        EXPECT_EQ(Ask(Frame(7, {})).size(), size_t(c.firmware)) << SimFaultName(c.fault);
        EXPECT_EQ(Ask(Frame(9, {64, 0})).size(), size_t(c.block)) << SimFaultName(c.fault);
    }
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

TEST_F(SimTiming, DiscardDropsArrivedBytesAndKeepsThoseInFlight) {
    Send(ECHO_REQUEST, 0);
    SimDiscardArrived(46 * T + 0.002); // 10 reply bytes have arrived
    EXPECT_EQ(Take(LATER), Bytes(ECHO_REPLY.begin() + 10, ECHO_REPLY.end()));
}

} // namespace

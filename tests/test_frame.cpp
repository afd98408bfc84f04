// Frame layer: request bytes, reply decoding and the packing of both parameter sets.
#include "com232.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

static std::vector<unsigned char> Request() {
    return {szWriteBuf, szWriteBuf + FRAMELEN};
}

static void SetAllParameters(uint16_t v) {
    for (uint16_t *p : {&powerA, &powerB, &refA, &refB, &tolA, &tolB, &triglvlA, &triglvlB,
                        &hysteresis, &polarity, &hold, &average, &hwmode, &evalmode, &trigmode,
                        &outmode, &anamode, &sdelay, &maxmode})
        *p = v;
}

static void PutReply(int orderWord, std::vector<unsigned> words, unsigned char b0 = 0x00,
                     unsigned char b1 = 0x55) {
    szReadBuf[0] = b0;
    szReadBuf[1] = b1;
    szReadBuf[2] = static_cast<unsigned char>(orderWord >> 8);
    szReadBuf[3] = static_cast<unsigned char>(orderWord);
    words.resize(PNUM, 0);
    for (int i = 0; i < PNUM; i++) {
        szReadBuf[4 + 2 * i] = static_cast<unsigned char>(words[i] >> 8);
        szReadBuf[5 + 2 * i] = static_cast<unsigned char>(words[i]);
    }
}

TEST(Frame, ReadRequestForSetIWithAllZeroVariablesIsSyncOrderAndZeros) {
    SetAllParameters(0);
    CopyVarsToPP(0);
    FillTxBuf(2, pp);
    std::vector<unsigned char> expected(FRAMELEN, 0);
    expected[1] = 0x55;
    expected[3] = 0x02;
    EXPECT_EQ(Request(), expected);
}

TEST(Frame, SetIIsPackedInFrameOrderAndLeavesOrderAndPpAlone) {
    SetAllParameters(0);
    powerA = 0x8001; // top bit set goes out in the first byte
    maxmode = 0xFFFF;
    sdelay = 500;
    order = 7;
    CopyVarsToPP(0);
    uint16_t before[PNUM];
    std::copy(pp, pp + PNUM, before);
    FillTxBuf(0x0A0B, pp);
    auto f = Request();
    EXPECT_EQ(f[2], 0x0A);
    EXPECT_EQ(f[3], 0x0B);
    EXPECT_EQ(f[6], 0x80);
    EXPECT_EQ(f[7], 0x01);
    EXPECT_EQ(f[32], 0x01); // word 14: sdelay 500 = 0x01F4
    EXPECT_EQ(f[33], 0xF4);
    EXPECT_EQ(f[34], 0xFF);
    EXPECT_EQ(f[35], 0xFF);
    EXPECT_EQ(order, 7);
    EXPECT_TRUE(std::equal(pp, pp + PNUM, before));
}

TEST(Frame, SetIIFrameCarriesSetNumberAndOnlyChannelBValues) {
    SetAllParameters(77);
    powerB = 5;
    refB = 6;
    tolB = 7;
    triglvlB = 8;
    CopyVarsToPP(1);
    EXPECT_EQ(std::vector<uint16_t>(pp, pp + PNUM),
              (std::vector<uint16_t>{1, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    CopyVarsToPP(3); // any other set number is set II with that number in word 0
    EXPECT_EQ(pp[0], 3);
    EXPECT_EQ(pp[1], 5);
}

TEST(Frame, ReplyWordsDecodeUnsignedWhateverTheFirstTwoBytesHold) {
    PutReply(0x0102, {0xFFFF, 0x8000, 0x00AA}, 0xDE, 0xAD);
    GetRxBuf(PNUM);
    EXPECT_EQ(order, 0x0102);
    EXPECT_EQ(pp[0], 65535);
    EXPECT_EQ(pp[1], 0x8000);
    EXPECT_EQ(pp[2], 0x00AA);
}

TEST(Frame, DecodingMoreWordsThanAFrameHoldsStopsAtSixteen) {
    for (int i = 0; i < 1024; i++)
        szReadBuf[i] = 0x11;
    GetRxBuf(500); // would overrun pp; must stop at PNUM (the sanitizers watch)
    EXPECT_EQ(pp[PNUM - 1], 0x1111);
}

TEST(Frame, ReplyIsStoredAsTheSetTheCallerNamesNotTheOneItsWord0Says) {
    SetAllParameters(0);
    PutReply(2, {1, 10, 20, 30, 40, 50, 60, 70, 80, 90, 3, 5, 2, 1, 600, 1});
    GetRxBuf(PNUM);
    CopyPPtoVars(0);
    EXPECT_EQ(
        std::vector<uint16_t>({powerA, refA, tolA, triglvlA, hysteresis, polarity, hold, average,
                               hwmode, evalmode, trigmode, outmode, anamode, sdelay, maxmode}),
        (std::vector<uint16_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 3, 5, 2, 1, 600, 1}));
    EXPECT_EQ(powerB, 0);
}

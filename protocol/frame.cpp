// Frame layer: request and reply frames (36 bytes, big-endian words) and the packing of the
// two parameter sets into the parameter frame and back.
#include "com232.h"

inline namespace com232 {
int sync = 0x55;
}
int order = 1;
unsigned char szWriteBuf[1024];
unsigned char szReadBuf[1024];
uint16_t pp[PNUM];

uint16_t powerA, powerB, refA, refB, tolA, tolB, triglvlA, triglvlB;
uint16_t hysteresis, polarity, hold, average, hwmode, evalmode, trigmode, outmode, anamode;
uint16_t sdelay, maxmode;

int target = RAM;

static void PutWord(unsigned char *at, unsigned v) {
    at[0] = static_cast<unsigned char>((v >> 8) & 0xFF);
    at[1] = static_cast<unsigned char>(v & 0xFF);
}

static uint16_t GetWord(const unsigned char *at) {
    return static_cast<uint16_t>((unsigned(at[0]) << 8) | unsigned(at[1]));
}

void FillTxBuf(int orderCode, const uint16_t *words) {
    PutWord(szWriteBuf, unsigned(sync));
    PutWord(szWriteBuf + 2, unsigned(orderCode));
    for (int i = 0; i < PNUM; i++)
        PutWord(szWriteBuf + 4 + 2 * i, words[i]);
}

void GetRxBuf(int count) {
    if (count > PNUM) count = PNUM; // pp holds PNUM words, never more
    order = GetWord(szReadBuf + 2);
    for (int i = 0; i < count; i++)
        pp[i] = GetWord(szReadBuf + 4 + 2 * i);
}

// Set I: channel A and every setting shared by both channels, in frame order.
static uint16_t *const kSetI[PNUM - 1] = {&powerA,   &refA,    &tolA,    &triglvlA, &hysteresis,
                                          &polarity, &hold,    &average, &hwmode,   &evalmode,
                                          &trigmode, &outmode, &anamode, &sdelay,   &maxmode};
// Set II: the four channel B values; the rest of its frame is zero.
static uint16_t *const kSetII[4] = {&powerB, &refB, &tolB, &triglvlB};

void CopyVarsToPP(uint16_t set) {
    pp[0] = set;
    for (int i = 1; i < PNUM; i++)
        pp[i] = 0;
    if (set == 0) {
        for (int i = 0; i < PNUM - 1; i++)
            pp[i + 1] = *kSetI[i];
    } else {
        for (int i = 0; i < 4; i++)
            pp[i + 1] = *kSetII[i];
    }
}

void CopyPPtoVars(uint16_t set) {
    if (set == 0) {
        for (int i = 0; i < PNUM - 1; i++)
            *kSetI[i] = pp[i + 1];
    } else {
        for (int i = 0; i < 4; i++)
            *kSetII[i] = pp[i + 1];
    }
}

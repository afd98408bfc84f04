// Data blocks of a scan: one 64-word block (order 9) requested and read straight from the port
// into one half of the channel A or channel B scan array.
#include "com232.h"
#include "serial.h"

#include <algorithm>

uint16_t yArrayA[SCAN_WORDS];
uint16_t yArrayB[SCAN_WORDS];

constexpr int BLOCK_BYTES = 128;      // 64 big-endian words, no header
constexpr double BLOCK_TIMEOUT = 1.5; // seconds; the same value as TIMEOUT, its own limit

static void PutWord(unsigned char *at, unsigned v) {
    at[0] = static_cast<unsigned char>((v >> 8) & 0xFF);
    at[1] = static_cast<unsigned char>(v & 0xFF);
}

// Where a block of the 256-word scan goes: channel A's or channel B's array, first or second
// half; nullptr for an offset that names no block.
static uint16_t *BlockTarget(int offset) {
    switch (offset) {
    case 0: return yArrayA;
    case 64: return yArrayA + 64;
    case 128: return yArrayB;
    case 192: return yArrayB + 64;
    default: return nullptr;
    }
}

int ReadData64(int offset, int kind, int orderCode) {
    PutWord(szWriteBuf, unsigned(sync));
    PutWord(szWriteBuf + 2, unsigned(orderCode));
    PutWord(szWriteBuf + 4, unsigned(offset));
    PutWord(szWriteBuf + 6, unsigned(kind));
    for (int i = 2; i < PNUM; i++)
        PutWord(szWriteBuf + 4 + 2 * i, 0);
    AwaitQuietLine(com, Timer()); // the rest of an earlier block must not count as this one
    FlushOutQ(com);
    rx_flag = 0;
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
    ShowStatusText("Waiting for Data[64] ...");
    int n = 0;
    tstart = Timer();
    for (;;) {
        n = GetInQLen(com);
        tdiff = Timer() - tstart;
        // Tested first: 128 bytes found just too late still count. A port that is not open (or
        // vanished) never delivers: that is the time-out, now.
        if (tdiff > BLOCK_TIMEOUT || n < 0) {
            n = n < 0 ? 0 : n;
            SetStatus("Timeout-RS-232 while reading 64 data-words!");
            std::fill(yArrayA, yArrayA + SCAN_SAMPLES, 0);
            std::fill(yArrayB, yArrayB + SCAN_SAMPLES, 0);
            break;
        }
        if (n >= BLOCK_BYTES) break;
        ProcessDrawEvents(); // repaints and the close box; operator input waits
    }
    nBytesR = ComRd(com, szReadBuf, std::min(n, int(sizeof szReadBuf)));
    int result = 0;
    if (nBytesR == BLOCK_BYTES) {
        SetStatus("Data[64] block received!");
        if (uint16_t *to = BlockTarget(offset))
            for (int i = 0; i < BLOCK_BYTES / 2; i++)
                to[i] = uint16_t(szReadBuf[2 * i] << 8 | szReadBuf[2 * i + 1]);
        result = 64;
    }
    ShowStatus();
    return result;
}

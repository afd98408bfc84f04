// Firmware information: asks the controller for its 64-byte identification (order 7), read
// straight from the port with the receive handler off, and turns it into a safe status text.
#include "com232.h"
#include "serial.h"

#include <cstring>

constexpr int FIRMWARE_BYTES = 64;       // the answer: 32 big-endian words, no header
constexpr double FIRMWARE_TIMEOUT = 2.0; // seconds

char szVersion[FIRMWARE_BYTES + 1];

// Each word carries two characters, high byte first. The text ends at the first NUL; anything
// unprintable is shown as '?', so bytes from the line never reach the status line raw.
void FormatFirmwareText(const int *words, char *text) {
    int n = 0;
    for (int i = 0; i < FIRMWARE_BYTES / 2; i++) {
        const int bytes[2] = {(words[i] >> 8) & 0xFF, words[i] & 0xFF};
        for (int b : bytes) {
            if (b == 0) {
                text[n] = '\0';
                return;
            }
            text[n++] = (b >= 0x20 && b <= 0x7E) ? char(b) : '?';
        }
    }
    text[n] = '\0';
}

int GetVERSIONInfo() {
    InstallComCallback(com, 0, FRAMELEN, sync, nullptr, nullptr); // the 64 bytes stay queued
    AwaitQuietLine(com, Timer()); // the rest of an earlier reply must not count as the answer
    FlushOutQ(com);
    order = ORDER_FIRMWARE;
    FillTxBuf(ORDER_FIRMWARE, pp);
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
    ShowStatusText("Waiting for firmware info ...");
    int n = 0;
    tstart = Timer();
    for (;;) {
        n = GetInQLen(com);
        tdiff = Timer() - tstart;
        // A port that is not open (or vanished) never delivers: that is the time-out, now.
        if (tdiff > FIRMWARE_TIMEOUT || n < 0) {
            n = n < 0 ? 0 : n;
            SetStatus("Timeout - reading firmware info!");
            break;
        }
        if (n >= FIRMWARE_BYTES) break;
        ProcessDrawEvents(); // repaints and the close box; operator input waits
    }
    int words[FIRMWARE_BYTES / 2] = {};
    szVersion[0] = '\0';
    nBytesR = ComRd(com, szReadBuf, n < int(sizeof szReadBuf) ? n : int(sizeof szReadBuf));
    if (nBytesR == FIRMWARE_BYTES) {
        for (int i = 0; i < FIRMWARE_BYTES / 2; i++)
            words[i] = szReadBuf[2 * i] << 8 | szReadBuf[2 * i + 1];
        FormatFirmwareText(words, szVersion);
        SetStatus(szVersion);
    }
    InstallComCallback(com, eventMask, FRAMELEN, sync, RX_Receive_Function, nullptr);
    FlushInQ(com);
    FlushOutQ(com);
    rx_flag = 0;
    ShowStatus();
    return n;
}

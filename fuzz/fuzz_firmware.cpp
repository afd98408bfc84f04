// Fuzz target: the firmware text. Any 32 words format to at most 64 printable characters and a
// terminator; any answer of the simulated controller to order 7, short, long or preceded by
// stray bytes, leaves such a text and the receive path ready again.
#include "com232.h"
#include "harness.h"
#include "sim.h"
#include "testing.h"

#include <cstdint>
#include <cstring>

static void CheckText(const char *text, size_t size, const char *what) {
    const char *end = static_cast<const char *>(memchr(text, '\0', size));
    if (!end) FuzzFail("%s: no terminator within %zu bytes", what, size);
    if (end - text > 64) FuzzFail("%s: %td characters", what, end - text);
    for (const char *c = text; c < end; c++)
        if (*c < 0x20 || *c > 0x7E) FuzzFail("%s: character 0x%02X", what, unsigned(*c) & 0xFF);
}

// Whole 32-bit values: only the low 16 bits of each word may count.
static void FormatAnyWords(const uint8_t *data, size_t size) {
    int words[32] = {}, low[32] = {};
    for (size_t i = 0; i < 128 && i < size; i++)
        words[i / 4] = int(unsigned(words[i / 4]) << 8 | data[i]);
    for (int i = 0; i < 32; i++)
        low[i] = words[i] & 0xFFFF;
    char text[80], lowText[80];
    memset(text, 'x', sizeof text);
    FormatFirmwareText(words, text);
    CheckText(text, 65, "FormatFirmwareText");
    FormatFirmwareText(low, lowText);
    if (strcmp(text, lowText) != 0) FuzzFail("the high bits of a word change the text");
}

// The text the 64 bytes read stand for: up to the first NUL, '?' for what is not printable.
static void Expect(const unsigned char *bytes, char *text) {
    int n = 0;
    while (n < 64 && bytes[n]) {
        text[n] = bytes[n] >= 0x20 && bytes[n] <= 0x7E ? char(bytes[n]) : '?';
        n++;
    }
    text[n] = '\0';
}

static const SimFault kFaults[4] = {SIM_FAULT_NONE, SIM_FAULT_SHORT_BLOCK, SIM_FAULT_LONG_BLOCK,
                                    SIM_FAULT_NO_ANSWER};

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    FuzzStartProgram(true);
    return 0;
}

// Byte 0: bits 0-1 the controller's fault, bits 4-7 stray bytes already on their way;
// bytes 1-64: the controller's firmware answer (NUL-filled).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    FormatAnyWords(data + 1, size - 1);
    UseTestClock(true);
    SetTestClock(0);
    SimReset();
    SimSetFirmware(data + 1, int(size - 1 < 64 ? size - 1 : 64));
    SimSetFault(kFaults[data[0] & 3]);
    int stray = data[0] >> 4;
    static const unsigned char kStray[15] = {0x00, 0x55, 0x00, 0x08, 0xFF, 0x7F, 0x80, 0x01,
                                             0x41, 0x0A, 0x0D, 0x09, 0x00, 0xAA, 0x1B};
    SimQueueRaw(kStray, stray, Timer()); // in flight: the flush at the start keeps them
    SetStatus("before");
    int n = GetVERSIONInfo();
    CheckText(szVersion, sizeof szVersion, "szVersion");
    CheckText(szStatus, 65, "szStatus");
    if (rx_flag != 0) FuzzFail("rx_flag %d after the firmware read", rx_flag);
    if (nBytesR == 64) {
        char want[65];
        Expect(szReadBuf, want);
        if (strcmp(szVersion, want) != 0 || strcmp(szStatus, want) != 0)
            FuzzFail("64 bytes read as \"%s\", status \"%s\", expected \"%s\"", szVersion, szStatus,
                     want);
    } else if (szVersion[0] != '\0') {
        FuzzFail("%d bytes read, yet the text \"%s\"", nBytesR, szVersion);
    }
    if (n < 64 && strcmp(szStatus, "Timeout - reading firmware info!") != 0)
        FuzzFail("%d bytes waiting, status \"%s\"", n, szStatus);
    if (n > 64 && strcmp(szStatus, "before") != 0)
        FuzzFail("%d bytes waiting, status changed to \"%s\"", n, szStatus);
    return 0;
}

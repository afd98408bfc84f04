// Simulated X-VEL-ZUK1 controller: frames requests from the PC's bytes, carries out the orders
// on its RAM and EEPROM parameter sets, and queues the replies, faulty ones when asked to.
#include "sim.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr unsigned char SYNC_HI = 0x00, SYNC_LO = 0x55; // first two bytes of every frame
constexpr unsigned short ECHO_MARK = 0x00AA;            // echo word 0
constexpr unsigned short WRONG_ECHO_MARK = 0x00AB;      // echo word 0 under the fault
constexpr unsigned char FILL = 0xEE; // extra bytes of the burst and long-block faults

// Power-on contents of RAM and EEPROM. Set II uses words 1-4 only; the rest stays 0.
#define SIM_SET_I_DEFAULTS                                                                         \
    { 0, 500, 2048, 512, 950, 20, 1, 100, 8, 1, 0, 0, 0, 0, 500, 0 }
#define SIM_SET_II_DEFAULTS                                                                        \
    { 1, 500, 2048, 512, 950, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }
#define SIM_FIRMWARE_DEFAULT "XVEL-ZUK1 SIM FW 1.07 2x1024px 19200Bd"

constexpr unsigned short DEFAULTS[2][SIM_WORDS] = {SIM_SET_I_DEFAULTS, SIM_SET_II_DEFAULTS};

// Constant-initialised so the power-on state holds even before the first SimReset.
unsigned short ram[2][SIM_WORDS] = {SIM_SET_I_DEFAULTS, SIM_SET_II_DEFAULTS};
unsigned short eeprom[2][SIM_WORDS] = {SIM_SET_I_DEFAULTS, SIM_SET_II_DEFAULTS};
unsigned char firmware[SIM_FIRMWARE_BYTES] = SIM_FIRMWARE_DEFAULT;

SimFault fault = SIM_FAULT_NONE;
unsigned char rx[SIM_FRAME_BYTES]; // request being assembled, always starts with the sync word
int rxCount;
int requests, opens, closes, openError;
bool plugged = true; // the cable is in
int unplugs;         // times it was pulled since reset
uint32_t garbageState = 1;
SimReply replyLog[SIM_LOG_CAPACITY]; // ring of the reply frames sent, newest last
int replyCount;                      // reply frames sent since reset
int requestSet;                      // set named by the request being handled (word 0)
int requestOrder;                    // order of the request being handled

const char *const FAULT_NAMES[SIM_FAULT_COUNT] = {
    "none",       "no-answer", "wrong-echo", "short-frame",  "burst40",   "short-block",
    "long-block", "garbage",   "vanish",     "ignore-write", "bad-write",
};

unsigned short GetWord(const unsigned char *p, int i) {
    return static_cast<unsigned short>(p[2 * i] << 8 | p[2 * i + 1]);
}

void PutWord(unsigned char *p, int i, unsigned short v) {
    p[2 * i] = static_cast<unsigned char>(v >> 8);
    p[2 * i + 1] = static_cast<unsigned char>(v);
}

int SetIndex(const unsigned char *payload) {
    return GetWord(payload, 0) == 0 ? 0 : 1;
}

// Word 0 of the payload picks the set; set I takes words 1-15, set II words 1-4.
// A controller whose store fails silently (a write lost on the line, a flaky EEPROM cell) is
// what a read-back verification has to catch: the two write faults model that.
void StoreSet(unsigned short (*sets)[SIM_WORDS], const unsigned char *payload) {
    if (fault == SIM_FAULT_IGNORE_WRITE) return;
    int set = SetIndex(payload);
    int last = set == 0 ? SIM_WORDS - 1 : 4;
    for (int w = 1; w <= last; w++)
        sets[set][w] = GetWord(payload, w);
    if (fault == SIM_FAULT_BAD_WRITE) sets[set][2]++;
}

void Garble(unsigned char *bytes, int n) {
    for (int i = 0; i < n; i++) {
        garbageState = garbageState * 1103515245u + 12345u;
        bytes[i] = static_cast<unsigned char>(garbageState >> 16);
    }
}

bool Silent() {
    return fault == SIM_FAULT_NO_ANSWER || fault == SIM_FAULT_VANISH;
}

void SendFrame(int order, const unsigned short *words, double done) {
    if (Silent()) return;
    unsigned char f[SIM_FRAME_BYTES + 4] = {SYNC_HI, SYNC_LO,
                                            static_cast<unsigned char>(order >> 8),
                                            static_cast<unsigned char>(order)};
    for (int w = 0; w < SIM_WORDS; w++)
        PutWord(f + 4, w, words[w]);
    int n = SIM_FRAME_BYTES;
    if (fault == SIM_FAULT_GARBAGE) Garble(f, n);
    SimReply &r = replyLog[replyCount++ % SIM_LOG_CAPACITY]; // as it goes on the line
    r.order = requestOrder;
    r.set = requestSet;
    for (int w = 0; w < SIM_WORDS; w++)
        r.words[w] = GetWord(f + 4, w);
    if (fault == SIM_FAULT_SHORT_FRAME) n--;
    if (fault == SIM_FAULT_BURST40) {
        std::fill(f + n, f + n + 4, FILL);
        n += 4;
    }
    SimSend(f, n, done, fault == SIM_FAULT_BURST40);
}

// Raw answers without a header (firmware text, data blocks); buffer holds n + 2 bytes.
void SendBlock(unsigned char *bytes, int n, double done) {
    if (Silent()) return;
    if (fault == SIM_FAULT_GARBAGE) Garble(bytes, n);
    if (fault == SIM_FAULT_SHORT_BLOCK) n--;
    if (fault == SIM_FAULT_LONG_BLOCK) {
        bytes[n] = bytes[n + 1] = FILL;
        n += 2;
    }
    SimSend(bytes, n, done, false);
}

void Echo(const unsigned char *payload, double done) {
    unsigned short words[SIM_WORDS];
    words[0] = fault == SIM_FAULT_WRONG_ECHO ? WRONG_ECHO_MARK : ECHO_MARK;
    for (int w = 1; w < SIM_WORDS; w++)
        words[w] = GetWord(payload, w);
    SendFrame(SIM_ORDER_ECHO, words, done);
}

void Teach(double done) {
    unsigned short live[SIM_WORDS];
    SimLiveWords(done, live);
    ram[0][2] = live[SIM_LIVE_NORM_A];
    SendFrame(SIM_ORDER_TEACH, ram[0], done);
}

void Firmware(double done) {
    unsigned char bytes[SIM_FIRMWARE_BYTES + 2];
    std::memcpy(bytes, firmware, SIM_FIRMWARE_BYTES);
    SendBlock(bytes, SIM_FIRMWARE_BYTES, done);
}

void Live(double done) {
    unsigned short live[SIM_WORDS];
    SimLiveWords(done, live);
    SendFrame(SIM_ORDER_LIVE, live, done);
}

// Offsets past the scan wrap around: the block holds scan words (offset + k) mod 256.
// The controller records one scan and serves its four blocks from that record: a scan is
// taken anew for the first block, for another data kind, or when the last is 1 s old.
void Block(const unsigned char *payload, double done) {
    static unsigned short scan[SIM_SCAN_WORDS];
    static double scanTime = -1e9;
    static int scanKind = -1;
    int offset = GetWord(payload, 0);
    int kind = GetWord(payload, 1);
    if (offset == 0 || kind != scanKind || done - scanTime > 1.0) {
        SimScan(done, kind, scan);
        scanTime = done;
        scanKind = kind;
    }
    unsigned char bytes[2 * SIM_BLOCK_WORDS + 2];
    for (int k = 0; k < SIM_BLOCK_WORDS; k++)
        PutWord(bytes, k, scan[(offset + k) % SIM_SCAN_WORDS]);
    SendBlock(bytes, 2 * SIM_BLOCK_WORDS, done);
}

void Handle(const unsigned char *frame, double done) {
    requests++;
    int order = GetWord(frame, 1);
    const unsigned char *payload = frame + 4;
    requestOrder = order;
    requestSet = SetIndex(payload);
    switch (order) {
    case SIM_ORDER_STORE_RAM: StoreSet(ram, payload); break;
    case SIM_ORDER_READ_RAM: SendFrame(order, ram[SetIndex(payload)], done); break;
    case SIM_ORDER_STORE_EEPROM: StoreSet(eeprom, payload); break;
    case SIM_ORDER_READ_EEPROM: SendFrame(order, eeprom[SetIndex(payload)], done); break;
    case SIM_ORDER_ECHO: Echo(payload, done); break;
    case SIM_ORDER_TEACH: Teach(done); break;
    case SIM_ORDER_FIRMWARE: Firmware(done); break;
    case SIM_ORDER_LIVE: Live(done); break;
    case SIM_ORDER_BLOCK: Block(payload, done); break;
    case SIM_ORDER_RESET:
        std::memcpy(ram, eeprom, sizeof ram);
        SendFrame(order, ram[0], done);
        break;
    case SIM_ORDER_REFRESH: SendFrame(order, ram[0], done); break;
    default: break; // unknown orders go unanswered
    }
}

// Drops bytes until the buffer starts with the sync word (or a lone first sync byte).
void Resync() {
    while (rxCount > 0 && (rx[0] != SYNC_HI || (rxCount > 1 && rx[1] != SYNC_LO))) {
        rxCount--;
        std::memmove(rx, rx + 1, rxCount);
    }
}

bool ValidSet(int set, int word) {
    return set >= 0 && set < 2 && word >= 0 && word < SIM_WORDS;
}

} // namespace

// Orders are carried out when their frame is complete on the line (`done`), but the model
// changes its state right away, during this call; only the replies wait for their time.
void SimReceive(const unsigned char *data, int n, double now) {
    if (!data || n <= 0) return;
    SimRecordSent(data, n);
    SimNoteWrite(now);
    for (int i = 0; i < n; i++) {
        double at = SimLineIn(now);
        rx[rxCount++] = data[i];
        Resync();
        if (rxCount == SIM_FRAME_BYTES) {
            rxCount = 0;
            Handle(rx, at);
        }
    }
}

void SimReset() {
    std::memcpy(ram, DEFAULTS, sizeof ram);
    std::memcpy(eeprom, DEFAULTS, sizeof eeprom);
    SimSetFirmware(reinterpret_cast<const unsigned char *>(SIM_FIRMWARE_DEFAULT),
                   sizeof SIM_FIRMWARE_DEFAULT - 1);
    fault = SIM_FAULT_NONE;
    rxCount = 0;
    requests = opens = closes = openError = 0;
    plugged = true;
    unplugs = 0;
    garbageState = 1;
    replyCount = 0;
    SimLineReset();
    SimSignalReset();
}

int SimFaultByName(const char *name) {
    for (int f = 0; name && f < SIM_FAULT_COUNT; f++)
        if (std::strcmp(name, FAULT_NAMES[f]) == 0) return f;
    return -1;
}

const char *SimFaultName(int f) {
    return f >= 0 && f < SIM_FAULT_COUNT ? FAULT_NAMES[f] : "";
}

void SimSetFault(SimFault f) {
    fault = f;
}

SimFault SimGetFault() {
    return fault;
}

void SimSetFirmware(const unsigned char *bytes, int n) {
    n = bytes ? std::clamp(n, 0, SIM_FIRMWARE_BYTES) : 0;
    std::memset(firmware, 0, sizeof firmware);
    if (n > 0) std::memcpy(firmware, bytes, n);
}

unsigned short SimRamWord(int set, int word) {
    return ValidSet(set, word) ? ram[set][word] : 0;
}

unsigned short SimEepromWord(int set, int word) {
    return ValidSet(set, word) ? eeprom[set][word] : 0;
}

void SimSetRamWord(int set, int word, unsigned short v) {
    if (ValidSet(set, word)) ram[set][word] = v;
}

void SimSetEepromWord(int set, int word, unsigned short v) {
    if (ValidSet(set, word)) eeprom[set][word] = v;
}

int SimRequestCount() {
    return requests;
}

int SimOpenCount() {
    return opens;
}

int SimCloseCount() {
    return closes;
}

void SimSetOpenError(int code) {
    openError = code;
}

int SimOpenError() {
    return openError;
}

// Pulling the cable loses what was on its way in either direction; the controller keeps its
// parameter sets (it stays powered).
void SimSetPlugged(bool on, double now) {
    if (plugged && !on) {
        unplugs++;
        rxCount = 0;
        SimDiscardArrived(now + 1e9);
    }
    plugged = on;
}

bool SimPlugged() {
    return plugged;
}

int SimUnplugCount() {
    return unplugs;
}

void SimCountOpen() {
    opens++;
}

void SimCountClose() {
    closes++;
}

int SimReplyCount() {
    return replyCount;
}

const SimReply *SimReplyAt(int i) {
    if (i < 0 || i >= replyCount || i < replyCount - SIM_LOG_CAPACITY) return nullptr;
    return &replyLog[i % SIM_LOG_CAPACITY];
}

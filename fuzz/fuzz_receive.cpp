// Fuzz target: the receive path. While the live loop or a recording runs against the simulated
// controller on the test clock, the input decides what else arrives on the port and when: raw
// bytes (partial frames, trickled or in one burst), controller faults, new live values, Stop
// buttons, graph-source changes and a second loop started from inside the first.
#include "XVELZUK1V15.h"
#include "com232.h"
#include "harness.h"
#include "sim.h"
#include "testing.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int kMaxEvents = 48;       // events of one run, so a run stays short
constexpr double kMaxSchedule = 3.0; // s of the test clock within which the events fall
constexpr double kSlack = 0.010;     // the turns between a reply and the next request, s
constexpr int kStreamMax = 1 << 20;  // bytes queued towards the program in one run

// Everything queued towards the program in one run, in the order it reaches the port.
unsigned char g_stream[kStreamMax];
int g_streamLen;

struct Run {
    const uint8_t *data;
    size_t size, pos;
    int events;
    bool record;      // the run starts with Start Record, else with Run
    double timeout;   // the loop's reply time limit
    double lastStart; // when the latest loop was started
    double rawLast;   // arrival of the last raw byte queued
    int counted;      // controller requests whose replies are in g_stream
    unsigned short live[16];
    SimFault fault;
    int depth;    // loops running
    double bound; // the latest end the loops may have, once the input is used up
} R;

char g_recPath[64];

const unsigned short kLive[16] = {812, 790, 523, 498, 640, 650, 900, 880,
                                  700, 690, 25,  0,   2,   22,  40,  90};
const SimFault kFaults[5] = {SIM_FAULT_NONE, SIM_FAULT_NO_ANSWER, SIM_FAULT_SHORT_FRAME,
                             SIM_FAULT_BURST40, SIM_FAULT_VANISH};

void Append(const unsigned char *b, int n) {
    if (n > kStreamMax - g_streamLen) FuzzFail("more than %d bytes queued in one run", kStreamMax);
    memcpy(g_stream + g_streamLen, b, size_t(n));
    g_streamLen += n;
}

// The controller's replies to the requests since the last look: all of them answered order 8
// with the same live values and the same fault, since both change only in the events.
void AppendReplies() {
    int n = SimRequestCount() - R.counted;
    R.counted = SimRequestCount();
    if (R.fault == SIM_FAULT_NO_ANSWER || R.fault == SIM_FAULT_VANISH) return;
    unsigned char f[40] = {0x00, 0x55, 0x00, 0x08};
    for (int w = 0; w < 16; w++) {
        f[4 + 2 * w] = uint8_t(R.live[w] >> 8);
        f[5 + 2 * w] = uint8_t(R.live[w]);
    }
    int len = 36;
    if (R.fault == SIM_FAULT_SHORT_FRAME) len = 35;
    if (R.fault == SIM_FAULT_BURST40) {
        memset(f + 36, 0xEE, 4);
        len = 40;
    }
    for (int i = 0; i < n; i++)
        Append(f, len);
}

double LastInFlight() {
    double last = -1;
    for (int k = 1;; k++) {
        double a = SimArrivalOf(k);
        if (a < 0) return last;
        last = a;
    }
}

uint8_t Arg() {
    return R.pos < R.size ? R.data[R.pos++] : 0;
}

void Watchdog() {
    if (R.depth > 0)
        FuzzFail("a loop still runs at %.3f s; the last byte arrived by %.3f s", Timer(),
                 R.bound - R.timeout - kSlack);
}

// The input is used up: the controller falls silent, and the loops must end in time.
void Final() {
    AppendReplies();
    R.fault = SIM_FAULT_NO_ANSWER;
    SimSetFault(R.fault);
    double last = std::max({Timer(), LastInFlight(), R.lastStart});
    R.bound = last + R.timeout + kSlack;
    AtTestTime(R.bound + 0.001, Watchdog);
}

void Event();

void ScheduleNext() {
    if (R.pos >= R.size || R.events == kMaxEvents) {
        Final();
        return;
    }
    R.events++;
    double at = Timer() + Arg() * 0.004;
    if (at > kMaxSchedule) {
        Final();
        return;
    }
    AtTestTime(at, Event);
}

void QueueRaw(bool burst) {
    int n = std::min<size_t>(Arg() % 80, R.size - R.pos);
    if (burst) SimSetLineTiming(false);
    SimQueueRaw(R.data + R.pos, n, Timer());
    if (burst) SimSetLineTiming(true);
    Append(R.data + R.pos, n);
    R.pos += size_t(n);
    R.rawLast = std::max(R.rawLast, LastInFlight());
}

void Event() {
    AppendReplies();
    switch (Arg() % 9) {
    case 0: QueueRaw(false); break;
    case 1: QueueRaw(true); break;
    case 2:
        R.fault = kFaults[Arg() % 5];
        SimSetFault(R.fault);
        break;
    case 3:
        for (unsigned short &w : R.live) {
            unsigned high = Arg();
            w = uint16_t(high << 8 | Arg());
        }
        SimSetLiveWords(R.live);
        break;
    case 4: OperatorPress(panelHandle, BTNStop); break;
    case 5: OperatorPress(panelPopUp, BTNStopRecord); break;
    case 6: OperatorSet(panelHandle, RNGGraphSource, Arg() % 4); break;
    case 7: SimSetLineTiming(Arg() & 1); break;
    case 8: // the other loop's start button, pressed while this loop runs
        ScheduleNext();
        R.lastStart = Timer();
        R.timeout = 2.0; // the live loop's limit is the longer one, whichever loop runs inside
        R.depth++;
        if (R.record)
            OperatorPress(panelHandle, BTNRun);
        else
            OperatorPress(panelPopUp, BTNStartRecord);
        R.depth--;
        return;
    }
    ScheduleNext();
}

// The 16 live values as the program holds them, indices limited as it limits them.
void Shown(unsigned v[16]) {
    const unsigned held[16] = {unsigned(valNORMA),
                               unsigned(valNORMB),
                               adcCHA,
                               adcCHB,
                               Amax,
                               Bmax,
                               MAXvalA,
                               MAXvalB,
                               MINvalA,
                               MINvalB,
                               tolval,
                               btnval,
                               inputs,
                               valDIFF,
                               indexA,
                               indexB};
    memcpy(v, held, sizeof held);
}

void Decode(const unsigned char *frame, unsigned v[16]) {
    for (int w = 0; w < 16; w++)
        v[w] = unsigned(frame[4 + 2 * w]) << 8 | frame[5 + 2 * w];
    v[14] = std::clamp(v[14], 1u, 128u);
    v[15] = std::clamp(v[15], 1u, 128u);
}

// Some 36 consecutive queued bytes decode to these values (the first `count` of them).
bool FromStream(const unsigned *v, int count) {
    unsigned d[16];
    for (int at = 0; at + 36 <= g_streamLen; at++) {
        Decode(g_stream + at, d);
        if (std::equal(v, v + count, d)) return true;
    }
    return false;
}

int CtrlValue(int control) {
    int v = -1;
    GetCtrlVal(panelHandle, control, v);
    return v;
}

void CheckShown(const unsigned before[16]) {
    unsigned now[16];
    Shown(now);
    if (!std::equal(now, now + 16, before) && !FromStream(now, 16))
        FuzzFail("live values %u %u %u %u ... are no frame that arrived", now[0], now[1], now[2],
                 now[3]);
    const int shownCtrl[4] = {NUMvalA, NUMvalB, NUMadcA, NUMadcB};
    for (int i = 0; i < 4; i++)
        if (CtrlValue(shownCtrl[i]) != int(now[i]))
            FuzzFail("indicator %d shows %d, the value is %u", i, CtrlValue(shownCtrl[i]), now[i]);
}

bool Number(const char *&p, char end, unsigned *v) {
    const char *start = p;
    *v = 0;
    while (*p >= '0' && *p <= '9' && p - start < 6)
        *v = *v * 10 + unsigned(*p++ - '0');
    if (p == start || *p != end || *v > 65535 || (p - start > 1 && *start == '0')) return false;
    p++;
    return true;
}

void CheckRecordFile(unsigned lines, unsigned interval) {
    FILE *f = fopen(g_recPath, "rb");
    if (!f) return; // no recording ran
    char line[256], header[80];
    snprintf(header, sizeof header, "X-VEL-ZUK1-RECORDER-FILE: Time-Interval[s]: %u\n", interval);
    if (!fgets(line, sizeof line, f) || strcmp(line, header) != 0)
        FuzzFail("record file header \"%s\"", line);
    unsigned count = 0;
    while (fgets(line, sizeof line, f)) {
        const char *p = line;
        unsigned v[4];
        if (!Number(p, '\t', &v[0]) || !Number(p, '\t', &v[1]) || !Number(p, '\t', &v[2]) ||
            !Number(p, '\n', &v[3]) || *p)
            FuzzFail("record line %u: \"%s\"", count + 2, line);
        if (!FromStream(v, 4)) FuzzFail("record line %u holds no frame that arrived", count + 2);
        count++;
    }
    fclose(f);
    if (count > lines) FuzzFail("%u record lines for a count of %u", count, lines);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    FuzzStartProgram(true);
    const char *dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    snprintf(g_recPath, sizeof g_recPath, "%s/xvelzuk1-fuzz-%d.dat", dir, int(getpid()));
    snprintf(recfile_name, sizeof recfile_name, "%s", g_recPath);
    return 0;
}

// Bytes 0-2: start button, graph source, modes, record settings; then events, each a delay
// (4 ms steps), a kind and its arguments.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3) return 0;
    UseTestClock(true); // forgets the hooks of the run before
    SetTestClock(0);
    SimReset();
    if (ComOpenCount() == 0) InitRS232(com); // the run before unplugged the device
    FlushInQ(com);
    stop_flag = 1;
    rx_flag = graphrefresh = 0;
    for (int c : {BTNRun, BTNData, BTNSend, BTNStop})
        SetCtrlAttribute(panelHandle, c, ATTR_DIMMED, 0);
    SetCtrlAttribute(panelPopUp, BTNStartRecord, ATTR_DIMMED, 0);
    R = Run{};
    R.data = data;
    R.size = size;
    R.pos = 3;
    R.record = data[0] & 1;
    R.timeout = R.record ? TIMEOUT : 2.0;
    SetCtrlVal(panelHandle, RNGGraphSource, (data[0] >> 1) & 3);
    anamode = (data[0] >> 3) & 3;
    evalmode = (data[0] >> 5) & 3;
    SetCtrlVal(panelHandle, NEDIThwmode, data[2] & 3);
    unsigned lines = data[1] & 15, interval = (data[1] >> 4) & 3;
    SetCtrlVal(panelPopUp, NEDITRecSamples, int(lines));
    SetCtrlVal(panelPopUp, NEDITRecTime, int(interval));
    memcpy(R.live, kLive, sizeof kLive);
    SimSetLiveWords(R.live);
    unlink(g_recPath);
    snprintf(recfile_name, sizeof recfile_name, "%s", g_recPath);
    g_streamLen = 0;
    unsigned before[16];
    Shown(before);

    FuzzQuiet(true);
    ScheduleNext();
    R.depth = 1;
    if (R.record)
        OperatorPress(panelPopUp, BTNStartRecord);
    else
        OperatorPress(panelHandle, BTNRun);
    R.depth = 0;
    FuzzQuiet(false);

    AppendReplies();
    double last = std::max({R.lastStart, R.rawLast, SimLastReplyEnd()});
    if (Timer() > last + R.timeout + kSlack)
        FuzzFail("the loops ended at %.3f s, the last byte arrived by %.3f s", Timer(), last);
    if (stop_flag != 1 || rx_flag != 0 || graphrefresh != 0)
        FuzzFail("after the loops: stop_flag %d, rx_flag %d, graphrefresh %d", stop_flag, rx_flag,
                 graphrefresh);
    CheckShown(before);
    CheckRecordFile(lines, interval);
    return 0;
}

// Serial line between the PC and the simulated controller: byte timing in both directions,
// the queue of bytes in flight to the PC and the record of everything the PC wrote.
#include "sim.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr double DEFAULT_DELAY = 0.002; // controller processing time per request, s
constexpr double ARRIVAL_SLACK = 1e-9;  // rounding of summed byte times, far below a bit time

struct OutByte {
    unsigned char value;
    double at; // arrival time at the PC
};

// Bytes in flight or arrived but not taken, oldest first. A ring of fixed size: the data path
// never allocates. When it overflows the oldest pending bytes are dropped, as a UART receiver
// overruns when nobody reads it.
OutByte out[SIM_OUT_CAPACITY];
int outHead;
int outCount;
double outLast; // arrival time of the newest queued byte; later bytes never arrive before it

bool timing = true;
double delay = DEFAULT_DELAY;
double inFree;       // time the PC->controller line finishes its last byte
double lastReplyEnd; // arrival time of the last byte of the newest reply, -1 before any
bool replyPending;   // a reply went out and the PC has not written since it arrived

double *latencyLog; // benchmark log: reply's last byte -> next write of the PC, seconds
int latencyCapacity;
int latencyCount;

unsigned char sent[SIM_SENT_CAPACITY];
int sentCount;

void Push(unsigned char value, double at) {
    at = std::max(at, outLast);
    outLast = at;
    if (outCount == SIM_OUT_CAPACITY) {
        outHead = (outHead + 1) % SIM_OUT_CAPACITY;
        outCount--;
    }
    out[(outHead + outCount) % SIM_OUT_CAPACITY] = {value, at};
    outCount++;
}

// Bytes leave the controller one after the other once the line back to the PC is free; a burst
// hands them all over at the moment the last one is complete.
void Schedule(const unsigned char *bytes, int n, double start, bool burst) {
    if (!timing) {
        for (int i = 0; i < n; i++)
            Push(bytes[i], start);
        return;
    }
    double first = std::max(start, outLast);
    for (int i = 0; i < n; i++)
        Push(bytes[i], first + (burst ? n : i + 1) * SIM_BYTE_TIME);
}

bool Arrived(int index, double now) {
    return out[index].at <= now + ARRIVAL_SLACK;
}

} // namespace

void SimLineReset() {
    outHead = 0;
    outCount = 0;
    outLast = 0;
    timing = true;
    delay = DEFAULT_DELAY;
    inFree = 0;
    lastReplyEnd = -1;
    sentCount = 0;
}

void SimSetLineTiming(bool on) {
    timing = on;
}

void SimSetProcessingDelay(double seconds) {
    delay = std::max(seconds, 0.0);
}

double SimLineIn(double now) {
    if (!timing) return now;
    inFree = std::max(now, inFree) + SIM_BYTE_TIME;
    return inFree;
}

void SimSend(const unsigned char *bytes, int n, double done, bool burst) {
    Schedule(bytes, n, timing ? done + delay : done, burst);
    lastReplyEnd = outLast;
    replyPending = true;
}

void SimQueueRaw(const unsigned char *bytes, int n, double now) {
    if (bytes && n > 0) Schedule(bytes, n, now, false);
}

int SimTake(unsigned char *dst, int max, double now) {
    int taken = 0;
    while (taken < max && outCount > 0 && Arrived(outHead, now)) {
        dst[taken++] = out[outHead].value;
        outHead = (outHead + 1) % SIM_OUT_CAPACITY;
        outCount--;
    }
    return taken;
}

double SimNextArrival() {
    return outCount > 0 ? out[outHead].at : -1.0;
}

double SimArrivalOf(int nth) {
    if (nth < 1 || nth > outCount) return -1.0;
    return out[(outHead + nth - 1) % SIM_OUT_CAPACITY].at;
}

double SimLastReplyEnd() {
    return lastReplyEnd;
}

void SimLogLatency(double *log, int capacity) {
    latencyLog = log;
    latencyCapacity = log ? capacity : 0;
    latencyCount = 0;
    replyPending = false;
}

int SimLatencyCount() {
    return latencyCount;
}

void SimNoteWrite(double now) {
    if (!replyPending || now < lastReplyEnd) return; // no reply in, or written before it was
    replyPending = false;
    if (latencyCount < latencyCapacity) latencyLog[latencyCount++] = now - lastReplyEnd;
}

void SimDiscardArrived(double now) {
    while (outCount > 0 && Arrived(outHead, now)) {
        outHead = (outHead + 1) % SIM_OUT_CAPACITY;
        outCount--;
    }
}

void SimRecordSent(const unsigned char *data, int n) {
    int keep = std::min(n, SIM_SENT_CAPACITY - sentCount);
    if (keep > 0) {
        std::memcpy(sent + sentCount, data, keep);
        sentCount += keep;
    }
}

int SimSent(unsigned char *dst, int max) {
    int n = std::min(max, sentCount);
    if (n > 0) std::memcpy(dst, sent, n);
    return n;
}

void SimClearSent() {
    sentCount = 0;
}

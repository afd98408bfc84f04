// Simulated X-VEL-ZUK1 controller: the controller model, its serial line timing and test hooks.
// The model keeps no clock of its own; every call that depends on time is handed `now` (seconds).
#pragma once

// ---- Line and frame constants ---------------------------------------------------------------

constexpr int SIM_FRAME_BYTES = 36;              // every request and every reply frame, bytes
constexpr int SIM_WORDS = 16;                    // payload words of a frame / of a parameter set
constexpr double SIM_BYTE_TIME = 10.0 / 19200.0; // one byte on the line (8N1 at 19200 Bd), s
constexpr int SIM_FIRMWARE_BYTES = 64;           // order 7 answer: ASCII text padded with NUL
constexpr int SIM_BLOCK_WORDS = 64;              // order 9 answer: words per data block
constexpr int SIM_SCAN_SAMPLES = 128;            // samples per channel in one scan
constexpr int SIM_SCAN_WORDS = 2 * SIM_SCAN_SAMPLES; // channel A samples, then channel B
constexpr int SIM_OUT_CAPACITY = 8192;   // bytes in flight to the PC before the oldest drop
constexpr int SIM_SENT_CAPACITY = 65536; // bytes of PC output kept for SimSent

// Order codes of the request frames.
enum SimOrder {
    SIM_ORDER_STORE_RAM = 1,    // store a set in RAM, no answer
    SIM_ORDER_READ_RAM = 2,     // read a set from RAM
    SIM_ORDER_STORE_EEPROM = 3, // store a set in EEPROM, no answer
    SIM_ORDER_READ_EEPROM = 4,  // read a set from EEPROM
    SIM_ORDER_ECHO = 5,         // line check
    SIM_ORDER_TEACH = 6,        // refA := normalised value of channel A
    SIM_ORDER_FIRMWARE = 7,     // 64 raw bytes of firmware text
    SIM_ORDER_LIVE = 8,         // live values
    SIM_ORDER_BLOCK = 9,        // 128 raw bytes: 64 words of the scan
    SIM_ORDER_RESET = 10,       // RAM := EEPROM
    SIM_ORDER_REFRESH = 11,     // answer RAM set I
};

// Live value words (order 8 payload).
enum SimLiveWord {
    SIM_LIVE_NORM_A = 0,   // channel A normalised, 1000 * adc / max
    SIM_LIVE_NORM_B = 1,   // channel B normalised
    SIM_LIVE_ADC_A = 2,    // channel A raw ADC, 0..4095
    SIM_LIVE_ADC_B = 3,    // channel B raw ADC
    SIM_LIVE_AMAX = 4,     // ADC value that normalises to 1000, channel A
    SIM_LIVE_BMAX = 5,     // same, channel B
    SIM_LIVE_MAX_A = 6,    // largest normalised A over the last SIM_WINDOW seconds
    SIM_LIVE_MAX_B = 7,    // largest normalised B over the window
    SIM_LIVE_MIN_A = 8,    // smallest normalised A over the window
    SIM_LIVE_MIN_B = 9,    // smallest normalised B over the window
    SIM_LIVE_TOL = 10,     // tolA of RAM set I
    SIM_LIVE_BUTTON = 11,  // front button, always 0
    SIM_LIVE_INPUTS = 12,  // digital inputs, bits 0 and 1
    SIM_LIVE_DIFF = 13,    // |normA - normB|
    SIM_LIVE_INDEX_A = 14, // scan index of channel A's peak, 1..128
    SIM_LIVE_INDEX_B = 15, // scan index of channel B's peak, 1..128
};

constexpr double SIM_WINDOW = 2.0; // min/max window of the live values, s

// ---- Faults ---------------------------------------------------------------------------------

enum SimFault {
    SIM_FAULT_NONE,         // answers as the controller should
    SIM_FAULT_NO_ANSWER,    // no reply at all (orders are still carried out)
    SIM_FAULT_WRONG_ECHO,   // echo word 0 is 0x00AB
    SIM_FAULT_SHORT_FRAME,  // 35 bytes of a 36-byte reply frame
    SIM_FAULT_BURST40,      // reply frame + 4 extra bytes, all arriving at the same moment
    SIM_FAULT_SHORT_BLOCK,  // raw blocks one byte short: 63 / 127
    SIM_FAULT_LONG_BLOCK,   // raw blocks two bytes long: 66 / 130
    SIM_FAULT_GARBAGE,      // replies of the right length filled with pseudo-random bytes
    SIM_FAULT_VANISH,       // the port disappears: no replies, the in-process device is gone()
    SIM_FAULT_IGNORE_WRITE, // orders 1 and 3 are taken and forgotten: nothing is stored
    SIM_FAULT_BAD_WRITE,    // orders 1 and 3 store the set with its word 2 one higher
    SIM_FAULT_COUNT         // number of faults
};

int SimFaultByName(const char *name); // "no-answer", "burst40", ...; the fault, or -1 unknown
const char *SimFaultName(int fault);  // the name SimFaultByName accepts, "" out of range

// ---- Model (sim_core.cpp; the queue towards the PC in sim_line.cpp) ------------------------
// Callers pass a clock that never runs backwards: a byte never arrives before one queued earlier.
// An order changes the model's state during SimReceive; only its reply waits for the line.

void SimReset(); // power-on: RAM = EEPROM = defaults, no fault, timing on, 2 ms, queues empty
void SimReceive(const unsigned char *data, int n, double now); // PC wrote n bytes at now
int SimTake(unsigned char *dst, int max, double now); // bytes arrived at the PC by now; count
double SimNextArrival(); // arrival of the oldest untaken byte (may be past), -1 when none
void SimDiscardArrived(double now); // PC input flush: drop bytes arrived by now, keep the rest
double SimArrivalOf(int nth);       // arrival time of the nth untaken byte (1 = oldest), -1 if none
double SimLastReplyEnd();           // arrival of the last byte of the newest reply, -1 before any
void SimNoteWrite(double now);      // the PC writes at now (latency log)
void SimLogLatency(double *log, int capacity); // log reply-end -> next-write times, s; null off
int SimLatencyCount();                         // entries logged
void SimQueueRaw(const unsigned char *bytes, int n, double now); // unasked bytes to the PC

// ---- Test hooks (sim_core.cpp) --------------------------------------------------------------

void SimSetFault(SimFault f);                            // applies to every reply that follows
SimFault SimGetFault();                                  // the fault set now
void SimSetFirmware(const unsigned char *bytes, int n);  // order 7 text, n <= 64, rest NUL
unsigned short SimRamWord(int set, int word);            // RAM set 0/1, word 0..15; 0 out of range
unsigned short SimEepromWord(int set, int word);         // EEPROM set 0/1, word 0..15
void SimSetRamWord(int set, int word, unsigned short v); // writes one RAM word
void SimSetEepromWord(int set, int word, unsigned short v); // writes one EEPROM word
int SimRequestCount();                                      // complete requests handled
int SimOpenCount();             // opens of the in-process device since reset
int SimCloseCount();            // closes of the in-process device since reset
void SimSetOpenError(int code); // next opens fail with this negative code; 0 = open
int SimOpenError();             // the code set by SimSetOpenError
void SimCountOpen();            // called by the in-process device on open
void SimCountClose();           // called by the in-process device on close

// The cable: pulling it loses the bytes in flight and a partial request.
void SimSetPlugged(bool on, double now); // pull (false) or plug in the cable
bool SimPlugged();                       // the cable is in (after reset: yes)
int SimUnplugCount();                    // times the cable was pulled since reset

// Reply frames as they went on the line (after any garbling), for checks of what the PC kept.
constexpr int SIM_LOG_CAPACITY = 65536; // newest reply frames kept
struct SimReply {
    int order;                       // order of the request it answers
    int set;                         // set named by that request's word 0: 0 (set I) or 1
    unsigned short words[SIM_WORDS]; // payload words
};
int SimReplyCount();               // reply frames sent since reset
const SimReply *SimReplyAt(int i); // the i-th since reset (0 = first), nullptr if not kept

// ---- Serial line (sim_line.cpp) -------------------------------------------------------------

void SimLineReset();                        // empty queues, timing on, default delay
void SimSetLineTiming(bool on);             // off: replies arrive at once, no delay
void SimSetProcessingDelay(double seconds); // controller time from request to reply, s
double SimLineIn(double now); // arrival at the controller of the next PC byte written at now
void SimSend(const unsigned char *bytes, int n, double done, bool burst); // reply to a request
                                                                          // complete at done
int SimSent(unsigned char *dst, int max); // bytes the PC wrote since reset (first 64 KiB)
void SimClearSent();                      // forgets the recorded PC bytes
void SimRecordSent(const unsigned char *data, int n); // keeps PC bytes for SimSent

// ---- Signal (sim_signal.cpp) ----------------------------------------------------------------

void SimSignalReset();                                 // live values follow the clock again
void SimSetLiveWords(const unsigned short words[16]);  // freezes the live values to these
void SimUnfreezeLive();                                // live values follow the clock again
void SimLiveWords(double now, unsigned short out[16]); // order 8 payload at now
void SimScan(double now, int kind, unsigned short out[SIM_SCAN_WORDS]); // kind 1 norm, else raw

// ---- In-process port device (sim_device.cpp, needs the platform library) -------------------

void SimRegisterDevice(const char *name = "sim"); // the device under this name (several names
                                                  // reach the same controller)
void SimUnplug(); // the device vanishes: an open one is gone, opens fail, it is absent
void SimPlugIn(); // the device is there again; a new open reaches the same controller

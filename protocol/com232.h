// The device protocol with the controller: frames, the parameter variables they carry, and the
// serial session (port start-up, receive handler, reply wait, line check). What the exchanges have
// to tell the operator goes to the program through the reports it installs.
#pragma once

#include <cstdint>

// ---- Frame layer ----------------------------------------------------------------------------

constexpr int PNUM = 16;               // 16-bit words in a frame payload
constexpr int FRAMELEN = PNUM * 2 + 4; // bytes in every request and reply frame: 36

// POSIX declares a function sync(); the frame's sync word lives in a namespace of its own so
// files that include <unistd.h> still compile. Code of this module names it plainly.
inline namespace com232 {
extern int sync; // its low 16 bits open every request; also the event character: 0x55
}
// The order codes: what the controller is to do with a request.
enum OrderCode : int {
    ORDER_STORE_RAM = 1,    // store the parameter set of the payload in RAM; no reply
    ORDER_READ_RAM = 2,     // read the parameter set named in word 0 from RAM
    ORDER_STORE_EEPROM = 3, // store the parameter set of the payload in EEPROM; no reply
    ORDER_READ_EEPROM = 4,  // read the parameter set named in word 0 from EEPROM
    ORDER_ECHO = 5,         // line check: the reply's word 0 is ECHO_WORD
    ORDER_TEACH = 6,        // take a new reference value
    ORDER_FIRMWARE = 7,     // firmware information: 64 raw bytes
    ORDER_LIVE = 8,         // live values
    ORDER_DATA_BLOCK = 9,   // a block of a scan: 128 raw bytes
    ORDER_RESET = 10,
    ORDER_REFRESH = 11,
};

extern int order; // order code of the request being built; order word of replies
extern unsigned char szWriteBuf[1024]; // the request frame is built in its first 36 bytes
extern unsigned char szReadBuf[1024];  // replies are read into its start (36, 64 or 128 bytes)
extern uint16_t pp[PNUM];              // the parameter frame: request payload, reply payload

void FillTxBuf(int orderCode, const uint16_t *words); // request in szWriteBuf; changes nothing else
void GetRxBuf(int count); // order := reply order word, pp[0..count-1] := reply words
void CopyVarsToPP(
    uint16_t set); // pp := parameter set I (set 0) or set II (any other, word 0 = set)
void CopyPPtoVars(uint16_t set); // set I := pp words 1-15 (set 0); else set II := pp words 1-4

// ---- Parameter variables (unsigned 16-bit, as the controller holds them) ---------------------

extern uint16_t powerA, powerB; // laser power of channel A / B
extern uint16_t refA, refB;     // reference value of channel A / B (A: the difference in mode 3)
extern uint16_t tolA, tolB;     // tolerance of channel A / B
extern uint16_t triglvlA, triglvlB; // trigger level of channel A / B
extern uint16_t hysteresis;         // switching hysteresis
extern uint16_t polarity;           // output polarity
extern uint16_t hold;               // hold time
extern uint16_t average;            // averaging
extern uint16_t hwmode;             // hardware mode
extern uint16_t evalmode;           // evaluation mode 0..3
extern uint16_t trigmode;           // trigger mode 0..5
extern uint16_t outmode;            // switching-output mode 0..2
extern uint16_t anamode;            // analog-output mode 0..3
extern uint16_t sdelay;             // delay
extern uint16_t maxmode;            // max mode (set I only)

// ---- Storage target ----------------------------------------------------------------------------

constexpr int RAM = 1;     // the controller's RAM
constexpr int EEPROM = 2;  // the controller's EEPROM
constexpr int DATFILE = 3; // a parameter file
extern int target;         // where Send writes and Get reads: RAM, EEPROM or DATFILE

// ---- Serial session ---------------------------------------------------------------------------

constexpr int eventMask = 0x8006; // receive events: queue >= notify count, output empty, event char
constexpr double TIMEOUT = 1.5;   // reply time-out, seconds
constexpr double PORT_TIMEOUT = 2.0; // read/write time-out of the port, seconds

extern int com;            // number of the open COM port; every exchange uses it
extern int rx_flag;        // 1 once the receive handler decoded a reply; senders clear it first
extern int graphrefresh;   // 1 when a reply came that the live loops have not plotted yet
extern int nBytesW;        // bytes accepted by the last port write (or a negative error)
extern int nBytesR;        // bytes returned by the last port read (or a negative error)
extern char szStatus[256]; // outcome text of the last exchange
extern int ret;            // result of the last reply wait: 1 reply came, 0 time-out
extern double tstart;      // start of the current wait, seconds (shared by every wait)
extern double tdiff;       // time elapsed in the current wait, seconds

void InitRS232(int port); // open and set up the port, check the line, start-up reads; status line
void RX_Receive_Function(int port, int events, void *data); // receive handler of the port
int WaitRxFull();           // wait for rx_flag, at most TIMEOUT; 1 reply, 0 time-out (also in ret)
int CheckComLine(int port); // echo request and direct read; 1 line good, 0 not
constexpr double CHAR_TIME = 10.0 / 19200; // one character on the line (8N1), seconds
constexpr double CLOCK_GRAIN = 1e-9; // clock readings are doubles: differences carry this error
constexpr double QUIET_TIME = 3 * CHAR_TIME; // a line this long without a byte carries no frame
constexpr double QUIET_LIMIT = 0.1;          // longest wait for a quiet line, seconds (a busy line)
// A reply to a request written at t is complete by t + REPLY_WINDOW (request and reply on the
// line plus the controller's turn-around).
constexpr double REPLY_WINDOW = 2 * FRAMELEN * CHAR_TIME + 0.02;
void AwaitQuietLine(int port, double until); // quiet QUIET_TIME and until passed; input discarded
const char *ComErrorText(int code);          // status text for a negative port open error code
void PushGET(int from, uint16_t set);        // set 0/1 from RAM or EEPROM into the variables
int ReadSetCopy(int from, uint16_t set, uint16_t *words); // the same into words[PNUM] (the
// reply frame), the variables untouched; 1 read, 0 no answer

constexpr int SCAN_SAMPLES = 128;    // samples of one channel in a scan
constexpr int SCAN_WORDS = 256;      // size of every scan array (entries 0..127 are used)
extern uint16_t yArrayA[SCAN_WORDS]; // scan of channel A
extern uint16_t yArrayB[SCAN_WORDS]; // scan of channel B
int ReadData64(int offset, int kind, int orderCode); // one block (order 9): 64 stored, else 0

extern char szVersion[65]; // firmware text of the controller, at most 64 printable characters
int GetVERSIONInfo();      // order 7, 64 raw bytes -> szVersion and the status line; bytes waiting
void FormatFirmwareText(const int *words, char *text); // 32 words -> text[65], printable only
extern void (*pfnSetPanelValues)();   // shows the variables on the panels after the start-up
                                      // reads; set by the program (the panels sit above here)
struct ProtocolReports {              // how the exchanges reach the operator; set by the program
    void (*status)(const char *text); // the status line shows text
    void (*hint)(const char *text);   // the line under it shows text; "" hides it
    void (*targetRam)();              // the start-up reads made RAM the storage target
};
void InstallProtocolReports(const ProtocolReports &reports);
void SetStatus(const char *text);      // copy text into szStatus (bounded)
void ShowStatus();                     // show szStatus on the status line
void ShowStatusText(const char *text); // show text on the status line, szStatus unchanged
void SayOutcome(const char *fmt, ...)  // how a command ended, on the hint line
    __attribute__((format(printf, 1, 2)));
void ClearOutcome(); // the next command begins: the hint line goes

// Serial ports by COM number: the RS-232 calls, the table that maps numbers to the system's ports
// as they come and go, the watch on those ports, and hints on why a port did not open. Devices
// other than real ports (the simulated controller) register by name.
#pragma once

#include "runtime.h"

// ---- The RS-232 calls -----------------------------------------------------------------------

enum ComError : int {         // negative results of the calls below
    COM_ERR_SYSTEM = -1,      // an unknown system error
    COM_ERR_PORT_NUMBER = -2, // no such COM number (or none mapped to a device)
    COM_ERR_NOT_OPEN = -3,    // the port is not open
    COM_ERR_IO = -4,          // an unknown input/output error
    COM_ERR_NO_PORT = -6,     // the device is not there (unplugged, no such node)
    COM_ERR_CANNOT_OPEN = -7, // the device would not open (busy, or no permission)
    COM_ERR_PARAMETER = -13,  // a setting the port does not take
    COM_ERR_TIMEOUT = -99,    // a read or write ran out of time
};

using ComCallbackPtr = void (*)(int port, int events, void *callbackData);
constexpr int LWRS_RECEIVE = 0x8000; // event bit: at least the notify count of bytes is queued

int OpenComConfig(int port, const char *deviceName, long baud, int parity, int dataBits,
                  int stopBits, int inQueueSize, int outQueueSize); // 0 or negative error code
int SetComTime(int port, double seconds);                           // read/write time-out
int SetCTSMode(int port, int mode);                                 // 0: no hardware handshake
int InstallComCallback(int port, int eventMask, int notifyCount, int eventChar,
                       ComCallbackPtr callback, void *callbackData); // mask 0 removes it
int ComWrt(int port, const unsigned char *buffer, int count); // bytes handed to the OS, or <0
int ComRd(int port, unsigned char *buffer, int count); // up to count, waits the port time-out
int GetInQLen(int port);                               // bytes waiting, or <0
int FlushInQ(int port);
int FlushOutQ(int port);
int CloseCom(int port);

// The COM numbers follow the system's serial ports while the program runs: a port keeps its
// number while its device is absent and when the same device comes back (same stable name, or
// the same path for a --com mapping); a new port takes the lowest free number.
constexpr int PORT_ARRIVED = 1; // a port's device appeared: a new port, or back again
constexpr int PORT_REMOVED = 2; // a port's device is gone (an open port was closed at once)
using PortCallbackPtr = void (*)(int port, int event);
void InstallPortCallback(PortCallbackPtr callback);    // from event processing, like a deferred
                                                       // call; nullptr removes it
int GetPortDeviceName(int port, char *name, int size); // device behind port; 0, -2 unmapped
int FirstComPort(void); // the lowest port number the COM ring lists (its first item); 1 if none

// The COM ring's items: a label for each number of the table, in order (a placeholder naming COM1
// when there is no port at all). Labels stay valid until the table next changes.
int PortRing(const char **labels, int *numbers, int max); // how many
void InstallPortListCallback(void (*changed)());          // the items changed; nullptr removes
// Where a port that did not open is explained to the operator (besides standard error); the
// text is "" once a port opened.
void InstallPortHints(void (*show)(const char *hint));

// ---- Devices --------------------------------------------------------------------------------

// One open device. The serial layer keeps its own input queue and pulls arrived bytes from here.
struct ComDevice {
    virtual ~ComDevice() = default;
    virtual int write(const unsigned char *data, int count) = 0; // bytes accepted, <0 on error
    virtual int read(unsigned char *dst, int max) = 0; // moves out bytes that have arrived by now
    virtual void flushInput() = 0;                     // discard bytes that have arrived
    virtual void flushOutput() = 0;                    // discard bytes not yet sent
    virtual double nextArrival() = 0; // Timer() time of the next byte in flight, <0 when none
    virtual bool gone() = 0;          // the device vanished (unplugged); the port closes itself
    virtual void waitForData(double seconds); // block until a byte may have arrived, at most this
    virtual double arrivalOf(int nth) { return nth == 1 ? nextArrival() : -1; } // nth byte's
    // arrival time when known (1 = next), else -1
};

// Opens a named device: returns a new device, or nullptr with *error set to an open-error code.
using ComDeviceFactory = ComDevice *(*)(const char *name, int *error);

// Whether a named device is there now (plugged in); devices registered without one always are.
using ComDevicePresence = bool (*)(const char *name);

void RegisterComDevice(const char *name, ComDeviceFactory factory,
                       ComDevicePresence present = nullptr); // device name -> factory
void ComDeviceChanged(); // a device vanished or a named device came or went, outside a read: the
                         // serial layer closes vanished ports and looks at the ports again soon

// ---- Back door for tests --------------------------------------------------------------------

int ComOpenCount(); // ports open now
void RescanPorts(); // compare the port table with the system's ports now, not at the next change
void FakeSystemPorts(const char *const *paths, const char *const *byIds, int n); // the system's
// serial ports as scans see them from now on (device, by-id name or nullptr); n < 0: the real ones

// The byte device behind one COM port number: a real serial port, or a device that another
// library registers by name (the built-in simulated controller registers "sim").
#pragma once

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

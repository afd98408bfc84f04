// Devices behind the COM numbers, as the serial layer sees them: the port table, the watch on the
// system's ports, lookup, opening and data wake-ups. Private to serial/.
#pragma once

struct ComDevice;

namespace plat {

struct LineSettings { // validated by OpenComConfig
    long baud;
    int parity;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int dataBits; // 5..8
    int stopBits; // 1 or 2
};

// Devices (serial_devices.cpp)
bool IsRegisteredDevice(const char *name); // a named device such as "sim", not a path
bool DevicePresent(const char *device);    // the node exists (a link: its target), or plugged in
ComDevice *OpenDevice(const char *device, const LineSettings &s, int *error); // nullptr: *error
void OnDeviceData(); // a real port has bytes: pump unless inside a direct read

// Port table (port_table.cpp)
const char *PortDevice(int number, int *error); // device to open; nullptr: *error -2 unmapped,
                                                // -6 a system port that is absent now
void ScanPorts();              // compare the table with the system's ports now, raise events
void PortVanished(int number); // the serial layer closed the port: its device is gone
void ForgetPortTable();        // table, watch and port events forgotten; rebuilt at next lookup

// Watching the system's ports (port_watch.cpp)
struct ScannedPort {
    char path[256]; // device node
    char byId[256]; // its /dev/serial/by-id name, or empty
};
int ScanSystemPorts(ScannedPort *out, int max);  // the system's serial ports by name; count
void WatchDirsOf(const char *path, bool system); // watch the directories where path (its link
                                                 // target too) and the system ports live
void ScanPortsSoon(double seconds);              // a scan from event processing after at most this
void RaisePortEvent(int port, int event);        // queued for the port callback
void ForgetPortWatch();                          // watch, fake ports, queued events, callback off

// A real serial port (serial_line_posix.cpp; serial_line_qt.cpp where there is no POSIX)
ComDevice *OpenLine(const char *path, const LineSettings &s, int *error); // nullptr: *error,
                                                                          // the failure explained
void AskLowLatency(int fd, const char *path); // bytes passed on at once, if it can (Linux)

// Port hints (port_hints_posix.cpp): the hint line and standard error say why a device did not
// open
void ExplainOpenFailure(const char *device, int error); // error: the open-error code
void ClearPortHint();                                   // a port opened: the hint line goes
void ShowPortHint(const char *hint);                    // to the installed hint line, if any

// Serial side of event processing (serial.cpp)
bool PumpPorts();        // pull arrived bytes, run due receive callbacks; true if one ran
void SchedulePump();     // arm the wake-up for bytes in flight or a pending notification
double NextNotifyTime(); // Timer() time a receive notification becomes due, -1 if unknown
bool WaitForPortData(double seconds); // sleep through a frame a port is still receiving, at most;
                                      // false when no frame is under way
bool InDirectRead();                  // inside ComRd, GetInQLen or a flush: bytes are its own
void CloseAllPorts();                 // at shutdown and between tests

} // namespace plat

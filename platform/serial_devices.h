// Devices behind the COM numbers, as the serial layer sees them: lookup, opening, data wake-ups.
// Private to platform/.
#pragma once

struct ComDevice;

namespace plat {

struct LineSettings { // validated by OpenComConfig
    long baud;
    int parity;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int dataBits; // 5..8
    int stopBits; // 1 or 2
};

const char *PortDevice(int number); // device of COM number, nullptr when unmapped
void ForgetPortTable();             // rebuild the table at the next lookup
ComDevice *OpenDevice(const char *device, const LineSettings &s, int *error); // nullptr: *error
void OnDeviceData(); // a real port has bytes: pump unless inside a direct read

} // namespace plat

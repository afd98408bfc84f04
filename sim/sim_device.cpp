// In-process port device "sim": the serial layer talks to the simulated controller model
// through it, with the program's Timer() as the model's clock.
#include "sim.h"

#include "serial.h"

namespace {

bool deviceOpen; // one controller, one cable: a single device at a time

class SimDevice final : public ComDevice {
  public:
    SimDevice() : unplugsAtOpen(SimUnplugCount()) {
        deviceOpen = true;
        SimCountOpen();
    }
    ~SimDevice() override {
        deviceOpen = false;
        SimCountClose();
    }
    SimDevice(const SimDevice &) = delete;
    SimDevice &operator=(const SimDevice &) = delete;

    int write(const unsigned char *data, int count) override {
        if (gone()) return -1;
        SimReceive(data, count, Timer());
        return count;
    }
    int read(unsigned char *dst, int max) override {
        return gone() ? 0 : SimTake(dst, max, Timer());
    }
    void flushInput() override { SimDiscardArrived(Timer()); }
    void flushOutput() override {} // writes reach the model at once, nothing waits to be sent
    double nextArrival() override { return gone() ? -1.0 : SimNextArrival(); }
    double arrivalOf(int nth) override { return gone() ? -1.0 : SimArrivalOf(nth); }

    // Once unplugged the device stays gone, even if the fault is cleared or the cable is back;
    // a new open is needed.
    bool gone() override {
        if (SimGetFault() == SIM_FAULT_VANISH || SimUnplugCount() != unplugsAtOpen) vanished = true;
        return vanished;
    }

  private:
    int unplugsAtOpen;
    bool vanished = false;
};

ComDevice *OpenSimDevice(const char *, int *error) {
    int code = SimPlugged() ? SimOpenError() : COM_ERR_NO_PORT;
    if (code == 0 && deviceOpen) code = COM_ERR_CANNOT_OPEN;
    if (code != 0) {
        if (error) *error = code;
        return nullptr;
    }
    return new SimDevice;
}

bool SimDevicePresent(const char *) {
    return SimPlugged();
}

} // namespace

void SimRegisterDevice(const char *name) {
    RegisterComDevice(name, OpenSimDevice, SimDevicePresent);
}

void SimUnplug() {
    SimSetPlugged(false, Timer());
    ComDeviceChanged();
}

void SimPlugIn() {
    SimSetPlugged(true, Timer());
    ComDeviceChanged();
}

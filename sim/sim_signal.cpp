// Synthetic sensor signal of the simulated controller: live values and scan profiles as pure
// functions of the time, so charts move and every test run sees the same numbers.
#include "sim.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double NOISE_STEP = 0.01; // the noise holds its value for 10 ms
constexpr double WINDOW_STEP = 0.1; // min/max window sampling, s
constexpr double PEAK_WIDTH = 4.0;  // standard deviation of the scan peak, samples
constexpr double SCAN_FLOOR = 0.05; // scan background, fraction of the peak

struct Channel {
    double level;     // mean signal, fraction of max
    double swing;     // drift amplitude, fraction of max
    double period;    // drift period, s
    double phase;     // drift phase, rad
    double noise;     // noise amplitude, fraction of max
    double max;       // ADC value normalised to 1000
    double idxPeriod; // period of the peak's wander across the scan, s
    double idxPhase;  // its phase, rad
    uint32_t seed;    // noise seed
};

constexpr Channel CHANNELS[2] = {
    {0.60, 0.25, 20.0, 0.0, 0.02, 3800.0, 23.0, 0.0, 0x2545F491u},
    {0.50, 0.20, 27.0, 1.0, 0.02, 3600.0, 31.0, 2.0, 0x9E3779B9u},
};

bool frozen;
unsigned short frozenWords[SIM_WORDS];

// Pseudo-noise in [-1, 1]: two LCG steps over the index of the current 10 ms step.
double Noise(double now, uint32_t seed) {
    uint32_t x = static_cast<uint32_t>(static_cast<int64_t>(std::floor(now / NOISE_STEP))) ^ seed;
    x = x * 1664525u + 1013904223u;
    x = x * 1664525u + 1013904223u;
    return static_cast<double>(x >> 16) / 32767.5 - 1.0;
}

int Adc(const Channel &c, double now) {
    double v = c.level + c.swing * std::sin(2 * PI * now / c.period + c.phase) +
               c.noise * Noise(now, c.seed);
    return std::clamp(static_cast<int>(std::lround(v * c.max)), 0, 4095);
}

int Norm(const Channel &c, int adc) {
    return std::min(1000, static_cast<int>(std::lround(1000.0 * adc / c.max)));
}

int PeakIndex(const Channel &c, double now) {
    long i = 64 + std::lround(40.0 * std::sin(2 * PI * now / c.idxPeriod + c.idxPhase));
    return std::clamp(static_cast<int>(i), 1, SIM_SCAN_SAMPLES);
}

// Smallest and largest normalised value over the window ending at now (now included).
void Window(const Channel &c, double now, int *lo, int *hi) {
    *lo = 1000;
    *hi = 0;
    int steps = static_cast<int>(SIM_WINDOW / WINDOW_STEP);
    for (int k = 0; k <= steps; k++) {
        int v = Norm(c, Adc(c, now - k * WINDOW_STEP));
        *lo = std::min(*lo, v);
        *hi = std::max(*hi, v);
    }
}

int Bit(double now, double period) {
    return static_cast<int>(static_cast<int64_t>(std::floor(now / period)) & 1);
}

} // namespace

void SimSignalReset() {
    frozen = false;
}

void SimSetLiveWords(const unsigned short words[16]) {
    std::memcpy(frozenWords, words, sizeof frozenWords);
    frozen = true;
}

void SimUnfreezeLive() {
    frozen = false;
}

void SimLiveWords(double now, unsigned short out[16]) {
    if (frozen) {
        std::memcpy(out, frozenWords, sizeof frozenWords);
        return;
    }
    int norm[2];
    for (int ch = 0; ch < 2; ch++) {
        const Channel &c = CHANNELS[ch];
        int adc = Adc(c, now);
        int lo, hi;
        Window(c, now, &lo, &hi);
        norm[ch] = Norm(c, adc);
        out[SIM_LIVE_NORM_A + ch] = static_cast<unsigned short>(norm[ch]);
        out[SIM_LIVE_ADC_A + ch] = static_cast<unsigned short>(adc);
        out[SIM_LIVE_AMAX + ch] = static_cast<unsigned short>(c.max);
        out[SIM_LIVE_MAX_A + ch] = static_cast<unsigned short>(hi);
        out[SIM_LIVE_MIN_A + ch] = static_cast<unsigned short>(lo);
        out[SIM_LIVE_INDEX_A + ch] = static_cast<unsigned short>(PeakIndex(c, now));
    }
    out[SIM_LIVE_TOL] = SimRamWord(0, 3);
    out[SIM_LIVE_BUTTON] = 0;
    out[SIM_LIVE_INPUTS] = static_cast<unsigned short>(Bit(now, 3.0) | Bit(now, 5.0) << 1);
    out[SIM_LIVE_DIFF] = static_cast<unsigned short>(std::abs(norm[0] - norm[1]));
}

// Each channel: a Gaussian peak of the live value's height at the live peak index, on a low
// floor. The peak sample is the strict maximum whenever the height exceeds a few counts.
void SimScan(double now, int kind, unsigned short out[SIM_SCAN_WORDS]) {
    unsigned short live[SIM_WORDS];
    SimLiveWords(now, live);
    for (int ch = 0; ch < 2; ch++) {
        double height = kind == 1 ? live[SIM_LIVE_NORM_A + ch] : live[SIM_LIVE_ADC_A + ch];
        int index = live[SIM_LIVE_INDEX_A + ch];
        for (int i = 0; i < SIM_SCAN_SAMPLES; i++) {
            double d = (i + 1 - index) / PEAK_WIDTH;
            double g = SCAN_FLOOR + (1 - SCAN_FLOOR) * std::exp(-0.5 * d * d);
            out[ch * SIM_SCAN_SAMPLES + i] = static_cast<unsigned short>(std::lround(height * g));
        }
    }
}

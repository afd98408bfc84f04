// The arithmetic of the plots: value-to-pixel mapping, round and fixed tick values, and the gate
// that paces repaints to the display's frames. No drawing here.
#include "plot.h"

#include <algorithm>
#include <cmath>

namespace plot {

double Px(const Area &a, double x) {
    if (a.x1 == a.x0) return a.left;
    return a.left + (x - a.x0) / (a.x1 - a.x0) * a.width;
}

double Py(const Area &a, double y) {
    if (a.y1 == a.y0) return a.top + a.height;
    return a.top + a.height - (y - a.y0) / (a.y1 - a.y0) * a.height;
}

double XAt(const Area &a, double px) {
    return a.x0 + (px - a.left) / std::max(1, a.width) * (a.x1 - a.x0);
}

double YAt(const Area &a, double py) {
    return a.y0 + (a.top + a.height - py) / std::max(1, a.height) * (a.y1 - a.y0);
}

double RoundStep(double wanted) {
    double p = std::pow(10.0, std::floor(std::log10(std::max(wanted, 1e-9))));
    for (double m : {1.0, 2.0, 5.0})
        if (p * m >= wanted * 0.999) return p * m;
    return p * 10;
}

Ticks RoundTicks(double lo, double hi, double step) {
    Ticks t;
    if (!(step > 0) || !(hi >= lo)) return t;
    t.step = step;
    t.first = std::ceil(lo / step - 1e-9) * step;
    t.count = std::max(0, int(std::floor((hi - t.first) / step + 1e-9)) + 1);
    return t;
}

Ticks FixedTicks(double lo, double hi, int intervals) {
    Ticks t;
    if (intervals < 1 || !(hi > lo)) return t;
    t.first = lo;
    t.step = (hi - lo) / intervals;
    t.count = intervals + 1;
    return t;
}

int Decimals(double step) {
    if (!(step > 0) || step >= 1) return 0;
    return std::min(6, int(std::ceil(-std::log10(step) - 1e-9)));
}

double FramePeriod(double refreshHz) {
    if (!(refreshHz > 0)) refreshHz = 60; // unknown, or not a number
    return 1 / std::clamp(refreshHz, 24.0, 240.0);
}

bool FrameGate::Due(double now, double period) const {
    return now < last || now >= last + period;
}

} // namespace plot

// Where a polyline lies, column band by column band: the strip charts repaint only the bands of
// rows their traces cover now or covered at the last paint, not the whole plot.
#include "plot.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace plot {

// A row far outside the area is as good as its edge: the traces are clipped to the area.
static int Row(const Area &a, double v, bool up) {
    double y = Py(a, v);
    if (std::isnan(y)) return a.top;
    y = std::clamp(y, double(a.top - 1), double(a.top + a.height + 1));
    return int(up ? std::floor(y) : std::ceil(y));
}

static int BandOf(const Area &a, double px, int bands) {
    double b = std::floor((px - a.left) * bands / std::max(1, a.width));
    return int(std::clamp(b, 0.0, double(bands - 1)));
}

void TraceRows(const Area &a, const double *ring, int size, int first, int n, int bands,
               Rows *rows) {
    for (int b = 0; b < bands; b++)
        rows[b] = Rows{INT_MAX, INT_MIN};
    if (!ring || size <= 0 || n <= 0 || bands <= 0) return;
    n = std::min(n, size);
    first = ((first % size) + size) % size;
    double prev = ring[first];
    int prevBand = BandOf(a, Px(a, a.x0), bands);
    for (int i = 0; i < n; i++) { // each segment marks every band it crosses
        double v = ring[(first + i) % size];
        int band = BandOf(a, Px(a, a.x0 + i), bands);
        int top = std::min(Row(a, prev, true), Row(a, v, true));
        int bottom = std::max(Row(a, prev, false), Row(a, v, false));
        for (int b = std::min(prevBand, band); b <= std::max(prevBand, band); b++) {
            rows[b].top = std::min(rows[b].top, top);
            rows[b].bottom = std::max(rows[b].bottom, bottom);
        }
        prev = v;
        prevBand = band;
    }
}

} // namespace plot

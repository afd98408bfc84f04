// Where a polyline lies, column band by column band: the strip charts repaint only the bands of
// rows their traces cover now or covered at the last paint, not the whole plot.
#include "plot.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace plot {

// A row far outside the area is as good as its edge: the traces are clipped to the area.
static double Row(const Area &a, double v) {
    double y = Py(a, v);
    if (std::isnan(y)) return a.top;
    return std::clamp(y, double(a.top - 1), double(a.top + a.height + 1));
}

void TraceRows(const Area &a, const double *ring, int size, int first, int n, int bands,
               Rows *rows) {
    for (int b = 0; b < bands; b++)
        rows[b] = Rows{INT_MAX, INT_MIN};
    if (!ring || size <= 0 || n <= 0 || bands <= 0) return;
    n = std::min(n, size);
    first = ((first % size) + size) % size;
    double perBand = double(std::max(1, a.width)) / bands; // pixels
    double prevY = Row(a, ring[first]);
    int prevBand = 0;
    for (int i = 0; i < n; i++) { // each segment marks every band it crosses
        int at = first + i < size ? first + i : first + i - size;
        double y = Row(a, ring[at]);
        double x = std::floor((Px(a, a.x0 + i) - a.left) / perBand);
        int band = int(std::clamp(x, 0.0, double(bands - 1)));
        int top = int(std::floor(std::min(prevY, y)));
        int bottom = int(std::ceil(std::max(prevY, y)));
        for (int b = std::min(prevBand, band); b <= std::max(prevBand, band); b++) {
            rows[b].top = std::min(rows[b].top, top);
            rows[b].bottom = std::max(rows[b].bottom, bottom);
        }
        prevY = y;
        prevBand = band;
    }
}

} // namespace plot

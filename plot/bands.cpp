// Where a polyline lies, column band by column band: the strip charts repaint only the bands of
// rows their traces cover now or covered at the last paint, not the whole plot; and those boxes
// as the bands of a region, so the region is made in one step.
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

// The distinct rows where a box starts or ends, sorted.
static int Edges(const Box *in, int n, int *ys) {
    int k = 0;
    for (int i = 0; i < n; i++)
        for (int y : {in[i].top, in[i].bottom}) {
            int at = k++;
            for (; at > 0 && ys[at - 1] > y; at--)
                ys[at] = ys[at - 1];
            ys[at] = y;
        }
    return int(std::unique(ys, ys + k) - ys);
}

// The column ranges of the boxes covering rows y0..y1-1, merged where they overlap or touch,
// sorted from the left, as boxes of those rows.
static int Slab(const Box *in, int n, int y0, int y1, Box *out) {
    int k = 0;
    for (int i = 0; i < n; i++) {
        if (in[i].top > y0 || in[i].bottom < y1 || in[i].left >= in[i].right) continue;
        int at = k++;
        for (; at > 0 && out[at - 1].left > in[i].left; at--)
            out[at] = out[at - 1];
        out[at] = Box{in[i].left, y0, in[i].right, y1};
    }
    int m = 0;
    for (int i = 0; i < k; i++)
        if (m > 0 && out[i].left <= out[m - 1].right)
            out[m - 1].right = std::max(out[m - 1].right, out[i].right);
        else
            out[m++] = out[i];
    return m;
}

int Banded(const Box *in, int n, Box *out, int max) {
    if (n <= 0) return 0;
    if (n > kMaxBanded) return -1;
    static int ys[2 * kMaxBanded];
    static Box slab[kMaxBanded];
    int edges = Edges(in, n, ys), count = 0, last = 0, lastCount = 0; // the previous band
    for (int e = 0; e + 1 < edges; e++) {
        int k = Slab(in, n, ys[e], ys[e + 1], slab);
        bool same = lastCount == k && k > 0 && out[last].bottom == ys[e];
        for (int i = 0; same && i < k; i++)
            same = out[last + i].left == slab[i].left && out[last + i].right == slab[i].right;
        if (same) { // the band above goes on down
            for (int i = 0; i < k; i++)
                out[last + i].bottom = ys[e + 1];
            continue;
        }
        if (k == 0) {
            lastCount = 0;
            continue;
        }
        if (count + k > max) return -1;
        std::copy(slab, slab + k, out + count);
        last = count, lastCount = k;
        count += k;
    }
    return count;
}

} // namespace plot

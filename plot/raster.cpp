// Pixels written without a painter: boxes copied from one image to another, and wide segments
// stroked as the rectangle around them, square ends included, a pixel painted when its centre
// lies inside, as a painter does.
#include "plot.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plot {

// A coordinate this far outside any image still gives a finite, exact-enough slope; beyond it a
// segment is cut down to it, so no conversion to int can overflow.
constexpr double kFar = 1e6;

struct Edge {      // the line through an edge of a stroke's rectangle
    double y0, x0; // a point of it
    double dxPerY; // its slope
};

static bool Finite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The part of the line through a and b with every coordinate within kFar; false: none.
static bool CutFar(Point &a, Point &b) {
    double t0 = 0, t1 = 1;
    const double d[2] = {b.x - a.x, b.y - a.y}, from[2] = {a.x, a.y};
    for (int axis = 0; axis < 2; axis++) {
        if (d[axis] == 0) {
            if (std::fabs(from[axis]) > kFar) return false;
            continue;
        }
        double ta = (-kFar - from[axis]) / d[axis], tb = (kFar - from[axis]) / d[axis];
        t0 = std::max(t0, std::min(ta, tb));
        t1 = std::min(t1, std::max(ta, tb));
    }
    if (t0 > t1) return false;
    Point s = a;
    a = Point{s.x + t0 * d[0], s.y + t0 * d[1]};
    b = Point{s.x + t1 * d[0], s.y + t1 * d[1]};
    return true;
}

// The first of the banded boxes whose rows reach below row.
static int FirstBelow(const Box *boxes, int n, int row) {
    return int(
        std::partition_point(boxes, boxes + n, [row](const Box &b) { return b.bottom <= row; }) -
        boxes);
}

void StrokeSegment(const Canvas &c, const Box *clip, int nClip, Point a, Point b, double width,
                   uint32_t pixel) {
    if (!c.bits || !clip || nClip <= 0) return;
    if (!Finite(a) || !Finite(b) || !(width > 0) || !CutFar(a, b)) return;
    double h = width / 2;
    double dx = b.x - a.x, dy = b.y - a.y, len = std::sqrt(dx * dx + dy * dy); // both < 4e6
    double ux = len > 0 ? dx / len * h : h, uy = len > 0 ? dy / len * h : 0;   // along, h long
    Point corner[4] = {{a.x - ux - uy, a.y - uy + ux},
                       {b.x + ux - uy, b.y + uy + ux},
                       {b.x + ux + uy, b.y + uy - ux},
                       {a.x - ux + uy, a.y - uy - ux}};
    // The rectangle is where every edge's half-plane meets: on a row, right of the edges that
    // bound it on the left and left of those on the right. Level edges bound only the rows.
    Edge lefts[2], rights[2];
    int nl = 0, nr = 0;
    double top = corner[0].y, bottom = corner[0].y, cx = (a.x + b.x) / 2, cy = (a.y + b.y) / 2;
    for (int i = 0; i < 4; i++) {
        Point p = corner[i], q = corner[(i + 1) % 4];
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
        if (std::fabs(q.y - p.y) < 1e-9) continue; // as good as level, and no giant slope
        Edge e{p.y, p.x, (q.x - p.x) / (q.y - p.y)};
        if (e.x0 + (cy - e.y0) * e.dxPerY < cx) {
            if (nl < 2) lefts[nl++] = e;
        } else if (nr < 2) {
            rights[nr++] = e;
        }
    }
    if (nl == 0 || nr == 0) return; // no width: nothing to paint
    // Rows whose centres lie in [top, bottom), within the canvas and the clip's rows.
    int row0 = int(std::max({0.0, double(clip[0].top), std::ceil(top - 0.5)}));
    int row1 =
        int(std::min({double(c.height), double(clip[nClip - 1].bottom), std::ceil(bottom - 0.5)}));
    for (int row = row0, k = FirstBelow(clip, nClip, row0); row < row1; row++) {
        while (k < nClip && clip[k].bottom <= row)
            k++;
        if (k == nClip) break;
        if (clip[k].top > row) continue; // between the clip's bands
        double y = row + 0.5;
        double left = lefts[0].x0 + (y - lefts[0].y0) * lefts[0].dxPerY;
        double right = rights[0].x0 + (y - rights[0].y0) * rights[0].dxPerY;
        if (nl == 2) left = std::max(left, lefts[1].x0 + (y - lefts[1].y0) * lefts[1].dxPerY);
        if (nr == 2) right = std::min(right, rights[1].x0 + (y - rights[1].y0) * rights[1].dxPerY);
        // Columns whose centres lie in [left, right), within the canvas and the band's boxes.
        int col0 = int(std::clamp(std::ceil(left - 0.5), 0.0, double(c.width)));
        int col1 = int(std::clamp(std::ceil(right - 0.5), 0.0, double(c.width)));
        uint32_t *line = c.bits + std::ptrdiff_t(row) * c.stride;
        for (int m = k; m < nClip && clip[m].top == clip[k].top; m++)
            for (int col = std::max(col0, clip[m].left); col < std::min(col1, clip[m].right); col++)
                line[col] = pixel;
    }
}

void CopyBox(const Canvas &to, Box box, const Canvas &from, int fromLeft, int fromTop) {
    if (!to.bits || !from.bits) return;
    int left = std::max({box.left, 0, box.left - fromLeft});
    int top = std::max({box.top, 0, box.top - fromTop});
    int right = std::min({box.right, to.width, box.left - fromLeft + from.width});
    int bottom = std::min({box.bottom, to.height, box.top - fromTop + from.height});
    for (int y = top; y < bottom; y++)
        std::memcpy(to.bits + std::ptrdiff_t(y) * to.stride + left,
                    from.bits + std::ptrdiff_t(y - box.top + fromTop) * from.stride + left -
                        box.left + fromLeft,
                    size_t(std::max(0, right - left)) * 4);
}

int TracePoints(const Area &a, const double *ring, int size, int first, int n, Point *out,
                int max) {
    if (!ring || size <= 0 || n <= 0 || !out || max <= 0) return 0;
    n = std::min(n, size);
    first = ((first % size) + size) % size;
    int k = 0;
    for (int i = 0; i < n && k < max; i++) {
        int at = first + i < size ? first + i : first + i - size;
        Point pt{Px(a, a.x0 + i), Py(a, ring[at])};
        // A level run is one segment: the stroker's cost grows with the points, and a level
        // trace (a limit, a reference) would otherwise cost as much as a moving one.
        if (k >= 2 && out[k - 1].y == pt.y && out[k - 2].y == pt.y)
            out[k - 1] = pt;
        else
            out[k++] = pt;
    }
    return k;
}

} // namespace plot

// Drawing shared by every plot of the program: the strip charts, the scan graph and the record
// viewer take their font, palette, grid, axes, frame and value-to-pixel mapping from here.
#pragma once

#include <cstdint>

class QPainter;

namespace plot {

constexpr int kFontPixels = 12;    // pixel size of the one font of every label and title
constexpr int kTick = 4;           // length of a tick mark outside the frame, pixels
constexpr int kMaxPolyline = 1024; // points stroked at once; longer lines go in joined pieces

// ---- Scales ---------------------------------------------------------------------------------

struct Area {       // where a plot draws its values, and the values at its edges
    int left = 0;   // first pixel column inside the frame
    int top = 0;    // first pixel row inside the frame
    int width = 1;  // pixels
    int height = 1; // pixels
    double x0 = 0;  // value at the left edge
    double x1 = 1;  // value at the right edge
    double y0 = 0;  // value at the bottom edge
    double y1 = 1;  // value at the top edge
};
double Px(const Area &a, double x);   // pixel column of the value x
double Py(const Area &a, double y);   // pixel row of the value y
double XAt(const Area &a, double px); // value at a pixel column, the inverse of Px
double YAt(const Area &a, double py); // value at a pixel row, the inverse of Py

struct Ticks {        // tick values first, first + step, ...
    double first = 0; // the lowest tick
    double step = 1;  // distance between two ticks
    int count = 0;    // ticks in all
};
double RoundStep(double wanted);                       // 1, 2 or 5 times a power of ten, >= wanted
Ticks RoundTicks(double lo, double hi, double step);   // every multiple of step within lo..hi
Ticks FixedTicks(double lo, double hi, int intervals); // lo and hi and equal intervals between
int Decimals(double step); // decimals a label needs to tell ticks that far apart (0 from 1 on)

// ---- Repaint pacing -------------------------------------------------------------------------

double FramePeriod(double refreshHz); // one display frame, s: 24..240 Hz, 60 Hz when unknown
struct FrameGate {                    // at most one paint per display frame
    double last = -1e300;             // when the last paint began, s
    bool Due(double now, double period) const; // a frame has passed, or the clock went back
};

// ---- Trace bands -----------------------------------------------------------------------------

struct Rows { // pixel rows top..bottom; none when top > bottom
    int top, bottom;
};
// The rows the polyline of point i at (x0 + i, ring[(first + i) % size]), i < n, passes through
// in each of `bands` equal column bands of the area, rows kept within a pixel of the area.
void TraceRows(const Area &a, const double *ring, int size, int first, int n, int bands,
               Rows *rows);

// ---- Direct strokes -------------------------------------------------------------------------

struct Point { // a point in pixels, not rounded
    double x, y;
};
struct Canvas {               // 32-bit pixels written without a painter
    uint32_t *bits = nullptr; // the first pixel of the first row
    long stride = 0;          // pixels from one row to the next
    int width = 0, height = 0;
};
struct Box { // pixels left..right-1, top..bottom-1
    int left, top, right, bottom;
};
// The segment a-b of a pen `width` pixels wide with square ends, as the pixels whose centres it
// covers, within the canvas and the clip's boxes. The boxes come in bands as a region lists them:
// sorted from the top, the boxes of one band sharing its rows, left to right. Nothing is drawn
// where a coordinate is not a number.
void StrokeSegment(const Canvas &c, const Box *clip, int nClip, Point a, Point b, double width,
                   uint32_t pixel);
// The pixels of box on `to` from `from`, whose pixel (fromLeft, fromTop) goes to the box's
// top-left corner; what lies outside either canvas stays as it is.
void CopyBox(const Canvas &to, Box box, const Canvas &from, int fromLeft, int fromTop);
// The points of the polyline of point i at (x0 + i, ring[(first + i) % size]), i < n, with each
// level run cut to its two ends; at most max of them. Returns how many.
int TracePoints(const Area &a, const double *ring, int size, int first, int n, Point *out, int max);

// ---- Regions --------------------------------------------------------------------------------

// The union of boxes (empty ones included) as a region holds it: bands of rows sorted from the
// top, each band's boxes disjoint, apart and sorted from the left, a band as tall as the rows
// its boxes repeat on. At most kMaxBanded boxes in, max out; -1 if they do not fit.
constexpr int kMaxBanded = 256;
int Banded(const Box *in, int n, Box *out, int max);

// ---- Drawing --------------------------------------------------------------------------------

// A tick's label: text of at most size bytes for value; context is the caller's.
using LabelFn = void (*)(double value, char *text, int size, const void *context);

void UseFont(QPainter &p); // the plot font, kFontPixels high, on the painter
int TextHeight();          // line height of the plot font, pixels
int YAxisWidth(const Ticks &t, const char *title, LabelFn label = nullptr,
               const void *context = nullptr); // pixels the y axis takes left of the frame
int XAxisHeight(const char *title);            // pixels the x axis takes below the frame
Area Layout(int width, int height, int yAxisWidth, int xAxisHeight);   // area inside a plot's axes
void Ground(QPainter &p, int left, int top, int width, int height);    // white under a plot
void Grid(QPainter &p, const Area &a, const Ticks *x, const Ticks *y); // light lines; nullptr none
void YAxis(QPainter &p, const Area &a, const Ticks &t, int width, const char *title,
           LabelFn label = nullptr, const void *context = nullptr); // title at width px left
void XAxis(QPainter &p, const Area &a, const Ticks &t, int right, const char *title,
           LabelFn label = nullptr, const void *context = nullptr); // no label past right
void Frame(QPainter &p, const Area &a);                             // the line around the area
void Clip(QPainter &p, const Area &a);                              // drawing kept inside the area
void Polyline(QPainter &p, const Area &a, const double *ring, int size, int first,
              int n); // point i at (x0 + i, ring[(first + i) % size]), i < n <= kMaxPolyline
void Polyline(QPainter &p, const Area &a, const unsigned short *xs, const unsigned short *ys,
              int n); // point i at (xs[i], ys[i])

} // namespace plot

// The drawing of every plot over QPainter: ground, grid, axes with tick marks, labels and titles,
// the frame, and polylines stroked from one static point buffer, so a curve costs no allocation.
#include "palette.h"
#include "plot.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace plot {

static QPointF g_line[kMaxPolyline];   // the points of the piece of a polyline being stroked
static QLineF g_segment[kMaxPolyline]; // the same piece as segments

static QColor Colour(int rgb) {
    return QColor::fromRgb(QRgb(0xFF000000u | unsigned(rgb)));
}

static QFont Font() {
    QFont f = QGuiApplication::font();
    f.setPixelSize(kFontPixels);
    return f;
}

// A line one pixel wide on the pixel row or column at v, crisp with or without antialiasing.
static double Snap(double v) {
    return std::floor(v) + 0.5;
}

static void Label(double value, const Ticks &t, LabelFn label, const void *context, char *text,
                  int size) {
    if (label) {
        label(value, text, size, context);
        return;
    }
    if (std::fabs(value) < t.step * 1e-6) value = 0; // no "-0" from a sum of steps
    snprintf(text, size_t(size), "%.*f", Decimals(t.step), value);
}

void UseFont(QPainter &p) {
    p.setFont(Font());
}

int TextHeight() {
    return QFontMetrics(Font()).height();
}

int YAxisWidth(const Ticks &t, const char *title, LabelFn label, const void *context) {
    QFontMetrics fm(Font());
    int widest = 0;
    char text[64];
    for (int i = 0; i < t.count; i++) {
        Label(t.first + i * t.step, t, label, context, text, int(sizeof text));
        widest = std::max(widest, fm.horizontalAdvance(QString::fromUtf8(text)));
    }
    return kTick + 3 + widest + (title && *title ? 6 + fm.height() : 0) + 2;
}

int XAxisHeight(const char *title) {
    int h = TextHeight();
    return kTick + 1 + h + (title && *title ? h + 2 : 0);
}

Area Layout(int width, int height, int yAxisWidth, int xAxisHeight) {
    int h = TextHeight();
    Area a;
    a.left = yAxisWidth;
    a.top = h; // room for half the top label above the frame
    a.width = std::max(1, width - a.left - 2 * h);
    a.height = std::max(1, height - a.top - xAxisHeight - h / 2);
    return a;
}

void Ground(QPainter &p, int left, int top, int width, int height) {
    p.fillRect(left, top, width, height, Colour(RGB_GROUND));
}

void Grid(QPainter &p, const Area &a, const Ticks *x, const Ticks *y) {
    p.setPen(QPen(Colour(RGB_GRID), 1));
    for (int i = 0; x && i < x->count; i++) {
        double px = Snap(Px(a, x->first + i * x->step));
        p.drawLine(QPointF(px, a.top), QPointF(px, a.top + a.height));
    }
    for (int i = 0; y && i < y->count; i++) {
        double py = Snap(Py(a, y->first + i * y->step));
        p.drawLine(QPointF(a.left, py), QPointF(a.left + a.width, py));
    }
}

void YAxis(QPainter &p, const Area &a, const Ticks &t, int width, const char *title, LabelFn label,
           const void *context) {
    UseFont(p);
    p.setPen(QPen(Colour(RGB_LABEL), 1));
    int h = TextHeight();
    char text[64];
    for (int i = 0; i < t.count; i++) {
        double value = t.first + i * t.step;
        double py = Snap(Py(a, value));
        p.drawLine(QPointF(a.left - 1 - kTick, py), QPointF(a.left - 1, py));
        Label(value, t, label, context, text, int(sizeof text));
        p.drawText(QRectF(0, py - h / 2.0, a.left - kTick - 3, h),
                   Qt::AlignRight | Qt::AlignVCenter, QString::fromUtf8(text));
    }
    if (!title || !*title) return;
    p.save();
    p.translate(a.left - width + 2 + h / 2.0, a.top + a.height / 2.0);
    p.rotate(-90);
    p.drawText(QRectF(-a.height, -h / 2.0, 2.0 * a.height, h), Qt::AlignCenter,
               QString::fromUtf8(title));
    p.restore();
}

void XAxis(QPainter &p, const Area &a, const Ticks &t, int right, const char *title, LabelFn label,
           const void *context) {
    UseFont(p);
    p.setPen(QPen(Colour(RGB_LABEL), 1));
    QFontMetrics fm(p.font());
    int h = TextHeight(), bottom = a.top + a.height + 1;
    char text[64];
    for (int i = 0; i < t.count; i++) {
        double value = t.first + i * t.step;
        double px = Snap(Px(a, value));
        p.drawLine(QPointF(px, bottom), QPointF(px, bottom + kTick));
        Label(value, t, label, context, text, int(sizeof text));
        QString s = QString::fromUtf8(text);
        double w = fm.horizontalAdvance(s) + 2;
        double at = std::clamp(px - w / 2, 0.0, std::max(0.0, right - w)); // never cut off
        p.drawText(QRectF(at, bottom + kTick, w, h), Qt::AlignCenter, s);
    }
    if (title && *title)
        p.drawText(QRectF(a.left, bottom + kTick + h + 1, a.width, h), Qt::AlignCenter,
                   QString::fromUtf8(title));
}

void Frame(QPainter &p, const Area &a) {
    p.setPen(QPen(Colour(RGB_LABEL), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(a.left - 0.5, a.top - 0.5, a.width + 1, a.height + 1));
}

void Clip(QPainter &p, const Area &a) {
    p.setClipRect(a.left, a.top, a.width, a.height);
}

void Polyline(QPainter &p, const Area &a, const double *ring, int size, int first, int n) {
    static Point points[kMaxPolyline];
    int k = TracePoints(a, ring, size, first, n, points, kMaxPolyline);
    // Segments stroked one by one, without joins, take a third of the time of a joined
    // polyline; at a trace's two pixels a join would not show.
    for (int j = 1; j < k; j++)
        g_segment[j - 1] = QLineF(points[j - 1].x, points[j - 1].y, points[j].x, points[j].y);
    if (k > 1) p.drawLines(g_segment, k - 1);
}

void Polyline(QPainter &p, const Area &a, const unsigned short *xs, const unsigned short *ys,
              int n) {
    if (!xs || !ys || n <= 0) return;
    for (int from = 0;;) {
        int k = 0;
        for (int i = from; i < n && k < kMaxPolyline; i++, k++)
            g_line[k] = QPointF(Px(a, xs[i]), Py(a, ys[i]));
        p.drawPolyline(g_line, k);
        if (from + k >= n || k == 1) break;
        from += k - 1; // the next piece starts where this one ended
    }
}

} // namespace plot

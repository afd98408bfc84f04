// Strip charts: each trace keeps the last "points per screen" values in a ring. Appending only
// marks the chart stale; it repaints at most once per display frame, and only the column bands
// of rows its traces cover or covered, traces over cached axes.
#include "charts.h"
#include "direct.h"
#include "frame_timer.h"
#include "palette.h"
#include "panels.h"
#include "plot.h"
#include "probes.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QFrame>
#include <QImage>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cstring>

namespace {
constexpr int kMaxTraces = 8;
constexpr int kMaxPoints = 1024; // points per screen at most
constexpr int kXIntervals = 10;  // x ticks at 0, a tenth, ... of the points per screen
// Trace width in pixels, drawn without antialiasing: 2 px strokes every line evenly, where 1.5 px
// comes out one or two pixels wide by where a line falls, and costs no more.
constexpr double kPenWidth = 2.0;
constexpr int kPenReach = 2;   // pixels a trace's stroke and caps reach past its points
constexpr int kBands = 16;     // column bands a repaint is cut into
constexpr int kMaxBoxes = 512; // rectangles of a repaint region painted without the painter
using TraceBands = plot::Rows[kMaxTraces][kBands];

class StripChart : public QWidget {
    // findChild() finds the chart under its frame through the meta-object
    Q_OBJECT

  public:
    explicit StripChart(QFrame *frame) : QWidget(frame) {
        y0 = frame->property("yMin").toDouble();
        y1 = frame->property("yMax").toDouble();
        QVariant ticks = frame->property("yTicks");
        yIntervals = std::max(1, (ticks.isValid() ? ticks.toInt() : 6) - 1);
        title = frame->property("yTitle").toString().toUtf8();
        for (QPen &pen : pens)
            pen = QPen(QColor::fromRgb(QRgb(RGB_BLACK)), kPenWidth);
        setAttribute(Qt::WA_OpaquePaintEvent); // the cached axes cover every pixel
        auto *layout = new QVBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(this);
    }

    void setTraces(int n) {
        if (n == traces) return;
        traces = n;
        Invalidate();
    }
    void setPointsPerScreen(int n) {
        if (n == pps) return;
        pps = n;
        for (int t = 0; t < kMaxTraces; t++)
            if (count[t] > pps) {
                start[t] = (start[t] + count[t] - pps) % kMaxPoints; // the newest stay
                count[t] = pps;
            }
        Invalidate();
    }
    void setColour(int trace, int rgb) {
        QColor c = QColor::fromRgb(QRgb(0xFF000000u | unsigned(rgb)));
        if (pens[trace].color() == c) return;
        pens[trace].setColor(c);
        Invalidate();
    }
    int colour(int trace) const { return int(pens[trace].color().rgb() & 0xFFFFFF); }

    // Every value goes into its ring; the drawing follows once per display frame at most.
    void append(const double *values, int n, int skip) {
        for (int k = 0; k < n; k++) {
            int t = k % traces;
            ring[t][(start[t] + count[t]) % kMaxPoints] = values[k * (skip + 1)];
            if (count[t] < pps)
                count[t]++;
            else
                start[t] = (start[t] + 1) % kMaxPoints;
        }
        stale = true;
        bandsKnown = false;
        if (!isVisible()) return;
        // Due now: repaint at the next event processing, which in the live loop comes right
        // after the next request is on the line, so the drawing never delays a request; even
        // working out what to repaint waits for it. Values faster than the frames wait for the
        // frame timer.
        if (!gate.Due(Timer(), Period())) {
            timer.Arm(this);
        } else if (!updatePosted) {
            updatePosted = true;
            QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        }
    }
    int shown(int trace, double *dst, int max) const {
        int n = std::min(count[trace], max);
        for (int i = 0; i < n; i++)
            dst[i] = ring[trace][(start[trace] + count[trace] - n + i) % kMaxPoints];
        return n;
    }
    int paintCount() const { return paints; }

  protected:
    void paintEvent(QPaintEvent *e) override {
        CpuSpan span(CPU_DRAW);
        paints++;
        QPainter p(this);
        // A picture of the chart (export, screenshot) is painted whole and leaves the screen as
        // it was: still to be brought up to date, its traces where they were.
        QBackingStore *store = window()->backingStore();
        bool screen = store && p.paintEngine()->paintDevice() == store->paintDevice();
        if (screen) {
            gate.last = Timer();
            stale = false;
        }
        qreal ratio = devicePixelRatioF();
        if (backdrop.size() != size() * ratio || backdropPps != pps) {
            Backdrop();
            drawnKnown = false;
        }
        const TraceBands &now = Bands();
        QRegion need = Dirty(now);
        plat::Device device;
        if (!plat::DirectDevice(p, &device) || !PaintDirect(device, e->region()))
            PaintWith(p, e->region());
        if (screen) Drawn(now, e->region() == need ? QRegion() : need - e->region());
    }
    void resizeEvent(QResizeEvent *) override { drawnKnown = false; }
    void customEvent(QEvent *) override { // posted by append
        updatePosted = false;
        if (stale && isVisible()) UpdateTraces();
    }

  private:
    // The backdrop under the region, then every trace over it in trace order, as a painter
    // would; false: a region of more pieces than it takes, for the painter.
    bool PaintDirect(const plat::Device &d, const QRegion &region) {
        static plot::Box boxes[kMaxBoxes], inside[kMaxBoxes];
        int n = plat::DeviceBoxes(d, region, rect(), boxes, kMaxBoxes);
        QRect inArea(area.left, area.top, area.width, area.height);
        int m = plat::DeviceBoxes(d, region, inArea, inside, kMaxBoxes);
        plot::Canvas from = plat::CanvasOf(backdrop);
        if (n < 0 || m < 0 || !from.bits || backdrop.devicePixelRatio() != d.scale) return false;
        plat::CopyFromImage(d, boxes, n, from);
        static plot::Point points[kMaxPoints];
        for (int t = 0; t < traces && m > 0; t++) {
            int k = plot::TracePoints(area, ring[t], kMaxPoints, start[t], count[t], points,
                                      kMaxPoints);
            uint32_t pixel = pens[t].color().rgba();
            for (int i = 0; i < k; i++)
                points[i] = plot::Point{points[i].x * d.scale + d.offset.x(),
                                        points[i].y * d.scale + d.offset.y()};
            for (int i = 1; i < k; i++)
                plot::StrokeSegment(d.canvas, inside, m, points[i - 1], points[i],
                                    kPenWidth * d.scale, pixel);
        }
        return true;
    }
    // The same through the painter, for any other device. The axes are copied under a clip of
    // each piece's own rectangle: a copy clipped to the whole region goes span by span and
    // spreads over the toolkit's worker threads, which costs more than the copy itself.
    void PaintWith(QPainter &p, const QRegion &region) {
        qreal ratio = devicePixelRatioF();
        for (const QRect &r : region) {
            p.setClipRect(r);
            p.drawImage(r, backdrop, QRectF(r.topLeft() * ratio, r.size() * ratio));
        }
        plot::Clip(p, area);
        for (int t = 0; t < traces; t++) {
            p.setPen(pens[t]);
            plot::Polyline(p, area, ring[t], kMaxPoints, start[t], count[t]);
        }
    }
    double Period() const { return plat::FramePeriodOf(this); }
    // A repaint once a display frame has passed since the last one; false: nothing to show.
    bool Tick() {
        if (!stale || !isVisible()) return false;
        if (gate.Due(Timer(), Period())) UpdateTraces();
        return true;
    }
    void Invalidate() { // the next paint covers the whole chart
        drawnKnown = false;
        bandsKnown = false;
        update();
    }
    void UpdateTraces() { update(Dirty(Bands())); }
    const TraceBands &Bands() { // the rows the traces pass through now, by column band
        if (!bandsKnown)
            for (int t = 0; t < traces; t++)
                plot::TraceRows(area, ring[t], kMaxPoints, start[t], count[t], kBands, bands[t]);
        bandsKnown = true;
        return bands;
    }
    // Where the traces are now and where the screen shows them: what a paint must cover. The
    // rows of the traces in a band merge where they overlap, and a band's rows that continue
    // the previous band's widen its rectangle: a level trace is one rectangle, not sixteen.
    // A paint right after its request needs the same region again: it is kept with what it was
    // worked out from, and worked out afresh when any of that differs.
    const QRegion &Dirty(const TraceBands &now) {
        DirtyFrom from{{},          {},      area.left, area.top, area.width,
                       area.height, width(), height(),  traces,   drawnKnown};
        std::memcpy(from.now, now, sizeof(TraceBands));
        std::memcpy(from.drawn, drawn, sizeof(TraceBands));
        if (!dirtyKnown || std::memcmp(&from, &dirtyFrom, sizeof from) != 0) {
            dirty = WorkOutDirty(now);
            dirtyFrom = from;
            dirtyKnown = true;
        }
        return dirty;
    }
    QRegion WorkOutDirty(const TraceBands &now) const {
        if (!drawnKnown) return QRegion(rect());
        plot::Box boxes[kBands * kMaxTraces];
        int n = 0, prevRight = INT_MIN;
        for (int b = 0; b < kBands; b++) {
            int x0 = area.left + b * area.width / kBands - kPenReach;
            int x1 = area.left + (b + 1) * area.width / kBands + kPenReach + 1;
            plot::Rows rows[kMaxTraces];
            int k = Merged(now, b, rows);
            int first = n;
            for (int i = 0; i < k; i++) {
                plot::Box *run = nullptr; // a box that reaches the end of the previous band
                for (int j = 0; j < first && !run; j++)
                    if (boxes[j].right == prevRight && boxes[j].top == rows[i].top &&
                        boxes[j].bottom == rows[i].bottom + 1)
                        run = &boxes[j];
                if (run)
                    run->right = x1;
                else
                    boxes[n++] = plot::Box{x0, rows[i].top, x1, rows[i].bottom + 1};
            }
            prevRight = x1;
        }
        // Within the area, and as the region's bands: a region put together box by box costs
        // a merge of every band for each box.
        for (int i = 0; i < n; i++)
            boxes[i] =
                plot::Box{std::max(boxes[i].left, area.left), std::max(boxes[i].top, area.top),
                          std::min(boxes[i].right, area.left + area.width),
                          std::min(boxes[i].bottom, area.top + area.height)};
        static plot::Box banded[plot::kMaxBanded];
        static QRect rects[plot::kMaxBanded];
        int m = plot::Banded(boxes, n, banded, plot::kMaxBanded);
        if (m < 0)
            m = 0, banded[m++] = plot::Box{area.left, area.top, area.left + area.width,
                                           area.top + area.height};
        for (int i = 0; i < m; i++)
            rects[i] = QRect(banded[i].left, banded[i].top, banded[i].right - banded[i].left,
                             banded[i].bottom - banded[i].top);
        QRegion r;
        r.setRects(rects, m);
        return r;
    }
    // The rows band b must repaint, as few disjoint ranges sorted from the top.
    int Merged(const TraceBands &now, int b, plot::Rows *rows) const {
        int k = 0;
        for (int t = 0; t < traces; t++) {
            plot::Rows r{std::min(now[t][b].top, drawn[t][b].top) - kPenReach,
                         std::max(now[t][b].bottom, drawn[t][b].bottom) + kPenReach};
            if (r.top > r.bottom) continue;
            int i = k++;
            for (; i > 0 && rows[i - 1].top > r.top; i--)
                rows[i] = rows[i - 1];
            rows[i] = r;
        }
        int m = 0;
        for (int i = 0; i < k; i++)
            if (m > 0 && rows[i].top <= rows[m - 1].bottom + 1)
                rows[m - 1].bottom = std::max(rows[m - 1].bottom, rows[i].bottom);
            else
                rows[m++] = rows[i];
        return m;
    }
    // After a paint: the screen shows the traces where they are now, unless the paint missed
    // part of what had to change (a repaint the system asked for, smaller than ours); then it
    // may show either, and the rest follows.
    void Drawn(const TraceBands &now, const QRegion &missed) {
        bool whole = missed.isEmpty();
        for (int t = 0; t < traces; t++)
            for (int b = 0; b < kBands; b++)
                drawn[t][b] = whole ? now[t][b]
                                    : plot::Rows{std::min(now[t][b].top, drawn[t][b].top),
                                                 std::max(now[t][b].bottom, drawn[t][b].bottom)};
        if (whole) {
            drawnKnown = true;
        } else {
            update(missed);
        }
    }
    // Ground, grid, axes and frame, drawn once for the chart's size and points per screen.
    void Backdrop() {
        bandsKnown = false; // the area moves with the size
        qreal ratio = devicePixelRatioF();
        backdrop = QImage(size() * ratio, QImage::Format_RGB32);
        backdrop.setDevicePixelRatio(ratio);
        backdropPps = pps;
        plot::Ticks x = plot::FixedTicks(0, pps - 1, kXIntervals);
        plot::Ticks y = plot::FixedTicks(y0, y1, yIntervals);
        area = plot::Layout(width(), height(), plot::YAxisWidth(y, title.constData()),
                            plot::XAxisHeight(nullptr));
        area.x0 = 0, area.x1 = pps - 1, area.y0 = y0, area.y1 = y1;
        QPainter p(&backdrop);
        plot::Ground(p, 0, 0, width(), height());
        plot::Grid(p, area, &x, &y);
        plot::YAxis(p, area, y, area.left, title.constData());
        plot::XAxis(p, area, x, width(), nullptr);
        plot::Frame(p, area);
    }

    double ring[kMaxTraces][kMaxPoints] = {};
    int start[kMaxTraces] = {};
    int count[kMaxTraces] = {};
    int traces = 1;
    int pps = 101;
    QPen pens[kMaxTraces];
    double y0 = 0, y1 = 1; // the fixed value axis from the frame's properties
    int yIntervals = 5;
    QByteArray title;
    QImage backdrop;         // ground, grid, axes and frame of the last size, device pixels
    int backdropPps = 0;     // the points per screen the backdrop's x axis shows
    plot::Area area;         // where the traces go
    TraceBands drawn = {};   // rows each trace covers on the screen, by column band
    bool drawnKnown = false; // false: the whole chart is to be painted
    TraceBands bands = {};   // rows each trace covers now, by column band
    bool bandsKnown = false; // false: bands to be worked out from the rings
    struct DirtyFrom {       // what the last repaint region was worked out from
        TraceBands now, drawn;
        int left, top, width, height; // the area
        int chartWidth, chartHeight;
        int traces;
        int drawnKnown; // all ints: compared as bytes, there is no padding
    };
    DirtyFrom dirtyFrom;
    QRegion dirty;           // the last repaint region
    bool dirtyKnown = false; // dirty and dirtyFrom hold one
    plot::FrameGate gate;
    plat::FrameTimer timer{nullptr, [this] { return Tick(); }}; // running while values come
    bool stale = false;        // values appended since the last paint
    bool updatePosted = false; // append asked for UpdateTraces at the next event processing
    int paints = 0;
};

StripChart *Strip(int panel, int control) {
    QWidget *w = plat::CtrlWidget(panel, control);
    return w ? w->findChild<StripChart *>() : nullptr;
}
} // namespace

void plat::MakeStripChart(QFrame *frame) {
    new StripChart(frame);
}

int PlotStripChart(int panel, int control, const double *values, int numPoints, int start,
                   int skip) {
    StripChart *c = Strip(panel, control);
    if (!c || !values || numPoints < 0 || start < 0 || skip < 0) return -1;
    c->append(values + start, numPoints, skip);
    return 0;
}

int SetTraceAttribute(int panel, int control, int trace, int attribute, int value) {
    StripChart *c = Strip(panel, control);
    if (!c || trace < 1 || trace > kMaxTraces || attribute != ATTR_TRACE_COLOR) return -1;
    c->setColour(trace - 1, value);
    return 0;
}

int GetTraceAttribute(int panel, int control, int trace, int attribute, int &value) {
    StripChart *c = Strip(panel, control);
    if (!c || trace < 1 || trace > kMaxTraces || attribute != ATTR_TRACE_COLOR) return -1;
    value = c->colour(trace - 1);
    return 0;
}

int plat::SetStripAttribute(int panel, int control, int attribute, int value) {
    StripChart *c = Strip(panel, control);
    if (!c) return -1;
    if (attribute == ATTR_NUM_TRACES && value >= 1 && value <= kMaxTraces) {
        c->setTraces(value);
        return 0;
    }
    if (attribute == ATTR_POINTS_PER_SCREEN && value >= 3 && value <= kMaxPoints) {
        c->setPointsPerScreen(value);
        return 0;
    }
    return attribute == ATTR_SCROLL_MODE ? 0 : -1;
}

int StripChartPoints(int panel, int control, int trace, double *values, int max) {
    StripChart *c = Strip(panel, control);
    if (!c || trace < 1 || trace > kMaxTraces) return -1;
    return c->shown(trace - 1, values, max);
}

int StripChartPaints(int panel, int control) {
    StripChart *c = Strip(panel, control);
    return c ? c->paintCount() : -1;
}

#include "charts.moc"

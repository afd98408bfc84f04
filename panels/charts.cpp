// Strip charts over Qt Charts: each trace keeps the last "points per screen" values in a ring;
// a plot appends values and replaces each trace's points once. Axes are fixed, no animation.
#include "charts.h"
#include "palette.h"
#include "panels.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace {
constexpr int kMaxTraces = 8;
constexpr int kMaxPoints = 1024; // points per screen at most

class StripChart : public QChartView {
    // findChild() finds the chart under its frame through the meta-object
    Q_OBJECT

  public:
    // The chart goes in through the constructor: a chart view made without one makes its
    // own, and replacing that one later would leak it.
    explicit StripChart(QFrame *frame) : QChartView(new QChart, frame) {
        QChart *chart = this->chart();
        chart->setAnimationOptions(QChart::NoAnimation);
        chart->legend()->hide();
        chart->setMargins(QMargins(4, 4, 4, 4));
        chart->setBackgroundRoundness(0);
        x.setRange(0, pps - 1);
        x.setLabelFormat("%d");
        x.setTickCount(11);
        y.setRange(frame->property("yMin").toDouble(), frame->property("yMax").toDouble());
        y.setLabelFormat("%d");
        y.setTickCount(frame->property("yTicks").isValid() ? frame->property("yTicks").toInt() : 6);
        y.setTitleText(frame->property("yTitle").toString());
        chart->addAxis(&x, Qt::AlignBottom);
        chart->addAxis(&y, Qt::AlignLeft);
        for (int t = 0; t < kMaxTraces; t++) {
            chart->addSeries(&series[t]);
            series[t].attachAxis(&x);
            series[t].attachAxis(&y);
            series[t].setVisible(t < traces);
            series[t].setPen(QPen(QColor::fromRgb(QRgb(RGB_BLACK)), 1.5));
        }
        // The chart is redrawn after every reply: no antialiasing, no shadows, no saved painter
        // state, and only the region the traces changed.
        chart->setDropShadowEnabled(false);
        setRenderHint(QPainter::Antialiasing, false);
        setOptimizationFlags(QGraphicsView::DontSavePainterState |
                             QGraphicsView::DontAdjustForAntialiasing);
        setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
        auto *layout = new QVBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(this);
        points.reserve(kMaxPoints);
    }
    ~StripChart() override {
        for (auto &s : series)
            chart()->removeSeries(&s); // the series are members, not owned
        chart()->removeAxis(&x);
        chart()->removeAxis(&y);
    }

    void setTraces(int n) {
        if (n == traces) return;
        traces = n;
        for (int t = 0; t < kMaxTraces; t++)
            series[t].setVisible(t < traces);
    }
    void setPointsPerScreen(int n) {
        if (n == pps) return;
        pps = n;
        x.setRange(0, pps - 1);
        for (int t = 0; t < kMaxTraces; t++)
            count[t] = std::min(count[t], pps);
    }
    void setColour(int trace, int rgb) {
        QPen pen = series[trace].pen();
        QColor c(QRgb(0xFF000000u | unsigned(rgb)));
        if (pen.color() == c) return;
        pen.setColor(c);
        series[trace].setPen(pen);
    }
    int colour(int trace) const { return int(series[trace].pen().color().rgb() & 0xFFFFFF); }

    void append(const double *values, int n, int skip) {
        for (int k = 0; k < n; k++) {
            int t = k % traces;
            ring[t][(start[t] + count[t]) % kMaxPoints] = values[k * (skip + 1)];
            if (count[t] < pps)
                count[t]++;
            else
                start[t] = (start[t] + 1) % kMaxPoints;
        }
        // The series are replaced on the next turn of event processing, after the caller's
        // next request is on the line: drawing never delays the controller.
        if (!dirty) {
            dirty = true;
            QMetaObject::invokeMethod(
                this, [this] { refresh(); }, Qt::QueuedConnection);
        }
    }
    void refresh() {
        dirty = false;
        for (int t = 0; t < traces; t++) {
            points.clear();
            for (int i = 0; i < count[t]; i++)
                points.append(QPointF(i, ring[t][(start[t] + i) % kMaxPoints]));
            series[t].replace(points);
        }
    }
    int shown(int trace, double *dst, int max) const {
        int n = std::min(count[trace], max);
        for (int i = 0; i < n; i++)
            dst[i] = ring[trace][(start[trace] + count[trace] - n + i) % kMaxPoints];
        return n;
    }

  private:
    QValueAxis x, y;
    QLineSeries series[kMaxTraces];
    double ring[kMaxTraces][kMaxPoints] = {};
    int start[kMaxTraces] = {};
    int count[kMaxTraces] = {};
    int traces = 1;
    int pps = 101;
    bool dirty = false; // values appended since the series were last replaced
    QList<QPointF> points;
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

#include "charts.moc"

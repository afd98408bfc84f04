// Graphs over Qt Charts: XY plots of 16-bit arrays with line style and colour, fixed or
// automatic axes, and cursor 1 drawn as a cross-hair with a marker at its point.
#include "charts.h"
#include "palette.h"
#include "panels.h"

#include <QChart>
#include <QChartView>
#include <QContextMenuEvent>
#include <QLineSeries>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {
constexpr int kMaxPlots = 16;

class Graph : public QChartView {
    // findChild() finds the chart under its frame through the meta-object
    Q_OBJECT

  public:
    // The chart goes in through the constructor: a chart view made without one makes its
    // own, and replacing that one later would leak it.
    explicit Graph(QFrame *frame) : QChartView(new QChart, frame) {
        QChart *chart = this->chart();
        chart->setAnimationOptions(QChart::NoAnimation);
        chart->setDropShadowEnabled(false);
        chart->legend()->hide();
        chart->setMargins(QMargins(4, 4, 4, 4));
        chart->setBackgroundRoundness(0);
        x.setLabelFormat("%d");
        y.setLabelFormat("%d");
        x.setTickCount(9);
        y.setTickCount(11);
        x.setRange(0, 128);
        y.setRange(0, 1000);
        chart->addAxis(&x, Qt::AlignBottom);
        chart->addAxis(&y, Qt::AlignLeft);
        QPen hair(QColor::fromRgb(QRgb(RGB_CURSOR)), 1, Qt::DotLine);
        for (QLineSeries *s : {&hairV, &hairH}) {
            s->setPen(hair);
            Attach(chart, s);
        }
        marker.setMarkerSize(9);
        marker.setColor(QColor::fromRgb(QRgb(RGB_CURSOR)));
        marker.setBorderColor(Qt::black);
        Attach(chart, &marker);
        setRenderHint(QPainter::Antialiasing, true);
        auto *layout = new QVBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(this);
        showCursor(false);
    }
    ~Graph() override {
        deleteAll();
        for (QAbstractSeries *s : std::initializer_list<QAbstractSeries *>{&hairV, &hairH, &marker})
            chart()->removeSeries(s);
        chart()->removeAxis(&x);
        chart()->removeAxis(&y);
    }

    int plot(const unsigned short *xs, const unsigned short *ys, int n, int width, bool dashed,
             int rgb) {
        int slot = 0;
        while (slot < kMaxPlots && plots[slot])
            slot++;
        if (slot == kMaxPlots) return -1;
        auto *s = new QLineSeries;
        QList<QPointF> points;
        points.reserve(n);
        for (int i = 0; i < n; i++)
            points.append(QPointF(xs[i], ys[i]));
        s->replace(points);
        s->setPen(QPen(QColor(QRgb(0xFF000000u | unsigned(rgb))), width,
                       dashed ? Qt::DashLine : Qt::SolidLine));
        chart()->addSeries(s);
        s->attachAxis(&x);
        s->attachAxis(&y);
        plots[slot] = s;
        raiseCursor();
        return slot + 1;
    }
    void contextMenuEvent(QContextMenuEvent *e) override {
        plat::CtrlMenu(parentWidget(), e->globalPos());
    }
    int remove(int handle) {
        if (handle == -1) return deleteAll(), 0;
        if (handle < 1 || handle > kMaxPlots || !plots[handle - 1]) return -1;
        chart()->removeSeries(plots[handle - 1]);
        delete plots[handle - 1];
        plots[handle - 1] = nullptr;
        return 0;
    }
    void deleteAll() {
        for (QLineSeries *&s : plots)
            if (s) {
                chart()->removeSeries(s);
                delete s;
                s = nullptr;
            }
    }
    void scale(int axis, double lo, double hi) { (axis == VAL_XAXIS ? x : y).setRange(lo, hi); }
    void title(const QString &t) { y.setTitleText(t); }
    QString title() const { return y.titleText(); }
    void setCursor(double cx, double cy) {
        cursorX = cx, cursorY = cy;
        hairV.replace({QPointF(cx, -1e6), QPointF(cx, 1e6)});
        hairH.replace({QPointF(-1e6, cy), QPointF(1e6, cy)});
        marker.replace({QPointF(cx, cy)});
        showCursor(cursors > 0);
    }
    void setCursors(int n) {
        cursors = n;
        showCursor(n > 0 && cursorX >= 0);
    }
    bool cursor(double &cx, double &cy) const {
        cx = cursorX, cy = cursorY;
        return cursors > 0 && cursorX >= 0;
    }
    const QLineSeries *plotAt(int index) const {
        int k = 0;
        for (QLineSeries *s : plots)
            if (s && k++ == index) return s;
        return nullptr;
    }

  private:
    void Attach(QChart *chart, QAbstractSeries *s) {
        chart->addSeries(s);
        s->attachAxis(&x);
        s->attachAxis(&y);
    }
    void showCursor(bool on) {
        hairV.setVisible(on);
        hairH.setVisible(on);
        marker.setVisible(on);
    }
    void raiseCursor() { // drawn after the curves, so it stays on top of them
        for (QAbstractSeries *s :
             std::initializer_list<QAbstractSeries *>{&hairV, &hairH, &marker}) {
            chart()->removeSeries(s);
            Attach(chart(), s);
        }
    }

    QValueAxis x, y;
    QLineSeries *plots[kMaxPlots] = {};
    QLineSeries hairV, hairH;
    QScatterSeries marker;
    int cursors = 0;
    double cursorX = -1, cursorY = -1;
};

Graph *GraphOf(int panel, int control) {
    QWidget *w = plat::CtrlWidget(panel, control);
    return w ? w->findChild<Graph *>() : nullptr;
}
} // namespace

void plat::MakeGraph(QFrame *frame) {
    new Graph(frame);
}

int PlotXY(int panel, int control, const unsigned short *x, const unsigned short *y, int n,
           int lineWidth, int lineStyle, int colour) {
    Graph *g = GraphOf(panel, control);
    if (!g || !x || !y || n < 0) return -1;
    return g->plot(x, y, n, lineWidth == VAL_FAT_LINE ? 3 : 1, lineStyle == VAL_DASH, colour);
}

int DeleteGraphPlot(int panel, int control, int plotHandle) {
    Graph *g = GraphOf(panel, control);
    return g ? g->remove(plotHandle) : -1;
}

int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max) {
    Graph *g = GraphOf(panel, control);
    if (!g || mode != VAL_MANUAL || !(min < max)) return -1;
    g->scale(axis, min, max);
    return 0;
}

int SetGraphCursor(int panel, int control, int cursor, double x, double y) {
    Graph *g = GraphOf(panel, control);
    if (!g || cursor != 1) return -1;
    g->setCursor(x, y);
    return 0;
}

int GetGraphCursor(int panel, int control, int cursor, double &x, double &y) {
    Graph *g = GraphOf(panel, control);
    if (!g || cursor != 1) return -1;
    return g->cursor(x, y) ? 0 : -1;
}

int SetCursorAttribute(int panel, int control, int cursor, int attribute, int value) {
    Graph *g = GraphOf(panel, control);
    if (!g || cursor != 1 || attribute != ATTR_CROSS_HAIR_STYLE) return -1;
    return value == VAL_LONG_CROSS ? 0 : -1; // the one cross-hair this graph draws
}

int plat::SetGraphAttribute(int panel, int control, int attribute, int value) {
    Graph *g = GraphOf(panel, control);
    if (!g || attribute != ATTR_NUM_CURSORS || value < 0 || value > 1) return -1;
    g->setCursors(value);
    return 0;
}

int plat::SetGraphTitle(int panel, int control, const char *text) {
    Graph *g = GraphOf(panel, control);
    if (!g) return -1;
    g->title(QString::fromLocal8Bit(text));
    return 0;
}

int plat::GraphTitle(int panel, int control, char *text, int size) {
    Graph *g = GraphOf(panel, control);
    if (!g) return -1;
    snprintf(text, size_t(size), "%s", g->title().toLocal8Bit().constData());
    return 0;
}

int GraphPlot(int panel, int control, int index, GraphPlotInfo &info, double *y, int max) {
    Graph *g = GraphOf(panel, control);
    const QLineSeries *s = g ? g->plotAt(index) : nullptr;
    if (!s) return -1;
    info.colour = int(s->pen().color().rgb() & 0xFFFFFF);
    info.width = int(s->pen().widthF());
    info.dashed = s->pen().style() == Qt::DashLine;
    info.points = int(s->count());
    for (int i = 0; i < info.points && i < max; i++)
        y[i] = s->at(i).y();
    return 0;
}

#include "graph.moc"

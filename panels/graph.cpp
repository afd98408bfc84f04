// Graphs: XY plots of 16-bit arrays with line width, style and colour over fixed axes, and
// cursor 1 drawn as a dotted cross-hair with a marker at its point, on top of the curves.
#include "charts.h"
#include "palette.h"
#include "panels.h"
#include "plot.h"

#include <QContextMenuEvent>
#include <QFrame>
#include <QPainter>
#include <QVBoxLayout>
#include <cstdio>
#include <vector>

namespace {
constexpr int kMaxPlots = 16;
constexpr int kXIntervals = 8, kYIntervals = 10; // tick intervals of the two axes
constexpr double kMarkerRadius = 4.5;            // the cursor's marker, pixels

struct Plot {
    bool used = false;
    std::vector<unsigned short> x, y;
    int colour = 0; // 0xRRGGBB
    int width = 1;  // pixels
    bool dashed = false;
};

class Graph : public QWidget {
    // findChild() finds the graph under its frame through the meta-object
    Q_OBJECT

  public:
    explicit Graph(QFrame *frame) : QWidget(frame) {
        setAttribute(Qt::WA_OpaquePaintEvent); // the ground covers every pixel
        auto *layout = new QVBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(this);
    }

    int plot(const unsigned short *xs, const unsigned short *ys, int n, int width, bool dashed,
             int rgb) {
        int slot = 0;
        while (slot < kMaxPlots && plots[slot].used)
            slot++;
        if (slot == kMaxPlots) return -1;
        Plot &p = plots[slot];
        p.used = true;
        p.x.assign(xs, xs + n);
        p.y.assign(ys, ys + n);
        p.colour = rgb & 0xFFFFFF;
        p.width = width;
        p.dashed = dashed;
        update();
        return slot + 1;
    }
    int remove(int handle) {
        if (handle == -1) {
            for (Plot &p : plots)
                p = Plot{};
        } else if (handle < 1 || handle > kMaxPlots || !plots[handle - 1].used) {
            return -1;
        } else {
            plots[handle - 1] = Plot{};
        }
        update();
        return 0;
    }
    void scale(int axis, double lo, double hi) {
        if (axis == VAL_XAXIS)
            x0 = lo, x1 = hi;
        else
            y0 = lo, y1 = hi;
        update();
    }
    void setTitle(const QString &t) {
        title = t;
        update();
    }
    const QString &titleText() const { return title; }
    void moveCursor(double cx, double cy) {
        cursorX = cx, cursorY = cy;
        update();
    }
    void setCursors(int n) {
        cursors = n;
        update();
    }
    bool cursorAt(double &cx, double &cy) const {
        cx = cursorX, cy = cursorY;
        return cursors > 0 && cursorX >= 0;
    }
    const Plot *plotAt(int index) const { // the index-th plot in drawing order
        int k = 0;
        for (const Plot &p : plots)
            if (p.used && k++ == index) return &p;
        return nullptr;
    }

  protected:
    void contextMenuEvent(QContextMenuEvent *e) override {
        plat::CtrlMenu(parentWidget(), e->globalPos());
    }
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        plot::Ground(p, 0, 0, width(), height());
        QByteArray name = title.toUtf8();
        plot::Ticks xt = plot::FixedTicks(x0, x1, kXIntervals);
        plot::Ticks yt = plot::FixedTicks(y0, y1, kYIntervals);
        int yWidth = plot::YAxisWidth(yt, name.constData());
        plot::Area a = plot::Layout(width(), height(), yWidth, plot::XAxisHeight(nullptr));
        a.x0 = x0, a.x1 = x1, a.y0 = y0, a.y1 = y1;
        plot::Grid(p, a, &xt, &yt);
        plot::YAxis(p, a, yt, yWidth, name.constData());
        plot::XAxis(p, a, xt, width(), nullptr);
        plot::Frame(p, a);
        plot::Clip(p, a);
        for (const Plot &c : plots) {
            if (!c.used) continue;
            QPen pen(QColor::fromRgb(QRgb(0xFF000000u | unsigned(c.colour))), c.width,
                     c.dashed ? Qt::DashLine : Qt::SolidLine);
            p.setPen(pen);
            plot::Polyline(p, a, c.x.data(), c.y.data(), int(c.x.size()));
        }
        double cx, cy;
        if (!cursorAt(cx, cy)) return;
        QColor hair = QColor::fromRgb(QRgb(0xFF000000u | unsigned(RGB_CURSOR)));
        double px = plot::Px(a, cx), py = plot::Py(a, cy);
        p.setPen(QPen(hair, 1, Qt::DotLine));
        p.drawLine(QPointF(px, a.top), QPointF(px, a.top + a.height));
        p.drawLine(QPointF(a.left, py), QPointF(a.left + a.width, py));
        if (px < a.left || px > a.left + a.width || py < a.top || py > a.top + a.height) return;
        p.setClipping(false); // a marker on the frame shows whole
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(hair);
        p.drawEllipse(QPointF(px, py), kMarkerRadius, kMarkerRadius);
    }

  private:
    Plot plots[kMaxPlots];
    double x0 = 0, x1 = 128, y0 = 0, y1 = 1000; // fixed axes until SetAxisScalingMode
    QString title;                              // of the y axis
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
    g->moveCursor(x, y);
    return 0;
}

int GetGraphCursor(int panel, int control, int cursor, double &x, double &y) {
    Graph *g = GraphOf(panel, control);
    if (!g || cursor != 1) return -1;
    return g->cursorAt(x, y) ? 0 : -1;
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
    g->setTitle(QString::fromLocal8Bit(text));
    return 0;
}

int plat::GraphTitle(int panel, int control, char *text, int size) {
    Graph *g = GraphOf(panel, control);
    if (!g) return -1;
    snprintf(text, size_t(size), "%s", g->titleText().toLocal8Bit().constData());
    return 0;
}

int GraphPlot(int panel, int control, int index, GraphPlotInfo &info, double *y, int max) {
    Graph *g = GraphOf(panel, control);
    const Plot *p = g ? g->plotAt(index) : nullptr;
    if (!p) return -1;
    info.colour = p->colour;
    info.width = p->width;
    info.dashed = p->dashed;
    info.points = int(p->y.size());
    for (int i = 0; i < info.points && i < max; i++)
        y[i] = p->y[i];
    return 0;
}

#include "graph.moc"

// Record viewer: a window of its own on a record file, with zoom, pan and the values under the
// pointer, and the whole recording drawn to an image file; --view and --png run it alone.
#include "viewer.h"
#include "images.h"
#include "palette.h"
#include "viewer_view.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
constexpr double kMinSpan = 3;  // recorded lines shown at least
constexpr int kMaxViewers = 16; // windows open at once
const char kHint[] =
    "wheel: zoom   drag: pan   right-drag: zoom box   double-click: whole recording";

void Copy(char *out, int size, const char *text) {
    if (out && size > 0) snprintf(out, size_t(size), "%s", text);
}

// Keeps the x range inside the recording and at least kMinSpan wide.
void Clamp(plat::RecordView &v) {
    double lo = plat::FullX0(v), hi = plat::FullX1(v);
    double span = std::clamp(v.x1 - v.x0, std::min(kMinSpan, hi - lo), hi - lo);
    double x0 = std::clamp(v.x0, lo, hi - span);
    v.x0 = x0, v.x1 = x0 + span;
}

class Canvas : public QWidget {
  public:
    plat::RecordView v;
    QLabel *readout = nullptr;

    explicit Canvas(QWidget *parent) : QWidget(parent) {
        setMouseTracking(true);
        setMinimumSize(480, 320);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    int Load(const QString &path) {
        v.path = path;
        int rc = ReadRecord(path.toLocal8Bit().constData(), &v.rec);
        plat::ShowWhole(v);
        v.cursor = -1;
        update();
        return rc;
    }
    void Whole() {
        plat::ShowWhole(v);
        update();
    }
    void Point(QPoint at) { // the sample nearest the pointer, and its values in words
        v.cursor = -1;
        const RecordData &r = v.rec;
        if (plat::PaneAt(v, at.y()) >= 0 && at.x() >= v.plot[0].left() &&
            at.x() <= v.plot[0].right() && r.samples > 0) {
            double x = plat::XAt(v, at.x());
            int64_t i = std::min(RecordSampleAt(r, x), r.samples - 1);
            if (i > 0 && std::fabs(RecordX(r, i - 1) - x) < std::fabs(RecordX(r, i) - x)) i--;
            v.cursor = i;
        }
        readout->setText(v.cursor < 0 ? kHint : Readout(v.cursor));
        update();
    }
    QString Readout(int64_t i) const {
        const RecordData &r = v.rec;
        char t[40];
        RecordXText(r, RecordX(r, i), t, sizeof t);
        QString s = QString("line %1").arg(int64_t(RecordX(r, i)));
        if (r.interval > 0) s += QString("   time %1").arg(t);
        const char *names[REC_COLUMNS] = {"NORM A", "NORM B", "ADC A", "ADC B"};
        for (int c = 0; c < REC_COLUMNS; c++)
            s += QString("   %1 %2").arg(names[c]).arg(r.column[c][size_t(i)]);
        return s + QString("   (file line %1)").arg(RecordLine(r, i));
    }

  protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        plat::PaintRecordView(p, rect(), v);
        if (boxing) {
            QColor box = QColor::fromRgb(QRgb(RGB_ZOOM_BOX));
            p.setPen(QPen(box, 1, Qt::DashLine));
            box.setAlpha(40);
            p.setBrush(box);
            p.drawRect(QRect(pressAt, now).normalized());
        }
    }
    void mousePressEvent(QMouseEvent *e) override {
        pressAt = now = e->position().toPoint();
        pressX0 = v.x0, pressX1 = v.x1;
        panning = e->button() == Qt::LeftButton;
        boxPane = plat::PaneAt(v, pressAt.y());
        boxing = e->button() == Qt::RightButton && boxPane >= 0;
    }
    void mouseMoveEvent(QMouseEvent *e) override {
        now = e->position().toPoint();
        if (panning) {
            double perPixel = (pressX1 - pressX0) / std::max(1, v.plot[0].width());
            v.x0 = pressX0 - (now.x() - pressAt.x()) * perPixel;
            v.x1 = pressX1 - (now.x() - pressAt.x()) * perPixel;
            Clamp(v);
        }
        Point(now);
    }
    void mouseReleaseEvent(QMouseEvent *) override {
        if (boxing) Box(QRect(pressAt, now).normalized());
        panning = boxing = false;
        update();
    }
    void mouseDoubleClickEvent(QMouseEvent *) override { Whole(); }
    void wheelEvent(QWheelEvent *e) override {
        double x = plat::XAt(v, int(e->position().x()));
        double f = std::pow(1.25, -e->angleDelta().y() / 120.0);
        v.x0 = x - (x - v.x0) * f;
        v.x1 = x + (v.x1 - x) * f;
        Clamp(v);
        Point(e->position().toPoint());
    }
    void leaveEvent(QEvent *) override {
        v.cursor = -1;
        readout->setText(kHint);
        update();
    }

  private:
    void Box(const QRect &b) { // x range from the box; the pane's values too if it is tall
        if (b.width() > 4) {
            double x0 = plat::XAt(v, b.left()), x1 = plat::XAt(v, b.right());
            v.x0 = x0, v.x1 = x1;
            Clamp(v);
        }
        if (b.height() > 4) {
            v.y0[boxPane] = plat::ValueAt(v, boxPane, b.bottom());
            v.y1[boxPane] = plat::ValueAt(v, boxPane, b.top());
            v.yFixed[boxPane] = true;
        }
    }
    QPoint pressAt, now;
    double pressX0 = 0, pressX1 = 1;
    bool panning = false, boxing = false;
    int boxPane = -1;
};

class Viewer : public QWidget {
  public:
    Canvas *canvas;
    explicit Viewer(const QString &path) {
        setObjectName("RecordViewer");
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_QuitOnClose, false); // the program runs on without it
        auto *whole = new QPushButton("Whole recording");
        auto *reload = new QPushButton("Reload");
        auto *readout = new QLabel(kHint);
        readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
        canvas = new Canvas(this);
        canvas->readout = readout;
        auto *bar = new QHBoxLayout;
        bar->addWidget(whole);
        bar->addWidget(reload);
        bar->addStretch(1);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(6, 6, 6, 6);
        column->addLayout(bar);
        column->addWidget(canvas, 1);
        column->addWidget(readout);
        QObject::connect(whole, &QPushButton::clicked, [this] { canvas->Whole(); });
        QObject::connect(reload, &QPushButton::clicked, [this, path] { canvas->Load(path); });
        setWindowTitle(QString::fromLocal8Bit(ViewerTitle()) + " - " + path);
        resize(1100, 680);
    }
};

QPointer<Viewer> g_viewers[kMaxViewers];

Viewer *Newest() {
    for (int i = kMaxViewers - 1; i >= 0; i--)
        if (g_viewers[i]) return g_viewers[i];
    return nullptr;
}

Viewer *Open(const char *path, char *message, int size) {
    auto *w = new Viewer(QString::fromLocal8Bit(path));
    int rc = w->canvas->Load(QString::fromLocal8Bit(path));
    Copy(message, size, w->canvas->v.rec.message);
    if (rc < 0) {
        delete w;
        return nullptr;
    }
    int slot = 0;
    while (slot < kMaxViewers && g_viewers[slot])
        slot++;
    if (slot == kMaxViewers) { // the oldest window gives way
        delete g_viewers[0];
        std::rotate(g_viewers, g_viewers + 1, g_viewers + kMaxViewers);
        slot = kMaxViewers - 1;
    }
    g_viewers[slot] = w;
    w->show();
    if (QGuiApplication::platformName() != "offscreen") w->raise();
    return w;
}
} // namespace

int ViewRecord(const char *path, char *message, int size) {
    Copy(message, size, "no record file named");
    if (!qApp || !path || !path[0]) return -1;
    return Open(path, message, size) ? 0 : -1;
}

int RenderRecord(const char *path, const char *png, int width, int height, char *message,
                 int size) {
    if (!qApp || !path || !png || width < 200 || height < 150) return -1;
    plat::RecordView v;
    v.path = QString::fromLocal8Bit(path);
    int rc = ReadRecord(path, &v.rec);
    Copy(message, size, v.rec.message);
    if (rc < 0) return -1;
    plat::ShowWhole(v);
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setFont(QApplication::font());
    plat::PaintRecordView(p, image.rect(), v);
    p.end();
    if (plat::SavePng(image, png) == 0) return rc;
    char why[REC_MESSAGE_LEN + 600];
    snprintf(why, sizeof why, "%s: cannot write the image%s%s%s%s", png,
             LastFileFault()[0] ? " (" : "", LastFileFault(), LastFileFault()[0] ? ")" : "",
             v.rec.message[0] ? "\n" : "");
    size_t n = strlen(why);
    snprintf(why + n, sizeof why - n, "%s", v.rec.message);
    Copy(message, size, why);
    return -1;
}

int RunViewer(RunTimeInstance instance) {
    const plat::Options &o = plat::g_opt;
    if (o.png[0]) plat::g_opt.headless = true; // an image needs no display
    if (!InitCVIRTE(instance)) return 1;
    char message[REC_MESSAGE_LEN + 300] = "";
    if (o.png[0]) {
        int rc = RenderRecord(o.view, o.png, 1200, 600, message, int(sizeof message));
        if (message[0]) fprintf(stderr, "%s\n", message);
        return rc == 0 ? 0 : 1;
    }
    Viewer *w = Open(o.view, message, int(sizeof message));
    if (message[0]) fprintf(stderr, "%s\n", message);
    if (!w) return 1;
    QEventLoop loop;
    QObject::connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
    return 0;
}

void CloseViewers() {
    for (QPointer<Viewer> &w : g_viewers)
        delete w.data();
}

int ViewerCount() {
    int n = 0;
    for (const QPointer<Viewer> &w : g_viewers)
        n += !w.isNull();
    return n;
}

int GrabViewer(const char *png) {
    Viewer *w = Newest();
    if (!w) return -1;
    QApplication::processEvents(); // pending layouts before rendering
    return plat::SavePng(w->grab().toImage(), png);
}

int ViewerPoint(double fraction, char *readout, int size) {
    Viewer *w = Newest();
    if (!w) return -1;
    QApplication::processEvents();
    w->canvas->repaint(); // lays out the panes
    const QRect &plot = w->canvas->v.plot[0];
    QPoint at(plot.left() + int(fraction * (plot.width() - 1)), plot.center().y());
    QMouseEvent move(QEvent::MouseMove, QPointF(at), w->canvas->mapToGlobal(QPointF(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w->canvas, &move);
    Copy(readout, size, w->canvas->readout->text().toLocal8Bit().constData());
    return 0;
}

int ViewerGesture(int kind, double from, double to) {
    Viewer *w = Newest();
    if (!w) return -1;
    Canvas *c = w->canvas;
    c->repaint();
    const QRect plot = c->v.plot[0];
    auto at = [&plot](double f, int y) { return QPointF(plot.left() + f * (plot.width() - 1), y); };
    auto mouse = [c](QEvent::Type type, QPointF p, Qt::MouseButton b, Qt::MouseButtons held) {
        QMouseEvent e(type, p, c->mapToGlobal(p), b, held, Qt::NoModifier);
        QApplication::sendEvent(c, &e);
    };
    QPointF a = at(from, plot.top() + 1), b = at(to, plot.bottom() - 1);
    Qt::MouseButton button = kind == VIEWER_BOX ? Qt::RightButton : Qt::LeftButton;
    switch (kind) {
    case VIEWER_WHEEL: {
        QWheelEvent e(a, c->mapToGlobal(a), QPoint(), QPoint(0, int(to * 120)), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(c, &e);
        return 0;
    }
    case VIEWER_PAN: b.setY(a.y()); [[fallthrough]];
    case VIEWER_BOX:
        mouse(QEvent::MouseButtonPress, a, button, button);
        mouse(QEvent::MouseMove, b, Qt::NoButton, button);
        mouse(QEvent::MouseButtonRelease, b, button, Qt::NoButton);
        return 0;
    case VIEWER_WHOLE: mouse(QEvent::MouseButtonDblClick, a, button, button); return 0;
    }
    return -1;
}

[[maybe_unused]] static const bool kRoom =
    RegisterRoom(ROOM_VIEWER, {CloseViewers, CloseViewers, nullptr});

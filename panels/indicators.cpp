// Indicators: read-only numeric displays take a new value at once for reading back, and show it
// on the panel at the next event processing or display frame, drawn by a light face.
#include "faces.h"
#include "frame_timer.h"
#include "panels.h"
#include "plot.h"
#include "runtime.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QSpinBox>
#include <algorithm>

// The live loop writes eleven indicators after every reply. A spin box shows a new value by
// shaping and laying out its text, then repaints itself and the group box beneath it: about 2%
// of a core at 25 replies/s. A face covers the box's text field and draws the number itself on
// a copy of the empty field; the box takes the value when the updates pause, for whoever reads
// its text (accessibility tools).
namespace {
using plat::Face;
using plat::FaceOf;

constexpr int kMaxPending = 32; // more indicators than the panels have

struct Pending {
    QPointer<Face> face;
    int value; // already within the box's range, as the box would hold it
};
Pending g_pending[kMaxPending];
int g_nPending = 0;

void SyncBoxes(); // once the updates pause

// Values that come slower than the display's frames (the live loop's 25 a second) are shown at
// the next event processing, as the strip charts are: a frame timer ticking at 60 Hz for them
// would wake the program some 35 times a second for nothing. Faster values wait for the frame
// timer, which shows the newest of them once a frame. The boxes take the shown values once a
// slow timer (a quarter second a tick) has seen nothing shown for more than two ticks.
constexpr int kFrameIdleTicks = 1; // the frame timer stops once values come slower again
constexpr int kQuietFramesPerTick = 15;
constexpr int kQuietTicks = 2;
plot::FrameGate g_gate;        // when values were last shown
bool g_posted = false;         // a show is posted to the next event processing
bool g_shownSinceTick = false; // values were shown since the quiet timer's last tick

plat::FrameTimer *Frames() {
    static QPointer<plat::FrameTimer> t; // owned by the application object
    if (!t && QCoreApplication::instance())
        t = new plat::FrameTimer(
            QCoreApplication::instance(),
            [] {
                if (g_nPending == 0) return false;
                plat::ShowIndicators();
                return true;
            },
            nullptr, kFrameIdleTicks);
    return t;
}

plat::FrameTimer *Quiet() {
    static QPointer<plat::FrameTimer> t; // owned by the application object
    if (!t && QCoreApplication::instance())
        t = new plat::FrameTimer(
            QCoreApplication::instance(),
            [] {
                bool shown = g_shownSinceTick;
                g_shownSinceTick = false;
                return shown;
            },
            SyncBoxes, kQuietTicks, kQuietFramesPerTick);
    return t;
}

class Poster : public QObject { // receives the posted shows
  protected:
    void customEvent(QEvent *) override {
        g_posted = false;
        if (g_nPending > 0) plat::ShowIndicators();
    }
};

QObject *Posts() {
    static QPointer<Poster> p; // owned by the application object
    if (!p && QCoreApplication::instance()) {
        p = new Poster;
        p->setParent(QCoreApplication::instance());
    }
    return p;
}

void Schedule(const QWidget *box) {
    Quiet()->Arm(box);
    if (g_posted) return; // a show is on its way
    plat::FrameTimer *frames = Frames();
    if (frames->isActive()) return; // values faster than the frames: the timer shows them
    if (!g_gate.Due(Timer(), plat::FramePeriodOf(box))) {
        frames->Arm(box);
    } else {
        g_posted = true;
        QCoreApplication::postEvent(Posts(), new QEvent(QEvent::User));
    }
}

Pending *Find(const Face *face) {
    for (int i = 0; i < g_nPending; i++)
        if (g_pending[i].face == face) return &g_pending[i];
    return nullptr;
}

// Faces whose box may still hold an older value; at most one entry a face.
QPointer<Face> g_unsynced[kMaxPending];
int g_nUnsynced = 0;

void MarkUnsynced(Face *face) {
    for (int i = 0; i < g_nUnsynced; i++)
        if (g_unsynced[i] == face) return;
    if (g_nUnsynced < kMaxPending)
        g_unsynced[g_nUnsynced++] = face;
    else
        face->Sync();
}

void SyncBoxes() {
    int n = g_nUnsynced;
    g_nUnsynced = 0;
    for (int i = 0; i < n; i++)
        if (Face *face = g_unsynced[i]) face->Sync();
}
} // namespace

void plat::MakeIndicator(QSpinBox *box) {
    plat::MakeFace(box);
}

bool plat::SetIndicator(QSpinBox *box, int value) {
    Face *face = FaceOf(box);
    plat::FrameTimer *frames = Frames();
    if (!face || !frames) return false; // not an indicator: set the box itself
    value = std::clamp(value, box->minimum(), box->maximum());
    if (Pending *p = Find(face)) {
        p->value = value;
        return true;
    }
    if (face->Shown() == value) return true;
    if (g_nPending == kMaxPending) { // more than the panels have: shown at once instead
        face->Show(value);
        MarkUnsynced(face);
        g_shownSinceTick = true;
        Quiet()->Arm(box);
        return true;
    }
    g_pending[g_nPending++] = {face, value};
    Schedule(box);
    return true;
}

int plat::IndicatorValue(const QSpinBox *box) {
    const Face *face = FaceOf(box);
    if (!face) return box->value();
    const Pending *p = Find(face);
    return p ? p->value : face->Shown();
}

void plat::ShowIndicators() {
    int n = g_nPending;
    g_nPending = 0; // before the faces change: a value set meanwhile waits for the next frame
    g_gate.last = Timer();
    g_shownSinceTick = true;
    for (int i = 0; i < n; i++)
        if (Face *face = g_pending[i].face) {
            face->Show(g_pending[i].value);
            MarkUnsynced(face);
        }
}

void plat::ForgetIndicators() {
    g_nPending = 0;
    g_nUnsynced = 0;
    g_gate = {};
    g_posted = false; // a show still posted finds nothing to show
    g_shownSinceTick = false;
    if (plat::FrameTimer *frames = Frames()) frames->stop();
    if (plat::FrameTimer *quiet = Quiet()) quiet->stop();
}

int ShownCtrlVal(int panel, int control) {
    auto *box = qobject_cast<QSpinBox *>(plat::CtrlWidget(panel, control));
    if (!box) return -1;
    const Face *face = FaceOf(box);
    return face ? face->Shown() : box->value();
}

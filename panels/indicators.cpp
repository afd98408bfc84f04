// Indicators: read-only numeric displays take a new value at once for reading back, and show it
// on the panel at the next display frame, all of them together.
#include "frame_timer.h"
#include "panels.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

// The live loop writes eleven indicators after every reply, before it may send the next request;
// setting a spin box's text (shaping, layout) costs tens of microseconds each, which would hold
// the line idle for half a millisecond a reply. Kept here, they cost nothing until shown.
namespace {
constexpr int kMaxPending = 32; // more indicators than the panels have

struct Pending {
    QPointer<QSpinBox> box;
    int value; // already within the box's range, as the box would hold it
};
Pending g_pending[kMaxPending];
int g_nPending = 0;

plat::FrameTimer *Frames() {
    static QPointer<plat::FrameTimer> t; // owned by the application object
    if (!t && QCoreApplication::instance())
        t = new plat::FrameTimer(QCoreApplication::instance(), [] {
            if (g_nPending == 0) return false;
            plat::ShowIndicators();
            return true;
        });
    return t;
}

Pending *Find(const QSpinBox *box) {
    for (int i = 0; i < g_nPending; i++)
        if (g_pending[i].box == box) return &g_pending[i];
    return nullptr;
}
} // namespace

bool plat::SetIndicator(QSpinBox *box, int value) {
    value = std::clamp(value, box->minimum(), box->maximum());
    if (Pending *p = Find(box)) {
        p->value = value;
        return true;
    }
    if (box->value() == value) return true;
    plat::FrameTimer *frames = Frames();
    if (g_nPending == kMaxPending || !frames) return false; // shown at once instead
    g_pending[g_nPending++] = {box, value};
    frames->Arm(box);
    return true;
}

int plat::IndicatorValue(const QSpinBox *box) {
    const Pending *p = Find(box);
    return p ? p->value : box->value();
}

void plat::ShowIndicators() {
    int n = g_nPending;
    g_nPending = 0; // before the boxes change: a value set meanwhile waits for the next frame
    for (int i = 0; i < n; i++)
        if (QSpinBox *box = g_pending[i].box) {
            const QSignalBlocker block(box);
            box->setValue(g_pending[i].value);
        }
}

void plat::ForgetIndicators() {
    g_nPending = 0;
    if (plat::FrameTimer *frames = Frames()) frames->stop();
}

int ShownCtrlVal(int panel, int control) {
    auto *box = qobject_cast<QSpinBox *>(plat::CtrlWidget(panel, control));
    return box ? box->value() : -1;
}

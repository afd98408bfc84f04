// The display-frame timer of the strip charts and indicators: one tick a frame while there is
// something to show, stopped after 30 quiet frames.
#include "frame_timer.h"
#include "plot.h"
#include "runtime.h"

#include <QScreen>
#include <QWidget>
#include <cmath>

constexpr int kIdleTicks = 30; // frames without anything to show before the timer stops

double plat::FramePeriodOf(const QWidget *w) {
    QScreen *s = w ? w->screen() : nullptr;
    return plot::FramePeriod(s ? s->refreshRate() : 0);
}

plat::FrameTimer::FrameTimer(QObject *parent, std::function<bool()> show, void (*quiet)())
    : QTimer(parent), show(std::move(show)), quiet(quiet) {
    connect(this, &QTimer::timeout, [this] {
        if (this->show()) {
            idleTicks = 0;
        } else if (++idleTicks > kIdleTicks) {
            stop();
            if (this->quiet) this->quiet();
        }
    });
}

void plat::FrameTimer::Arm(const QWidget *w) {
    if (isActive()) return;
    idleTicks = 0;
    start(plat::TestClockOn() ? 0 : int(std::ceil(FramePeriodOf(w) * 1000)));
}

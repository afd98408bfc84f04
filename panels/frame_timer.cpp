// The display-frame timer of the strip charts and indicators: one tick a frame (or every few)
// while there is something to show, stopped after a number of quiet ticks.
#include "frame_timer.h"
#include "plot.h"
#include "runtime.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cmath>

double plat::FramePeriodOf(const QWidget *w) {
    // The window's own screen when it has one: asked after every reply, and the widget's way of
    // finding its screen looks through its parents and the screens' places first.
    QWindow *window = w ? w->window()->windowHandle() : nullptr;
    QScreen *s = window ? window->screen() : w ? w->screen() : nullptr;
    return plot::FramePeriod(s ? s->refreshRate() : 0);
}

plat::FrameTimer::FrameTimer(QObject *parent, std::function<bool()> show, void (*quiet)(),
                             int idleLimit, int framesPerTick)
    : QTimer(parent), show(std::move(show)), quiet(quiet), idleLimit(idleLimit),
      framesPerTick(framesPerTick) {
    connect(this, &QTimer::timeout, [this] {
        if (this->show()) {
            idleTicks = 0;
        } else if (++idleTicks > this->idleLimit) {
            stop();
            if (this->quiet) this->quiet();
        }
    });
}

void plat::FrameTimer::Arm(const QWidget *w) {
    if (isActive()) return;
    idleTicks = 0;
    start(plat::TestClockOn() ? 0 : int(std::ceil(FramePeriodOf(w) * framesPerTick * 1000)));
}

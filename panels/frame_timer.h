// The display-frame timer of the strip charts and indicators: it repeats once a frame (or every
// few frames) while its owner has something to show and stops after a quiet while. Private to the
// panels room.
#pragma once

#include <QTimer>
#include <functional>

class QWidget;

namespace plat {
double FramePeriodOf(const QWidget *w); // one display frame on w's screen, s

// Repeating, so a live run starts it once: starting a timer makes the toolkit allocate, which a
// once-per-frame start would do all run long. Under the test clock real time tells nothing: it
// looks at every turn instead.
class FrameTimer : public QTimer {
  public:
    // show: called every tick; false when there was nothing to show. quiet: called when the
    // timer stops, after more than idleLimit ticks without anything to show.
    FrameTimer(QObject *parent, std::function<bool()> show, void (*quiet)() = nullptr,
               int idleLimit = 30, int framesPerTick = 1);
    void Arm(const QWidget *w); // ticking at w's frame rate from now, if it was not

  private:
    std::function<bool()> show;
    void (*quiet)();
    int idleLimit;     // ticks without anything to show before the timer stops
    int framesPerTick; // display frames between ticks
    int idleTicks = 0; // ticks since the last that had something to show
};
} // namespace plat

// The display-frame timer of the strip charts and indicators: it repeats once a frame while its
// owner has something to show and stops after a quiet while. Private to the panels room.
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
    // show: called every frame; false when there was nothing to show. quiet: called when the
    // timer stops for want of anything to show.
    FrameTimer(QObject *parent, std::function<bool()> show, void (*quiet)() = nullptr);
    void Arm(const QWidget *w); // running at w's frame rate from now, if it was not

  private:
    std::function<bool()> show;
    void (*quiet)();
    int idleTicks = 0; // frames since the last that had something to show
};
} // namespace plat

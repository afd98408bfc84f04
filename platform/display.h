// Whether an X display named as in DISPLAY accepts a connection, checked before the toolkit
// starts: its X11 platform aborts the process when the display does not answer.
#pragma once

namespace plat {
bool DisplayReachable(const char *display); // "[host]:n[.screen]": the X server listens
}

// What the run-time's own files share: the toolkit's environment, the display probe, the rooms'
// hooks and deferred calls. Private to runtime/.
#pragma once

namespace plat {
void PrepareToolkitEnvironment(); // before the toolkit starts (start_posix.cpp)
void LoopStarts();                // the rooms' loop-start hooks
bool RunDeferredCalls();          // the posted calls, unless inside a direct wait; true if any ran
void ForgetDeferredCalls();       // between tests
bool ProgramDirWritable(const char *dir); // this user may create files there (paths_posix.cpp)
} // namespace plat

// Shared set-up of the fuzz targets that need the program around them, and the report of a
// broken invariant. The program runs as the tests run it: offscreen, COM1 = simulator.
#pragma once

#include <cstddef>

void FuzzStartProgram(bool openLine); // toolkit, panels, start values; openLine: COM1 up
[[noreturn]] void FuzzFail(const char *fmt, ...)
    __attribute__((format(printf, 1, 2))); // says which invariant broke, then aborts
void FuzzQuiet(bool on); // on: the program's own messages on standard error go nowhere

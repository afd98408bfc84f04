// The record viewer: a window on a record file (its NORM and ADC values over time, with zoom,
// pan and a read-out under the pointer), or the whole recording drawn to an image.
#pragma once

#include "runtime.h"

// A window of its own on a record file (zoom, pan, values under the pointer); the program runs
// on. 0 shown, the file's faults in message ("" none); -1 the file cannot be read (why).
int ViewRecord(const char *path, char *message, int size);
// The whole recording drawn to a PNG image: 0 file without fault, 1 with faults (in message, the
// image shows what is valid), -1 nothing written (why in message).
int RenderRecord(const char *path, const char *png, int width, int height, char *message, int size);

int RunViewer(RunTimeInstance instance); // --view FILE [--png OUT]: window or image; exit code
void CloseViewers();                     // every viewer window, at shutdown and between tests

// ---- Back door for tests --------------------------------------------------------------------

int ViewerCount();                                         // windows open now
int GrabViewer(const char *png);                           // the newest one as a PNG file; 0 ok
int ViewerPoint(double fraction, char *readout, int size); // the pointer moved there (a fraction
                                                           // of the plot width): the read-out
enum ViewerGestureKind {
    VIEWER_WHEEL, // wheel turned at `from`, `to` notches (> 0 zooms in)
    VIEWER_PAN,   // left-button drag from `from` to `to`
    VIEWER_BOX,   // right-button drag over the NORM pane's height from `from` to `to`
    VIEWER_WHOLE, // double click
};
int ViewerGesture(int kind, double from, double to); // on the newest window, at fractions of
                                                     // its plot width; 0 ok

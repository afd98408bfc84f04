// The record viewer's state and its drawing, shared by the viewer window and the image export.
// Private to viewer/.
#pragma once

#include "recfile.h"

#include <QRect>
#include <QString>
#include <vector>

class QPainter;

namespace plat {

constexpr int kPanes = 2; // the NORM pane above, the ADC pane below

struct RecordView {
    RecordData rec;
    QString path;                               // the file as it was named
    double x0 = 0, x1 = 1;                      // x range shown, in recorded lines
    double y0[kPanes] = {}, y1[kPanes] = {};    // value range of each pane
    bool yFixed[kPanes] = {};                   // set by a zoom box; else fitted to what is shown
    int64_t cursor = -1;                        // sample under the mouse pointer; -1 none
    QRect plot[kPanes];                         // where the panes were drawn last
    std::vector<RecordSpan> spans[REC_COLUMNS]; // envelope of the last drawing
    double spanX0 = 0, spanX1 = 0;              // and the range it was made for
};

double FullX0(const RecordView &v); // the whole recording's x range
double FullX1(const RecordView &v);
void ShowWhole(RecordView &v);                                       // whole x range, values fitted
void PaintRecordView(QPainter &p, const QRect &area, RecordView &v); // title, panes, faults
double XAt(const RecordView &v, int pixelX);               // x under a pixel column of the panes
double ValueAt(const RecordView &v, int pane, int pixelY); // value under a pixel row of a pane
int PaneAt(const RecordView &v, int pixelY);               // pane at the pixel row, -1 none

} // namespace plat

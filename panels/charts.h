// Charts inside the placeholder frames of the panels. Private to the panels room.
#pragma once

class QFrame;

namespace plat {
void MakeStripChart(QFrame *frame); // a strip chart filling the frame (axes from its properties)
int SetStripAttribute(int panel, int control, int attribute, int value); // traces, points
} // namespace plat

namespace plat {
void MakeGraph(QFrame *frame);                                           // an XY graph
int SetGraphAttribute(int panel, int control, int attribute, int value); // number of cursors
int SetGraphTitle(int panel, int control, const char *text);             // y-axis title
int GraphTitle(int panel, int control, char *text, int size);
} // namespace plat

// Charts inside the placeholder frames of the panels. Private to platform/.
#pragma once

class QFrame;

namespace plat {
void MakeStripChart(QFrame *frame); // a strip chart filling the frame (axes from its properties)
int SetStripAttribute(int panel, int control, int attribute, int value); // traces, points
} // namespace plat

// The second panel's data recorder display: the total recording time from the interval and
// the number of lines, and the recorder's status box.
#pragma once

#include <cstdint>

void CalcRecTime(); // interval x lines -> days, hours, minutes, seconds; sample counter to 0
void ShowRecorderState(bool active); // status box: "DATA-RECORDER active ..." red, or idle grey

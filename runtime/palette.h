// The one colour palette of the charts, the scan graph and the record viewer, as 0xRRGGBB, so a
// curve keeps its colour wherever the operator sees it.
#pragma once

constexpr int RGB_BLACK = 0x000000;
constexpr int RGB_RED = 0xFF0000;
constexpr int RGB_GREEN = 0x00FF00;
constexpr int RGB_BLUE = 0x0000FF;
constexpr int RGB_CYAN = 0x00FFFF;
constexpr int RGB_DARK_GREY = 0x404040;
constexpr int RGB_DARK_GREEN = 0x008000;
constexpr int RGB_CURSOR = 0xE000E0; // the scan graph's cross-hair and its marker

// Every plot's ground, grid and ink: white under the curves, light grid lines at the ticks, and
// the labels, tick marks, titles and frame in one colour.
constexpr int RGB_GROUND = 0xFFFFFF;
constexpr int RGB_GRID = 0xE4E4E4;
constexpr int RGB_LABEL = 0x000000;

// The record viewer's four columns: normalised A and B, raw (ADC) A and B, the scan graph's hues
// a shade darker for thin lines on white.
constexpr int RGB_REC_NORM_A = 0xE00000;
constexpr int RGB_REC_NORM_B = 0x505050;
constexpr int RGB_REC_ADC_A = 0x00A000;
constexpr int RGB_REC_ADC_B = 0x0050E0;
constexpr int RGB_ZOOM_BOX = 0x3060C0; // the viewer's zoom box while it is drawn

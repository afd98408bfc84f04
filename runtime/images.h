// Images of windows and controls saved to files, for the rooms that draw with the toolkit.
#pragma once

class QImage;

namespace plat {
int SavePng(const QImage &image, const char *path); // encoded, then written whole; 0 or -1
}

// The pixels under a painter: where it draws on a 32-bit image at a whole-number scale without
// rotation, a plot may write them itself. Private to the panels room.
#pragma once

#include "plot.h"

#include <QPoint>

class QImage;
class QPainter;
class QRect;
class QRegion;

namespace plat {
struct Device { // the pixels a paint writes, where it may write them itself
    plot::Canvas canvas;
    int scale = 1; // device pixels a widget pixel
    QPoint offset; // the widget's origin on the canvas, device pixels
};
bool DirectDevice(QPainter &p, Device *d); // false: only the painter may draw
plot::Canvas CanvasOf(QImage &image);      // a 32-bit image's pixels; none if it is shared
// The region's rectangles within `within` (widget pixels) as device boxes, still in the
// region's bands; -1 if there are more than max.
int DeviceBoxes(const Device &d, const QRegion &region, const QRect &within, plot::Box *out,
                int max);
// The device boxes taken from `image`, a picture of the widget in device pixels.
void CopyFromImage(const Device &d, const plot::Box *boxes, int n, const plot::Canvas &image);
} // namespace plat

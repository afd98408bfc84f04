// The pixels under a painter, for the plots that write them without it: the window's backing
// store or a picture's image, where the painter's clip set-up, copies and stroker cost far more.
#include "direct.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <cmath>

bool plat::DirectDevice(QPainter &p, Device *d) {
    QPaintDevice *pd = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    if (!pd || pd->devType() != QInternal::Image) return false;
    auto *image = static_cast<QImage *>(pd);
    QTransform t = p.deviceTransform();
    double scale = t.m11();
    if (t.type() > QTransform::TxScale || t.m22() != scale || scale < 1 || scale > 8 ||
        scale != std::floor(scale) || t.dx() != std::floor(t.dx()) ||
        t.dy() != std::floor(t.dy()) || std::fabs(t.dx()) > 1e6 || std::fabs(t.dy()) > 1e6)
        return false;
    d->canvas = CanvasOf(*image);
    d->scale = int(scale);
    d->offset = QPoint(int(t.dx()), int(t.dy()));
    return d->canvas.bits != nullptr;
}

plot::Canvas plat::CanvasOf(QImage &image) {
    QImage::Format f = image.format();
    // A shared image would be copied by the first write, and the painter would go on drawing
    // on the old pixels.
    if ((f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
         f != QImage::Format_ARGB32_Premultiplied) ||
        !image.isDetached())
        return plot::Canvas{};
    return plot::Canvas{reinterpret_cast<uint32_t *>(image.bits()), image.bytesPerLine() / 4,
                        image.width(), image.height()};
}

int plat::DeviceBoxes(const Device &d, const QRegion &region, const QRect &within, plot::Box *out,
                      int max) {
    int n = 0;
    for (const QRect &r : region) {
        QRect in = r & within;
        if (in.isEmpty()) continue;
        if (n == max) return -1;
        out[n++] = plot::Box{in.left() * d.scale + d.offset.x(), in.top() * d.scale + d.offset.y(),
                             (in.right() + 1) * d.scale + d.offset.x(),
                             (in.bottom() + 1) * d.scale + d.offset.y()};
    }
    return n;
}

void plat::CopyFromImage(const Device &d, const plot::Box *boxes, int n,
                         const plot::Canvas &image) {
    for (int i = 0; i < n; i++)
        plot::CopyBox(d.canvas, boxes[i], image, boxes[i].left - d.offset.x(),
                      boxes[i].top - d.offset.y());
}

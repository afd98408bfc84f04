// An image goes to its file the way every other write does: encoded in memory, then replaced, so
// a full disk or a planted link never leaves half an image.
#include "images.h"
#include "files.h"

#include <QBuffer>
#include <QImage>

int plat::SavePng(const QImage &image, const char *path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!path || !path[0] || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return -1;
    return plat::ReplaceFile(path, bytes.constData(), size_t(bytes.size()));
}

#include "draw/common/picture_encoding.h"

#include <QBuffer>
#include <QImageWriter>

namespace drv {

QByteArray EncodePicture(const QImage& image, const char* format, int quality, QString* error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);  // the writer opens it for writing itself
    QImageWriter writer(&buffer, format);
    if (quality >= 0) writer.setQuality(quality);
    if (writer.write(image)) return bytes;
    if (error) *error = writer.errorString();
    return {};
}

}  // namespace drv

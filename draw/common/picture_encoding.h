#pragma once
// Pictures are encoded in memory and then handed whole to the one safe writer
// (core/common/file_write.h), so a full disk or a failed encode never leaves half a file.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace drv {

// `format` is a Qt image format name ("png", "jpeg"); `quality` -1 keeps the format's default.
// Empty on failure, with the encoder's reason in `error` when given.
QByteArray EncodePicture(const QImage& image, const char* format, int quality = -1, QString* error = nullptr);

}  // namespace drv

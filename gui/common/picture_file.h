#pragma once
// Pictures named by a card, decoded from their bytes: a path handed to Qt as text would lose a
// name that is not UTF-8, and a pipe named like a picture would block the reader. JPEG pictures
// (every frame) go through the bounded decoder of core/picture; other formats (the placeholder
// BMP) through Qt's readers, after a look at the header's size.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <atomic>
#include <filesystem>
#include <functional>

#include "core/picture/jpeg_decoder.h"

class QImageReader;

namespace drv {

// The picture in `file` as stored (no orientation applied), or a null image when it cannot be
// read or decoded. `prepare` may set the reader up before it decodes (a scaled size, say). For
// pictures other than frames: a header claiming more than kMaxPictureSide either way is refused.
QImage ReadPicture(const std::filesystem::path& file, const std::function<void(QImageReader&)>& prepare = {});

struct Picture {
    QImage image;  // Format_RGB32; null unless error is None
    PictureError error = PictureError::Damaged;
    QSize naturalSize;  // as the header gives it, where it could be read
};

// A picture's bytes decoded: JPEG by the bounded decoder with `request` (scale, region, cancel,
// limits), anything else by Qt's readers under the same size limit and region.
Picture DecodePicture(const QByteArray& bytes, const PictureRequest& request = {});
// The same for a file, read by its path's bytes (ordinary files of at most 64 MiB).
Picture DecodePictureFile(const std::filesystem::path& file, const PictureRequest& request = {});

// A file decoded small, as a thumbnail: its header read first, then decoded scaled (in eighths,
// while decoding) to the first size at or above the box `boxFor` gives for its natural size.
// `naturalSize` is set from the header either way; the image is null when it cannot be decoded.
Picture DecodePictureFileAtLeast(const std::filesystem::path& file, const std::function<QSize(QSize natural)>& boxFor,
                                 const std::atomic<bool>* cancel = nullptr);

// A decoded frame as a QImage, without copying its pixels.
QImage ToQImage(DecodedPicture&& picture);

}  // namespace drv

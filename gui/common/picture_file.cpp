#include "gui/common/picture_file.h"

#include <QBuffer>
#include <QImageReader>
#include <bit>
#include <span>
#include <vector>

#include "core/common/file_read.h"

namespace drv {
namespace {

// Decoded pixels the Qt readers may allocate: a 4096 x 4096 picture of 32-bit pixels.
constexpr int kQtAllocationLimitMiB = 64;

bool isJpeg(const QByteArray& bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xD8;
}

Picture decodeWithQt(const QByteArray& bytes, const PictureRequest& request) {
    Picture out;
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(kQtAllocationLimitMiB);
    out.naturalSize = reader.size();
    if (out.naturalSize.width() > request.maxSide || out.naturalSize.height() > request.maxSide) {
        out.error = PictureError::TooLarge;
        return out;
    }
    if (request.headerOnly) {
        out.error = out.naturalSize.isValid() ? PictureError::None : PictureError::Damaged;
        return out;
    }
    if (out.naturalSize.isValid() && (request.atLeastWidth > 0 || request.atLeastHeight > 0)) {
        const QSize box(std::max(1, request.atLeastWidth), std::max(1, request.atLeastHeight));
        const QSize scaled = out.naturalSize.scaled(box, Qt::KeepAspectRatioByExpanding);
        if (scaled.width() < out.naturalSize.width()) reader.setScaledSize(scaled);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        out.error = PictureError::Damaged;
        return out;
    }
    if (!out.naturalSize.isValid()) out.naturalSize = image.size();
    if (request.regionWidth > 0 || request.regionHeight > 0) {
        const int w = request.regionWidth > 0 ? std::min(image.width(), request.regionWidth) : image.width();
        const int h = request.regionHeight > 0 ? std::min(image.height(), request.regionHeight) : image.height();
        image = image.copy(0, 0, w, h);
    }
    out.image = image.convertToFormat(QImage::Format_RGB32);
    out.error = PictureError::None;
    return out;
}

}  // namespace

QImage ReadPicture(const std::filesystem::path& file, const std::function<void(QImageReader&)>& prepare) {
    const std::string bytes = ReadRegularFile(file, kMaxPictureFileBytes);
    if (bytes.empty()) return {};
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(kQtAllocationLimitMiB);
    const QSize size = reader.size();  // from the header, without decoding
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) return {};
    if (prepare) prepare(reader);
    return reader.read();
}

QImage ToQImage(DecodedPicture&& picture) {
    if (!picture.ok() || picture.pixels.empty()) return {};
    const QImage::Format format =
        picture.bytesPerRow == std::size_t(picture.width) * 3 ? QImage::Format_BGR888 : QImage::Format_RGB32;
    auto* pixels = new std::vector<std::uint8_t>(std::move(picture.pixels));
    return QImage(
        pixels->data(), picture.width, picture.height, static_cast<qsizetype>(picture.bytesPerRow), format,
        [](void* p) { delete static_cast<std::vector<std::uint8_t>*>(p); }, pixels);
}

Picture DecodePicture(const QByteArray& bytes, const PictureRequest& request) {
    if (bytes.isEmpty()) return Picture{QImage(), PictureError::Unreadable, QSize()};
    if (!isJpeg(bytes)) return decodeWithQt(bytes, request);
    PictureRequest rgb32 = request;
    rgb32.layout = PixelOrder::Bgrx;
    DecodedPicture decoded = DecodeJpeg(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())),
        rgb32);
    Picture out;
    out.error = decoded.error;
    if (decoded.naturalWidth > 0) out.naturalSize = QSize(decoded.naturalWidth, decoded.naturalHeight);
    out.image = ToQImage(std::move(decoded));
    return out;
}

Picture DecodePictureFile(const std::filesystem::path& file, const PictureRequest& request) {
    const std::string bytes = ReadRegularFile(file, kMaxPictureFileBytes);
    return DecodePicture(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())), request);
}

Picture DecodePictureFileAtLeast(const std::filesystem::path& file, const std::function<QSize(QSize natural)>& boxFor,
                                 const std::atomic<bool>* cancel) {
    const std::string read = ReadRegularFile(file, kMaxPictureFileBytes);
    const QByteArray bytes = QByteArray::fromRawData(read.data(), static_cast<qsizetype>(read.size()));
    PictureRequest request;
    request.headerOnly = true;
    Picture header = DecodePicture(bytes, request);  // the size, without decoding
    if (header.error != PictureError::None || header.naturalSize.isEmpty()) return header;
    const QSize box = boxFor(header.naturalSize);
    request.headerOnly = false;
    request.atLeastWidth = box.width();
    request.atLeastHeight = box.height();
    request.cancel = cancel;
    Picture picture = DecodePicture(bytes, request);
    picture.naturalSize = header.naturalSize;
    return picture;
}

}  // namespace drv

// drtool brighten: runs the brightening over one picture and writes a lossless PNG, so the
// transform can be checked from outside the viewer.
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <span>
#include <string>

#include "cli/command.h"
#include "draw/common/picture_encoding.h"
#include "core/common/file_read.h"
#include "core/common/file_write.h"
#include "core/picture/jpeg_decoder.h"
#include "core/viewer/brightness.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage = "brighten --factor 1.5|2.0 [--integer] IN OUT.png";

int usageError(const std::string& why) { return UsageError("brighten", kUsage, why); }

// The picture in `file`, within the bounds every picture of the program keeps: an ordinary file
// of at most kMaxPictureFileBytes (a pipe or device never blocks), at most kMaxPictureSide pixels
// each way, a JPEG within the decoder's scan limit. A JPEG goes through the frames' bounded
// decoder; PNG and BMP through Qt, their size checked from the header before any pixel is made.
// Returns why not, or nothing.
std::string readPicture(const std::string& file, QImage& picture) {
    const std::string bytes = ReadRegularFile(std::filesystem::path(file), kMaxPictureFileBytes);
    if (bytes.empty()) return "not an ordinary picture file of at most 64 MiB";
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8) {
        PictureRequest request;
        request.layout = PixelOrder::Bgr;  // what the brightening works on
        auto* held = new DecodedPicture(DecodeJpeg(data, request));
        if (!held->ok()) {
            std::string why = PictureErrorText(held->error);
            if (held->error == PictureError::TooLarge)
                why = "its header claims " + std::to_string(held->naturalWidth) + " x " +
                      std::to_string(held->naturalHeight) + " pixels, more than " + std::to_string(kMaxPictureSide) +
                      " x " + std::to_string(kMaxPictureSide);
            else if (held->error == PictureError::TooManyScans)
                why = "its data goes past " + std::to_string(kMaxPictureScans) + " progressive scans";
            delete held;
            return why;
        }
        // The decoder's pixels, freed with the image.
        picture = QImage(
            held->pixels.data(), held->width, held->height, static_cast<qsizetype>(held->bytesPerRow),
            QImage::Format_BGR888, [](void* p) { delete static_cast<DecodedPicture*>(p); }, held);
        return {};
    }
    QByteArray encoded = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&encoded);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        return "the picture is larger than " + std::to_string(kMaxPictureSide) + " x " +
               std::to_string(kMaxPictureSide);
    picture = reader.read();
    if (picture.isNull()) return reader.errorString().toStdString();
    return {};
}

int runBrighten(const Args& args) {
    std::string factor, in, out;
    bool integer = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--factor") {
            if (i + 1 >= args.size()) return usageError("--factor needs a value");
            factor = args[++i];
        } else if (a.rfind("--factor=", 0) == 0) {
            factor = a.substr(9);
        } else if (a == "--integer") {
            integer = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return usageError(("unknown option " + a).c_str());
        } else if (in.empty()) {
            in = a;
        } else if (out.empty()) {
            out = a;
        } else {
            return usageError("too many arguments");
        }
    }
    bool x2;
    if (factor == "1.5") x2 = false;
    else if (factor == "2.0" || factor == "2") x2 = true;
    else return usageError("--factor must be 1.5 or 2.0");
    if (in.empty() || out.empty()) return usageError("IN and OUT are needed");

    QImage picture;
    if (const std::string error = readPicture(in, picture); !error.empty()) {
        std::fprintf(stderr, "drtool brighten: cannot read %s: %s\n", in.c_str(), error.c_str());
        return 1;
    }
    // Rows of blue-green-red bytes, as the viewer hands them to the transform.
    picture = picture.convertToFormat(QImage::Format_BGR888);
    const auto stride = static_cast<std::size_t>(picture.bytesPerLine());
    const auto rows = static_cast<std::size_t>(picture.height());
    if (integer) BrightenPictureInteger(picture.bits(), stride, rows, x2);
    else BrightenPicture(picture.bits(), stride, rows, x2);

    // Encoded in memory, then written whole: a full disk never leaves half a PNG.
    QString why;
    const QByteArray png = EncodePicture(picture, "png", -1, &why);
    if (png.isEmpty()) {
        std::fprintf(stderr, "drtool brighten: cannot encode %s: %s\n", out.c_str(), why.toLocal8Bit().constData());
        return 1;
    }
    const Status written =
        ReplaceFileContents(out, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
    if (!written) {
        std::fprintf(stderr, "drtool brighten: cannot write %s: %s\n", out.c_str(), written.message.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

DRV_CLI_PICTURE_COMMAND(brighten, "brighten", kUsage, runBrighten);

}  // namespace drv::cli

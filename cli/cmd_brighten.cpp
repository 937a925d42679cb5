// drtool brighten: runs the brightening over one picture and writes a lossless PNG, so the
// transform can be checked from outside the viewer.
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "core/common/file_write.h"
#include "core/viewer/brightness.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage = "brighten --factor 1.5|2.0 [--integer] IN OUT.png";

int usageError(const std::string& why) { return UsageError("brighten", kUsage, why); }

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
    if (factor == "1.5")
        x2 = false;
    else if (factor == "2.0" || factor == "2")
        x2 = true;
    else
        return usageError("--factor must be 1.5 or 2.0");
    if (in.empty() || out.empty()) return usageError("IN and OUT are needed");

    QImageReader reader(QFile::decodeName(QByteArray(in.c_str())));  // names are bytes
    QImage picture = reader.read();
    if (picture.isNull()) {
        std::fprintf(stderr, "drtool brighten: cannot read %s: %s\n", in.c_str(),
                     reader.errorString().toLocal8Bit().constData());
        return 1;
    }
    // Rows of blue-green-red bytes, as the viewer hands them to the transform.
    picture = picture.convertToFormat(QImage::Format_BGR888);
    const auto stride = static_cast<std::size_t>(picture.bytesPerLine());
    const auto rows = static_cast<std::size_t>(picture.height());
    if (integer)
        BrightenPictureInteger(picture.bits(), stride, rows, x2);
    else
        BrightenPicture(picture.bits(), stride, rows, x2);

    // Encoded in memory, then written whole: a full disk never leaves half a PNG.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture)) {
        std::fprintf(stderr, "drtool brighten: cannot encode %s: %s\n", out.c_str(),
                     writer.errorString().toLocal8Bit().constData());
        return 1;
    }
    const Status written = ReplaceFileContents(out, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
    if (!written) {
        std::fprintf(stderr, "drtool brighten: cannot write %s: %s\n", out.c_str(), written.message.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

DRV_CLI_PICTURE_COMMAND(brighten, "brighten", kUsage, runBrighten);

}  // namespace drv::cli

#pragma once
// Test pictures for the browsing windows, written with QImage into a temporary folder.
#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <string>

#include "gui/common/dialogs.h"

namespace drv::test {

class PictureFolder {
public:
    std::filesystem::path path() const { return QStringToPath(dir_.path()); }
    std::filesystem::path file(const std::string& name) const { return path() / name; }
    // A picture of one colour; its format follows the name's extension unless given.
    std::filesystem::path write(const std::string& name, int width, int height, QColor colour,
                                const char* format = "JPEG") const {
        QImage img(width, height, QImage::Format_RGB32);
        img.fill(colour);
        img.save(PathToQString(file(name)), format, 100);
        return file(name);
    }
    // Bytes that no decoder takes for a picture.
    std::filesystem::path writeGarbage(const std::string& name) const {
        QFile f(PathToQString(file(name)));
        f.open(QIODevice::WriteOnly);
        f.write("\xff\xd8\xff this is not a picture");
        return file(name);
    }

private:
    QTemporaryDir dir_;
};

// A colour that tells picture n from its neighbours after a lossy round trip.
inline QColor colourOf(int n) { return QColor((n * 53) % 256, (n * 97) % 256, (n * 151) % 256); }

inline bool closeTo(QColor a, QColor b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace drv::test

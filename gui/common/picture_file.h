#pragma once
// Pictures named by a card, decoded from their bytes: a path handed to Qt as text would lose a
// name that is not UTF-8, and a pipe named like a picture would block the reader.
#include <QImage>
#include <filesystem>
#include <functional>

class QImageReader;

namespace drv {

// The picture in `file` as stored (no orientation applied), or a null image when it cannot be
// read or decoded. `prepare` may set the reader up before it decodes (a scaled size, say).
QImage ReadPicture(const std::filesystem::path& file, const std::function<void(QImageReader&)>& prepare = {});

}  // namespace drv

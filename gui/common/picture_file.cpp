#include "gui/common/picture_file.h"

#include <QBuffer>
#include <QImageReader>

#include "core/common/file_read.h"

namespace drv {

QImage ReadPicture(const std::filesystem::path& file, const std::function<void(QImageReader&)>& prepare) {
    const std::string bytes = ReadRegularFile(file, kMaxPictureFileBytes);
    if (bytes.empty()) return {};
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    if (prepare) prepare(reader);
    return reader.read();
}

}  // namespace drv

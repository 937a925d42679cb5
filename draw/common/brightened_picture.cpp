#include "draw/common/brightened_picture.h"

namespace drv {

QImage BrightenedPicture(QImage picture, BrightnessMode mode) {
    if (mode == BrightnessMode::Standard || picture.isNull()) return picture;
    // Rows of blue, green, red bytes, as the brightening expects.
    picture.convertTo(QImage::Format_BGR888);
    BrightenPicture(picture.bits(), static_cast<std::size_t>(picture.bytesPerLine()),
                    static_cast<std::size_t>(picture.height()), mode == BrightnessMode::X20);
    // Painting scales 32-bit pixels on its fast path; three-byte pixels would be converted at every paint.
    picture.convertTo(QImage::Format_RGB32);
    return picture;
}

}  // namespace drv

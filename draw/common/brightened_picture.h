#pragma once
// The main picture's brightening applied to a QImage, for the window and the video alike.
#include <QImage>

#include "core/viewer/brightness.h"

namespace drv {

// The picture brightened as the main picture shows it (32-bit float arithmetic), in a format
// that paints fast; unchanged in the standard mode.
QImage BrightenedPicture(QImage picture, BrightnessMode mode);

}  // namespace drv

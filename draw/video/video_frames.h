#pragma once
// The pictures of an MP4 export: each frame as the main window shows it (brightened, stretched
// to the picture's 4:3 rectangle at 640 x 480), with the telemetry band painted over its foot.
// Plain functions on QImage, safe on a worker thread.
#include <QImage>

#include "core/video/video_export.h"
#include "core/viewer/brightness.h"

namespace drv {

// `decoded` brightened with the main window's arithmetic and stretched to 640 x 480, as
// QImage::Format_RGB32. A null picture stays null.
QImage VideoPicture(QImage decoded, BrightnessMode mode);

// Paints the telemetry band over the bottom kVideoBandHeight rows of a 640-pixel-wide RGB32
// picture; a red frame with the caption "トリガー" for a second from the trigger; and the
// caption "画像なし" on a frame whose picture repeats the one before.
void PaintOverlay(QImage& picture, const OverlayTexts& texts);

// The export's pictures drawn with the functions above, frames decoded by Qt's JPEG reader.
VideoDrawing QtVideoDrawing();

}  // namespace drv

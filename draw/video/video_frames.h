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

// Paints the telemetry band at the bottom of a 640 x 480 RGB32 picture, and a red frame with
// the caption "トリガー" on the trigger frame.
void PaintOverlay(QImage& picture, const OverlayTexts& texts);

// The export's pictures drawn with the functions above, frames decoded by Qt's JPEG reader.
VideoDrawing QtVideoDrawing();

}  // namespace drv

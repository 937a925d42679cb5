#pragma once
// The window's MP4 export: the export pipeline with the drawing library's pictures.
#include "core/video/video_export.h"
#include "draw/video/video_frames.h"

namespace drv {

inline VideoExportResult ExportVideo(const Recording& recording, const VideoExportRequest& request,
                                     const VideoExportProgress& progress = {}) {
    return ExportVideo(recording, request, QtVideoDrawing(), progress);
}

}  // namespace drv

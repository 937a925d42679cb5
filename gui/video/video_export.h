#pragma once
// An MP4 export of a recording, frame by frame through the same pipeline for the viewer and
// `drtool video`: read and decode each JPEG, brighten and stretch it as the main picture,
// paint the telemetry band, encode. Runs on whatever thread calls it (never the interface's).
#include <filesystem>
#include <functional>

#include "core/app/recording.h"
#include "core/video/video_encoder.h"
#include "core/video/video_plan.h"
#include "core/viewer/brightness.h"

namespace drv {

struct VideoExportRequest {
    FrameRange range;                                       // within 1..N
    bool overlay = true;                                    // the telemetry band
    BrightnessMode brightness = BrightnessMode::Standard;
    int crf = kDefaultCrf;
    std::filesystem::path target;                           // the .mp4 to write
};

struct VideoExportResult {
    VideoResult result;
    int frames = 0;       // frames in the file
    int undecodable = 0;  // frames whose picture could not be read: the one before stands in
};

// Called after each frame with the frames done and their total; returning false cancels.
using VideoExportProgress = std::function<bool(int done, int total)>;

// Writes the frames of `request.range` to `request.target` at the recording's own rate
// (frames / fps seconds long). Cancelled or failed, no file is left behind.
VideoExportResult ExportVideo(const Recording& recording, const VideoExportRequest& request,
                              const VideoExportProgress& progress = {}, FileWriteFunction write = {});

}  // namespace drv

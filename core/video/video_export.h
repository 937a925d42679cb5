#pragma once
// An MP4 export of a recording, frame by frame through the same pipeline for the viewer and
// `drtool video`: read and decode each JPEG, brighten and stretch it as the main picture,
// paint the telemetry band, encode. Runs on whatever thread calls it (never the interface's).
// The pictures are drawn by the caller's functions (the drawing library's), so that this
// pipeline needs neither Qt nor a window.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/recording/recording.h"
#include "core/video/video_encoder.h"
#include "core/video/video_plan.h"
#include "core/viewer/brightness.h"

namespace drv {

inline constexpr int kVideoWidth = 640;
inline constexpr int kVideoHeight = 480;
inline constexpr int kVideoBandHeight = 68;

// Where the telemetry band goes: over the foot of the picture (a 640 x 480 video), or below
// it, hiding nothing (640 x 548).
enum class BandPlacement { Over, Below };

struct VideoExportRequest {
    FrameRange range;     // within 1..N
    bool overlay = true;  // the telemetry band
    BrightnessMode brightness = BrightnessMode::Standard;
    int crf = kDefaultCrf;
    std::filesystem::path target;  // the .mp4 to write
    BandPlacement band = BandPlacement::Over;
};

struct VideoExportResult {
    VideoResult result;
    int frames = 0;                     // frames in the file
    int undecodable = 0;                // frames whose picture could not be read: the one before stands in
    std::vector<int> noPictureFrames;   // those frames' numbers
    std::vector<int> unknownTelemetry;  // frames whose band shows no values: their telemetry is unreadable
};

// The video's height for a request: the picture's, and the band's below it.
int VideoHeight(const VideoExportRequest& request);

// The closing note of an export for people, in English for drtool or Japanese for the window:
// the frames whose picture or telemetry is missing; empty when every frame had both.
std::string VideoExportNote(const VideoExportResult& result, bool japanese);

// Pixels to draw on: 32-bit (PixelLayout::Rgb32), rows `stride` bytes apart, kept alive by
// `owner` (or by whoever lent them). No pixels: the picture could not be read.
struct VideoCanvas {
    std::uint8_t* pixels = nullptr;
    std::size_t stride = 0;
    int width = 0;
    int height = 0;
    std::shared_ptr<void> owner;
    explicit operator bool() const { return pixels != nullptr; }
};

// Whether a frame file that could not be read has vanished (the card was pulled, the folder
// removed) rather than holding something that is not a picture.
bool FrameFileGone(const std::filesystem::path& file);

// How the pictures are drawn; both are called on helper threads, several at once.
struct VideoDrawing {
    // A frame file's bytes decoded (by the bounded decoder), brightened and stretched to
    // kVideoWidth x kVideoHeight: for brightening, and for the JPEGs whose planes the export
    // does not take as they are (grey, CMYK, unusual sampling).
    std::function<VideoCanvas(std::span<const std::uint8_t> bytes, BrightnessMode mode)> picture;
    // Paints the telemetry band over the canvas's foot (its last kVideoBandHeight rows) and the
    // marks the texts ask for (those are only asked for on a canvas of the whole picture).
    std::function<void(VideoCanvas& canvas, const OverlayTexts& texts)> band;
};

// Called after each frame with the frames done and their total; returning false cancels.
using VideoExportProgress = std::function<bool(int done, int total)>;

// Writes the frames of `request.range` to `request.target` at the recording's own rate
// (frames / fps seconds long). Cancelled or failed, no file is left behind.
VideoExportResult ExportVideo(const Recording& recording, const VideoExportRequest& request,
                              const VideoDrawing& drawing, const VideoExportProgress& progress = {});

}  // namespace drv

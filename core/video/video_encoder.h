#pragma once
// MP4 files that any phone plays: H.264 (High profile, yuv420p) through libx264, a constant
// frame rate, the index at the front. Frames come in as plain pixel buffers; the file goes
// through the one writer (core/common/file_write.h): a temporary file beside the target, renamed
// when it is complete, so a cancelled or failed export leaves nothing behind. Tests play a full
// disk through that writer's seam.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace drv {

struct YuvPicture;

enum class VideoStatus {
    Ok,
    Cancelled,
    CannotWrite,    // the folder or file cannot be created or written (permissions, not a folder, ...)
    DiskFull,       // no space left (or the quota is used up)
    EncoderFailed,  // the codec or muxer refused (libx264 missing, bad settings)
    FrameGone,      // a frame file vanished during the export (the card was pulled)
};

struct VideoResult {
    VideoStatus status = VideoStatus::Ok;
    std::string detail;  // the system's or the library's reason, for the message
    bool ok() const { return status == VideoStatus::Ok; }
};

struct VideoSettings {
    int width = 640;
    int height = 480;
    int fps = 14;                     // frames per second, constant
    int crf = 23;                     // libx264's constant rate factor, kMinCrf..kMaxCrf
    std::string preset = "veryfast";  // libx264's speed preset
    std::string title;                // metadata, UTF-8
    std::string creationTime;         // metadata, ISO 8601 in UTC ("2007-10-09T19:18:00Z"); empty: none
};

inline constexpr int kDefaultCrf = 23;
// libx264 takes 0..51 for 8-bit video, but 0 is lossless, which the High profile that phones
// play does not allow.
inline constexpr int kMinCrf = 1;
inline constexpr int kMaxCrf = 51;

// How a frame's bytes are laid out.
enum class PixelLayout {
    Bgr24,  // three bytes per pixel: blue, green, red
    Rgb32,  // one native-endian 32-bit word per pixel, 0xffRRGGBB (QImage::Format_RGB32)
};

class VideoEncoder {
public:
    VideoEncoder();
    ~VideoEncoder();  // an unfinished file is removed
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Creates the temporary file beside `target` and prepares the codec.
    VideoResult open(const std::filesystem::path& target, const VideoSettings& settings);
    // One frame of settings.width x settings.height pixels; rows `bytesPerRow` apart.
    VideoResult addFrame(const std::uint8_t* pixels, std::size_t bytesPerRow, PixelLayout layout);
    // One frame already in the encoder's form, of settings.width x settings.height.
    VideoResult addFrame(const YuvPicture& picture);
    // Encodes what is pending, writes the index, flushes to disk and renames the file into place.
    VideoResult finish();
    // Stops and removes the temporary file; the target is left as it was.
    void cancel();

    int framesWritten() const;

private:
    VideoResult openFile(const std::filesystem::path& target, const VideoSettings& settings);

    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace drv

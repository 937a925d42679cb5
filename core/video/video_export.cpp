#include "core/video/video_export.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "core/common/file_read.h"
#include "core/video/yuv_picture.h"

namespace drv {

namespace {

// A frame's picture as the encoder takes it; none when the file holds no picture it can show,
// and `gone` when the file is not there at all.
struct PreparedFrame {
    YuvPicture picture;
    bool gone = false;
};

// Frames are read, decoded, brightened and painted by helper threads a few frames ahead of
// the encoder, which takes them strictly in order: decoding and painting cost about as much
// as encoding, and would otherwise leave a core idle.
class FramePipeline {
public:
    using Make = std::function<PreparedFrame(int index)>;

    FramePipeline(FrameRange range, Make make)
        : make_(std::move(make)), next_(range.first), last_(range.last), wanted_(range.first) {
        const int workers = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
        for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { run(); });
    }
    ~FramePipeline() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : workers_) t.join();
    }

    // The picture of `index`, the frame after the one taken before (null: not decodable).
    PreparedFrame take(int index) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ready_.count(index) > 0; });
        PreparedFrame picture = std::move(ready_[index]);
        ready_.erase(index);
        wanted_ = index + 1;
        lock.unlock();
        changed_.notify_all();
        return picture;
    }

private:
    static constexpr int kAhead = 6;  // frames prepared beyond the one the encoder waits for

    void run() {
        for (;;) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || next_ > last_ || next_ <= wanted_ + kAhead; });
            if (stop_ || next_ > last_) return;
            const int index = next_++;
            lock.unlock();
            PreparedFrame picture = make_(index);
            lock.lock();
            ready_[index] = std::move(picture);
            lock.unlock();
            changed_.notify_all();
        }
    }

    Make make_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<int, PreparedFrame> ready_;
    int next_;  // the next frame a helper takes up
    int last_;
    int wanted_;  // the frame the encoder waits for
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace

bool FrameFileGone(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) return false;
    // A missing name, or a medium that no longer answers.
    return errno == ENOENT || errno == ENOTDIR || errno == EIO || errno == ENODEV || errno == ENXIO || errno == ESTALE;
}

int VideoHeight(const VideoExportRequest& request) {
    return request.overlay && request.band == BandPlacement::Below ? kVideoHeight + kVideoBandHeight : kVideoHeight;
}

std::string VideoExportNote(const VideoExportResult& result, bool japanese) {
    std::string note;
    auto line = [&](const std::vector<int>& frames, const char* english, const char* japaneseText) {
        if (frames.empty()) return;
        if (!note.empty()) note += "\n";
        note += (japanese ? japaneseText : english) + FrameListText(frames);
    };
    line(result.noPictureFrames, "no picture of their own (the one before stands in, marked 画像なし): frames ",
         "画像を読み込めず、直前の画像で補ったコマ(画像なし): ");
    line(result.unknownTelemetry, "no readable telemetry (shown as ----): frames ",
         "撮影データを読み込めなかったコマ(----と表示): ");
    return note;
}

VideoExportResult ExportVideo(const Recording& recording, const VideoExportRequest& request,
                              const VideoDrawing& drawing, const VideoExportProgress& progress) {
    VideoExportResult out;
    const FrameRange range = request.range;
    if (range.first < 1 || range.last > recording.frameCount() || range.count() < 1) {
        out.result = {VideoStatus::EncoderFailed, "no frames in the range"};
        return out;
    }
    VideoSettings settings;
    settings.width = kVideoWidth;
    settings.height = VideoHeight(request);
    settings.fps = VideoFps(recording.state);
    settings.crf = request.crf;
    settings.title = VideoTitle(recording);
    settings.creationTime = VideoCreationTime(recording, range.first);

    VideoEncoder encoder;
    out.result = encoder.open(request.target, settings);
    if (!out.result.ok()) return out;

    const int height = settings.height;
    // The frame's picture at the top of the video's picture: straight from the JPEG's planes
    // where nothing is drawn into the picture itself. Brightening works on RGB, as on screen,
    // and so do the JPEGs whose planes are of another kind (grey, CMYK, unusual sampling).
    auto pictureOf = [&](int index) {
        PreparedFrame frame;
        const std::filesystem::path file = recording.framePath(index);
        const std::string bytes = ReadRegularFile(file, kMaxPictureFileBytes);
        if (bytes.empty()) {
            frame.gone = FrameFileGone(file);
            return frame;
        }
        const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        bool viaRgb = request.brightness != BrightnessMode::Standard;
        if (!viaRgb) {
            const JpegPlanes planes = DecodeJpegPlanes(data);
            if (planes.ok()) frame.picture = YuvFromJpegPlanes(planes, kVideoWidth, kVideoHeight, height);
            viaRgb = planes.otherKind;  // damaged or beyond the bounds: no picture at all
        }
        if (viaRgb) {
            const VideoCanvas rgb = drawing.picture(data, request.brightness);
            if (rgb) {
                frame.picture = BlackYuvPicture(kVideoWidth, height);
                Rgb32ToYuvRows(rgb.pixels, rgb.stride, frame.picture, 0, kVideoHeight);
            }
        }
        return frame;
    };
    // The band shows this frame's telemetry, whatever picture stands in. It is drawn in RGB on a
    // strip of the band's rows; on the whole picture only when a mark goes over the picture.
    auto band = [&](YuvPicture& picture, int index, bool noPicture) {
        if (!request.overlay) return;
        OverlayTexts texts = ComputeOverlayTexts(recording, index);
        texts.noPicture = noPicture;
        const int top = texts.triggerMark || texts.noPicture ? 0 : height - kVideoBandHeight;
        thread_local std::vector<std::uint8_t> strip;
        VideoCanvas canvas;
        canvas.width = kVideoWidth;
        canvas.height = height - top;
        canvas.stride = static_cast<std::size_t>(kVideoWidth) * 4;
        strip.resize(canvas.stride * static_cast<std::size_t>(canvas.height));
        canvas.pixels = strip.data();
        YuvRowsToRgb32(picture, top, canvas.height, canvas.pixels, canvas.stride);
        drawing.band(canvas, texts);
        Rgb32ToYuvRows(canvas.pixels, canvas.stride, picture, top, canvas.height);
    };
    FramePipeline pipeline(range, [&](int index) {
        PreparedFrame frame = pictureOf(index);
        if (frame.picture) band(frame.picture, index, false);
        return frame;
    });

    int lastGood = 0;  // the frame whose picture stands in for one that cannot be read
    const int total = range.count();
    for (int index = range.first; index <= range.last; ++index) {
        PreparedFrame frame = pipeline.take(index);
        if (frame.gone) {
            // A picture that is not there any more would turn the rest of the video into one
            // still picture: the export fails rather than pass for a recording.
            encoder.cancel();
            out.result = {VideoStatus::FrameGone, "frame " + std::to_string(index) + " (" +
                                                      recording.fileNames.at(static_cast<std::size_t>(index)).string() +
                                                      ") is gone"};
            return out;
        }
        YuvPicture& picture = frame.picture;
        if (picture) {
            lastGood = index;
        } else {
            // Timing holds: the frame is there, with the picture before it (read again: keeping
            // a clean copy of every frame would cost more than this rare case).
            ++out.undecodable;
            out.noPictureFrames.push_back(index);
            if (lastGood) picture = pictureOf(lastGood).picture;
            if (!picture) picture = BlackYuvPicture(kVideoWidth, height);  // nothing before it could be read
            band(picture, index, true);
        }
        if (!ComputeOverlayTexts(recording, index).telemetryKnown) out.unknownTelemetry.push_back(index);
        out.result = encoder.addFrame(picture);
        if (!out.result.ok()) return out;
        if (progress && !progress(index - range.first + 1, total)) {
            encoder.cancel();
            out.result = {VideoStatus::Cancelled, {}};
            return out;
        }
    }
    out.result = encoder.finish();
    if (out.result.ok()) out.frames = encoder.framesWritten();
    return out;
}

}  // namespace drv

#include "gui/video/video_export.h"

#include <QImage>

#include "gui/video/video_frames.h"
#include "gui/viewer/frame_prefetcher.h"

namespace drv {

VideoExportResult ExportVideo(const Recording& recording, const VideoExportRequest& request,
                              const VideoExportProgress& progress, FileWriteFunction write) {
    VideoExportResult out;
    const FrameRange range = request.range;
    if (range.first < 1 || range.last > recording.frameCount() || range.count() < 1) {
        out.result = {VideoStatus::EncoderFailed, "no frames in the range"};
        return out;
    }
    VideoSettings settings;
    settings.width = kVideoWidth;
    settings.height = kVideoHeight;
    settings.fps = VideoFps(recording.state);
    settings.crf = request.crf;
    settings.title = VideoTitle(recording);
    settings.creationTime = VideoCreationTime(recording, range.first);

    VideoEncoder encoder(std::move(write));
    out.result = encoder.open(request.target, settings);
    if (!out.result.ok()) return out;

    const FileFrameSource files;
    // An unreadable first frame has no picture before it: black stands in.
    QImage previous(kVideoWidth, kVideoHeight, QImage::Format_RGB32);
    previous.fill(Qt::black);
    const int total = range.count();
    for (int index = range.first; index <= range.last; ++index) {
        QImage picture = VideoPicture(decodeFrame(files, recording.framePath(index)), request.brightness);
        if (picture.isNull()) {
            ++out.undecodable;
            picture = previous;  // timing holds: the frame is there, with the last picture
        } else {
            previous = picture;
        }
        // The band shows this frame's telemetry, whatever picture stands in.
        if (request.overlay) PaintOverlay(picture, ComputeOverlayTexts(recording, index));
        out.result = encoder.addFrame(picture.constBits(), static_cast<std::size_t>(picture.bytesPerLine()),
                                      PixelLayout::Rgb32);
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

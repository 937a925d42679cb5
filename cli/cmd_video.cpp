// drtool video: a recording, or part of it, as an MP4 that any phone plays, through the
// viewer's export pipeline.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/command.h"
#include "core/loading/recording_dump.h"
#include "core/video/video_export.h"
#include "draw/video/video_frames.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage =
    "video FOLDER -o OUT.mp4 [--from N] [--to M] [--overlay] [--brightness 1.5|2.0] [--crf N]";

int usageError(const std::string& message) {
    std::fprintf(stderr, "drtool video: %s\nusage: drtool %s\n", message.c_str(), kUsage);
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "drtool video: %s\n", message.c_str());
    return 1;
}

const char* statusText(VideoStatus status) {
    switch (status) {
        case VideoStatus::Ok: return "done";
        case VideoStatus::Cancelled: return "cancelled";
        case VideoStatus::CannotWrite: return "cannot write";
        case VideoStatus::DiskFull: return "disk full";
        case VideoStatus::EncoderFailed: return "encoding failed";
    }
    return "failed";
}

int runVideo(const Args& args) {
    std::string folder, output;
    int from = 0, to = 0;
    VideoExportRequest request;
    request.overlay = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-o" || a == "--output") {
            if (!hasValue || args[i + 1].empty()) return usageError("-o needs a file name");
            output = args[++i];
        } else if (a == "--from" || a == "--to") {
            int n = 0;
            if (!hasValue || !ParseInt(args[++i], n) || n < 1) return usageError(a + " needs a frame number from 1");
            (a == "--from" ? from : to) = n;
        } else if (a == "--overlay") {
            request.overlay = true;
        } else if (a == "--brightness") {
            const std::string v = hasValue ? args[++i] : "";
            if (v == "1.5") request.brightness = BrightnessMode::X15;
            else if (v == "2.0" || v == "2") request.brightness = BrightnessMode::X20;
            else return usageError("--brightness is 1.5 or 2.0");
        } else if (a == "--crf") {
            if (!hasValue || !ParseInt(args[++i], request.crf) || request.crf < 0 || request.crf > 51)
                return usageError("--crf is a number from 0 to 51");
        } else if (folder.empty() && !a.empty() && a[0] != '-') {
            folder = a;
        } else {
            return usageError("unexpected argument '" + a + "'");
        }
    }
    if (folder.empty()) return usageError("no folder given");
    if (output.empty()) return usageError("no -o OUT.mp4 given");

    Recording recording;
    std::string error;
    if (!LoadRecordingFolder(folder, recording, &error)) return fail(error);
    const int n = recording.frameCount();
    request.range = {from ? from : 1, to ? to : n};
    if (request.range.last > n || request.range.first > request.range.last)
        return fail("frames " + std::to_string(request.range.first) + " to " + std::to_string(request.range.last) +
                    " are not within the recording's 1 to " + std::to_string(n));
    request.target = output;

    // A progress line for people; logs and pipes get none.
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    int shown = -1;
    const VideoExportResult result = ExportVideo(recording, request, QtVideoDrawing(), [&](int done, int total) {
        const int percent = done * 100 / total;
        if (terminal && percent != shown) {
            std::fprintf(stderr, "\rdrtool video: %3d%% (%d/%d frames)", percent, done, total);
            std::fflush(stderr);
            shown = percent;
        }
        return true;
    });
    if (terminal) std::fprintf(stderr, "\n");
    if (!result.result.ok())
        return fail(std::string(statusText(result.result.status)) + ": " + output + ": " + result.result.detail);
    if (result.undecodable > 0)
        std::fprintf(stderr, "drtool video: note: %d frame(s) could not be decoded; the picture before stands in\n",
                     result.undecodable);
    return 0;
}

}  // namespace

DRV_CLI_PICTURE_COMMAND(video, "video", kUsage, runVideo);

}  // namespace drv::cli

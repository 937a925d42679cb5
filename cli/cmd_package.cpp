// drtool package: a recording's original frames and what was made of them, in one ZIP with
// the SHA-256 sums that prove them unchanged.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/options.h"
#include "core/recording/recording_dump.h"
#include "draw/report/evidence_package.h"
#include "gui/video/video_export.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage =
    "package FOLDER -o OUT.zip [--brightness 1.5|2.0] [--note TEXT] [--no-video] "
    "[--tiles none|gsi|gsi-pale|osm|URL] [--no-map]";

int usageError(const std::string& message) { return UsageError("package", kUsage, message); }
int fail(const std::string& message) { return Failure("package", message); }

int runPackage(const Args& args) {
    FolderAndOutput given;
    EvidenceRequest request;
    bool video = true;
    ReportMapOptions map;
    const std::string wrong = ReadArguments(args, given, "OUT.zip", [&](std::size_t& i, std::string& error) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--brightness") {
            if (!hasValue || !ParseBrightness(args[++i], request.look.brightness)) error = "--brightness is 1.5 or 2.0";
        } else if (a == "--note") {
            if (hasValue) request.choices.note = args[++i];
            else error = "--note needs a text";
        } else if (a == "--no-video") {
            video = false;
        } else {
            return map.take(args, i, error);
        }
        return true;
    });
    if (!wrong.empty()) return usageError(wrong);
    const std::string& folder = given.folder;
    const std::string& output = given.output;

    Recording recording;
    if (const Status loaded = LoadRecordingFolder(folder, recording); !loaded) return fail(loaded.message);
    request.look.paintMap = map.painter(recording, "package");
    // The video as the export dialog makes it by default: the whole recording with its band,
    // brightened as the report's frames.
    if (video)
        request.makeVideo = [&](const std::filesystem::path& mp4, const std::function<bool(double)>& progress,
                                std::string& videoError) {
            VideoExportRequest v;
            v.range = {1, recording.frameCount()};
            v.brightness = request.look.brightness;
            v.target = mp4;
            const VideoExportResult made =
                ExportVideo(recording, v, [&](int done, int total) { return progress(double(done) / total); });
            if (made.result.ok()) return true;
            videoError = made.result.status == VideoStatus::Cancelled ? ""
                         : made.result.detail.empty()                 ? std::string("encoding failed")
                                                                      : made.result.detail;
            return false;
        };

    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    int shown = -1;
    const PackageResult result = WriteEvidencePackage(recording, request, output, [&](double done) {
        const int percent = static_cast<int>(done * 100);
        if (terminal && percent != shown) {
            std::fprintf(stderr, "\rdrtool package: %3d%%", percent);
            std::fflush(stderr);
            shown = percent;
        }
        return true;
    });
    if (terminal) std::fprintf(stderr, "\n");
    if (!result.ok()) return fail(result.detail);
    std::printf("%s: %d frames, the report%s, the telemetry and their SHA256SUMS\n", output.c_str(),
                recording.frameCount(), video ? ", the video" : "");
    return 0;
}

}  // namespace

DRV_CLI_PICTURE_COMMAND(package, "package", kUsage, runPackage);

}  // namespace drv::cli

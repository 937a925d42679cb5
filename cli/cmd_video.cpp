// drtool video: a recording, or part of it, as an MP4 that any phone plays, through the
// viewer's export pipeline.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>

#include "cli/options.h"
#include "core/common/file_names.h"
#include "core/recording/recording_dump.h"
#include "core/video/video_export.h"
#include "draw/video/video_frames.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage =
    "video FOLDER -o OUT.mp4 [--from N] [--to M] [--overlay] [--band over|below] [--brightness 1.5|2.0] "
    "[--crf 1..51]";

// Ctrl-C, a terminal hang-up and a polite kill cancel like the window's Cancel: the signal is
// noted here and the export, which asks after every frame, stops and removes its file.
volatile std::sig_atomic_t gStopSignal = 0;

void noteStopSignal(int signal) { gStopSignal = signal; }

class StopSignals {
public:
    StopSignals() {
        struct sigaction note {};
        note.sa_handler = noteStopSignal;
        sigemptyset(&note.sa_mask);
        note.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], nullptr, &before_[i]);
            // A signal ignored on entry stays ignored (nohup, a background job's Ctrl-C).
            if (before_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &note, nullptr);
        }
    }
    ~StopSignals() { restore(); }
    void restore() {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &before_[i], nullptr);
    }

    // After the export is cleaned up: ends the way the signal would have ended the program, so
    // that a shell sees 128 + its number and a script loop stops.
    int endBySignal() {
        const int signal = gStopSignal;
        restore();
        std::raise(signal);
        return 128 + signal;  // the signal was caught after all
    }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction before_[std::size(kSignals)]{};
};

bool endsWithJpg(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return tail == ".jpg";
}

// Whether writing `target` would put a file into the recording that its listing takes for a
// frame (or replace one of its frames). Symbolic links are followed, as the write follows them.
bool targetIsAFrame(const std::filesystem::path& target, const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(target, ec), ec);
    if (ec) return false;
    const std::filesystem::path name = resolved.filename();
    if (IsHiddenName(name) || !endsWithJpg(name.native())) return false;
    return std::filesystem::equivalent(resolved.parent_path(), folder, ec);
}

int usageError(const std::string& message) { return UsageError("video", kUsage, message); }
int fail(const std::string& message) { return Failure("video", message); }

const char* statusText(VideoStatus status) {
    switch (status) {
        case VideoStatus::Ok: return "done";
        case VideoStatus::Cancelled: return "cancelled";
        case VideoStatus::CannotWrite: return "cannot write";
        case VideoStatus::DiskFull: return "disk full";
        case VideoStatus::EncoderFailed: return "encoding failed";
        case VideoStatus::FrameGone: return "the recording changed";
    }
    return "failed";
}

int runVideo(const Args& args) {
    FolderAndOutput given;
    int from = 0, to = 0;
    VideoExportRequest request;
    request.overlay = false;
    const std::string wrong = ReadArguments(args, given, "OUT.mp4", [&](std::size_t& i, std::string& error) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--from" || a == "--to") {
            int n = 0;
            if (!hasValue || !ParseInt(args[++i], n) || n < 1) error = a + " needs a frame number from 1";
            (a == "--from" ? from : to) = n;
        } else if (a == "--overlay") {
            request.overlay = true;
        } else if (a == "--band") {
            const std::string v = hasValue ? args[++i] : "";
            if (v == "over") request.band = BandPlacement::Over;
            else if (v == "below") request.band = BandPlacement::Below;
            else error = "--band is over or below";
        } else if (a == "--brightness") {
            if (!hasValue || !ParseBrightness(args[++i], request.brightness)) error = "--brightness is 1.5 or 2.0";
        } else if (a == "--crf") {
            if (!hasValue || !ParseInt(args[++i], request.crf) || request.crf < kMinCrf || request.crf > kMaxCrf)
                error = "--crf is a whole number from " + std::to_string(kMinCrf) + " (best) to " +
                        std::to_string(kMaxCrf) + " (smallest file)";
        } else {
            return false;
        }
        return true;
    });
    // An MP4 is finished by going back to its start; a pipe cannot do that.
    if (given.output == "-") return usageError("-o - is not supported: an MP4 needs a file, not standard output");
    if (!wrong.empty()) return usageError(wrong);
    const std::string& folder = given.folder;
    const std::string& output = given.output;
    if (from && to && from > to)
        return usageError("--from " + std::to_string(from) + " comes after --to " + std::to_string(to) +
                          ": the first frame must not be after the last");

    StopSignals stopSignals;
    Recording recording;
    if (const Status loaded = LoadRecordingFolder(folder, recording); !loaded) return fail(loaded.message);
    if (gStopSignal) return stopSignals.endBySignal();
    if (targetIsAFrame(output, recording.folder))
        return usageError(output + " would be a frame of the recording it is made from: write the video elsewhere");
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
        return gStopSignal == 0;
    });
    if (terminal) std::fprintf(stderr, "\n");
    if (result.result.status == VideoStatus::Cancelled && gStopSignal) return stopSignals.endBySignal();
    if (!result.result.ok())
        return fail(std::string(statusText(result.result.status)) + ": " + output + ": " + result.result.detail);
    const std::string note = VideoExportNote(result, false);
    for (std::size_t at = 0; at < note.size();) {
        const std::size_t end = std::min(note.find('\n', at), note.size());
        std::fprintf(stderr, "drtool video: note: %s\n", note.substr(at, end - at).c_str());
        at = end + 1;
    }
    return 0;
}

}  // namespace

DRV_CLI_PICTURE_COMMAND(video, "video", kUsage, runVideo);

}  // namespace drv::cli

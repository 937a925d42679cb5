#pragma once
// The whole evidence package of a recording: its original frames, the report PDF, the MP4
// with the telemetry band, the telemetry CSV and SHA256SUMS, in one ZIP. Runs on whatever
// thread calls it (never the interface's).
#include <filesystem>
#include <functional>
#include <string>

#include "core/recording/recording.h"
#include "core/report/package.h"
#include "core/report/report_content.h"
#include "draw/report/report_pages.h"

namespace drv {

// Writes the recording's video to `mp4`, reporting its share done (0..1; false cancels);
// false with the reason in `error`, or with `error` empty when cancelled.
using VideoMaker = std::function<bool(const std::filesystem::path& mp4, const std::function<bool(double)>& progress,
                                      std::string& error)>;

struct EvidenceRequest {
    ReportChoices choices;
    ReportLook look;
    VideoMaker makeVideo;  // not set: the package holds no video
};

// Names inside the package besides the frames' folder.
inline constexpr const char* kPackageReportName = "report.pdf";
inline constexpr const char* kPackageVideoName = "video.mp4";
inline constexpr const char* kPackageCsvName = "telemetry.csv";

PackageResult WriteEvidencePackage(const Recording& recording, const EvidenceRequest& request,
                                   const std::filesystem::path& target, const PackageProgress& progress = {});

}  // namespace drv

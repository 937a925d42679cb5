// drtool report: the incident report of a recording as a PDF/A-1b file, as the viewer makes it.
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/options.h"
#include "core/common/file_write.h"
#include "core/recording/recording_dump.h"
#include "core/report/report_content.h"
#include "draw/report/report_pages.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage =
    "report FOLDER -o OUT.pdf [--brightness 1.5|2.0] [--seconds -2,-1,0,1,2] [--note TEXT] "
    "[--tiles none|gsi|gsi-pale|osm|URL] [--no-map]";

int usageError(const std::string& message) { return UsageError("report", kUsage, message); }
int fail(const std::string& message) { return Failure("report", message); }

// "-2,-1,0,1,2": one to nine offsets in seconds, each within a minute of the trigger.
bool parseSeconds(const std::string& text, std::vector<double>& out) {
    out.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string piece = text.substr(start, end - start);
        char* stop = nullptr;
        const double v = std::strtod(piece.c_str(), &stop);
        if (piece.empty() || stop != piece.c_str() + piece.size() || !std::isfinite(v) || std::fabs(v) > 60)
            return false;
        out.push_back(v);
        start = end + 1;
    }
    return !out.empty() && out.size() <= 9;
}

int runReport(const Args& args) {
    FolderAndOutput given;
    ReportChoices choices;
    ReportLook look;
    ReportMapOptions map;
    const std::string wrong = ReadArguments(args, given, "OUT.pdf", [&](std::size_t& i, std::string& error) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--brightness") {
            if (!hasValue || !ParseBrightness(args[++i], look.brightness)) error = "--brightness is 1.5 or 2.0";
        } else if (a == "--seconds") {
            if (!hasValue || !parseSeconds(args[++i], choices.offsetsSeconds))
                error = "--seconds is a list of 1 to 9 seconds from -60 to 60, such as -2,-1,0,1,2";
        } else if (a == "--note") {
            if (hasValue) choices.note = args[++i];
            else error = "--note needs a text";
        } else {
            return map.take(args, i, error);
        }
        return true;
    });
    if (!wrong.empty()) return usageError(wrong);
    const std::string& folder = given.folder;
    const std::string& output = given.output;

    Recording recording;
    std::string error;
    if (const Status loaded = LoadRecordingFolder(folder, recording); !loaded) return fail(loaded.message);
    const auto content = BuildReportContent(recording, choices);
    if (!content) return fail("cancelled");
    look.paintMap = map.painter(recording, "report");
    const auto pdf = ReportPdf(recording, *content, look, error);
    if (!pdf) return fail(error);
    if (const Status written =
            ReplaceFileContents(output, std::string_view(pdf->constData(), static_cast<std::size_t>(pdf->size())));
        !written)
        return fail(output + ": " + written.message);
    return 0;
}

}  // namespace

DRV_CLI_PICTURE_COMMAND(report, "report", kUsage, runReport);

}  // namespace drv::cli

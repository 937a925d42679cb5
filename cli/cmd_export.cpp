// drtool export: a recording's telemetry as CSV, GPX or KML, for spreadsheets and maps.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/command.h"
#include "core/recording/recording.h"
#include "core/common/file_write.h"
#include "core/export/telemetry_export.h"
#include "core/recording/recording_dump.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage = "export FOLDER --format csv|gpx|kml [-o FILE] [--utc-offset +HH:MM]";

int fail(const std::string& message) { return Failure("export", message); }

bool anyPosition(const Recording& recording) {
    for (int i = 1; i <= recording.frameCount() && static_cast<std::size_t>(i) < recording.frames.size(); ++i) {
        const FrameRecord& f = recording.frames[static_cast<std::size_t>(i)];
        if (f.position.valid) return true;
    }
    return false;
}

int runExport(const Args& args) {
    std::string folder;
    std::string output;
    std::optional<ExportFormat> format;
    std::optional<int> utcOffset;
    bool folderGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--format") {
            if (!hasValue || !(format = ParseExportFormat(args[++i])))
                return fail(std::string("--format is csv, gpx or kml\nusage: drtool ") + kUsage);
        } else if (a == "-o" || a == "--output") {
            if (!hasValue || args[i + 1].empty())
                return fail(std::string("-o needs a file name\nusage: drtool ") + kUsage);
            output = args[++i];
        } else if (a == "--utc-offset") {
            if (!hasValue || !(utcOffset = ParseUtcOffset(args[++i])))
                return fail(std::string("--utc-offset is +HH:MM or -HH:MM, at most 14:00 (for example +09:00)"));
        } else if (!folderGiven && !a.empty() && a[0] != '-') {
            folder = a;
            folderGiven = true;
        } else {
            return fail("unexpected argument '" + a + "'\nusage: drtool " + kUsage);
        }
    }
    if (!folderGiven) return fail(std::string("no folder given\nusage: drtool ") + kUsage);
    if (!format) return fail(std::string("no --format given\nusage: drtool ") + kUsage);

    Recording recording;
    if (const Status loaded = LoadRecordingFolder(folder, recording); !loaded) return fail(loaded.message);
    const std::string text = ExportTelemetry(recording, *format, utcOffset);
    if (*format != ExportFormat::Csv && !anyPosition(recording))
        std::fprintf(stderr, "drtool export: note: no frame has a position; the track is empty\n");

    if (output.empty() || output == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) return fail("cannot write to standard output");
        return 0;
    }
    if (const Status written = ReplaceFileContents(output, text); !written)
        return fail("cannot write " + output + ": " + written.message);
    return 0;
}

}  // namespace

DRV_CLI_COMMAND(exportTelemetry, "export", kUsage, runExport);

}  // namespace drv::cli

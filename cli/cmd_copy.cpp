// drtool copy: recordings off a card into folders of their own, verified by SHA-256.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/command.h"
#include "core/events/event_scan.h"
#include "core/events/recording_copy.h"
#include "core/recording/recording_loader.h"

namespace drv::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage = "copy ROOT-OR-FOLDER... -o DEST [--max-depth N]";

int usage(const std::string& message) { return UsageError("copy", kUsage, message); }

bool isRecording(const fs::path& folder) { return ListJpgFiles(folder).size() > 1; }

const char* endText(CopyEnd end) {
    switch (end) {
        case CopyEnd::Complete: return "done";
        case CopyEnd::Cancelled: return "cancelled";
        case CopyEnd::SourceUnreadable: return "cannot read";
        case CopyEnd::DestinationFull: return "no space left to write";
        case CopyEnd::DestinationFailed: return "cannot write";
        case CopyEnd::Mismatch: return "the copy differs from the original:";
    }
    return "";
}

int runCopy(const Args& args) {
    std::vector<fs::path> given;
    fs::path destination;
    int maxDepth = kDefaultEventDepth;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-o") {
            if (!hasValue || args[i + 1].empty()) return usage("-o needs a folder");
            destination = args[++i];
        } else if (a == "--max-depth") {
            if (!hasValue || !ParseDepth(args[++i], maxDepth)) return usage("--max-depth is a whole number from 0");
        } else if (!a.empty() && a[0] != '-') {
            given.emplace_back(a);
        } else {
            return usage("unexpected argument '" + a + "'");
        }
    }
    if (given.empty()) return usage("no folder given");
    if (destination.empty()) return usage("no destination (-o DEST)");

    // A recording is copied as it is; any other folder is a root whose recordings are copied.
    std::vector<fs::path> sources;
    for (const fs::path& folder : given) {
        const FolderWalk walk = FindFolders(folder, maxDepth);
        if (!walk.rootReadable) {
            std::fprintf(stderr, "drtool copy: cannot read the folder %s\n", folder.c_str());
            return 1;
        }
        for (const fs::path& relative : walk.unreadable)
            std::fprintf(stderr, "drtool copy: cannot read the folder %s\n", (folder / relative).c_str());
        for (const fs::path& relative : walk.folders) {
            const fs::path path = relative == "." ? folder : folder / relative;
            if (isRecording(path)) sources.push_back(path);
        }
    }
    if (sources.empty()) {
        std::fprintf(stderr, "drtool copy: no recording found\n");
        return 1;
    }
    std::error_code ec;
    fs::create_directories(destination, ec);

    CopyCallbacks callbacks;
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    if (terminal) {
        callbacks.progress = [&sources](std::uint64_t done, std::uint64_t total, int recording) {
            const int percent = total ? static_cast<int>(done * 100 / total) : 100;
            std::fprintf(stderr, "\r%d / %zu recordings, %d %%", std::min<int>(recording + 1, int(sources.size())),
                         sources.size(), percent);
        };
    }
    const CopyResult result = CopyRecordings(sources, destination, callbacks);
    if (terminal) std::fprintf(stderr, "\n");
    for (const CopiedRecording& c : result.copied)
        std::printf("%s -> %s (%d files, verified)\n", c.source.c_str(), c.destination.c_str(), c.files);
    std::fflush(stdout);
    if (result.end != CopyEnd::Complete) {
        std::fprintf(stderr, "drtool copy: %s %s%s%s; %zu of %zu recordings copied, nothing half-copied left\n",
                     endText(result.end), result.failedAt.c_str(), result.reason.empty() ? "" : ": ",
                     result.reason.c_str(), result.copied.size(), sources.size());
        return 1;
    }
    return 0;
}

}  // namespace

DRV_CLI_COMMAND(copy, "copy", kUsage, runCopy);

}  // namespace drv::cli

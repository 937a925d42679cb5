// drtool events: every recording below a folder (a card's root), one row each.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/command.h"
#include "core/events/event_report.h"
#include "core/events/event_scan.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage = "events ROOT [--format json|csv] [--excel] [--max-depth N]";

int usage(const std::string& message) { return UsageError("events", kUsage, message); }

int runEvents(const Args& args) {
    std::filesystem::path root;
    std::string format = "json";
    int maxDepth = kDefaultEventDepth;
    bool rootGiven = false;
    bool excel = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--format") {
            if (!hasValue || (args[i + 1] != "json" && args[i + 1] != "csv")) return usage("--format is json or csv");
            format = args[++i];
        } else if (a == "--excel") {
            excel = true;
        } else if (a == "--max-depth") {
            if (!hasValue || !ParseDepth(args[++i], maxDepth)) return usage("--max-depth is a whole number from 0");
        } else if (!rootGiven && !a.empty() && a[0] != '-') {
            root = a;
            rootGiven = true;
        } else {
            return usage("unexpected argument '" + a + "'");
        }
    }
    if (!rootGiven) return usage("no folder given");

    std::vector<EventSummary> rows;
    ScanCallbacks callbacks;
    callbacks.row = [&rows](EventSummary&& s) { rows.push_back(std::move(s)); };
    const ScanResult result = ScanEvents(root, maxDepth, callbacks);
    if (result.end == ScanEnd::RootUnreadable) {
        std::fprintf(stderr, "drtool events: cannot read the folder %s\n", root.c_str());
        return 1;
    }
    if (result.end == ScanEnd::RootVanished) {
        std::fprintf(stderr, "drtool events: %s went away during the scan\n", root.c_str());
        return 1;
    }
    if (excel && format != "csv") return usage("--excel goes with --format csv");
    // The CSV has no place for them, and a folder left out silently looks like no recording.
    if (format == "csv") {
        for (const auto& folder : result.unreadable)
            std::fprintf(stderr, "drtool events: cannot read the folder %s\n", (root / folder).c_str());
    }
    const std::string text = format == "json" ? EventsToJson(root, rows, result.unreadable) : EventsToCsv(rows, excel);
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "drtool events: cannot write to standard output\n");
        return 1;
    }
    return 0;
}

}  // namespace

DRV_CLI_COMMAND(events, "events", kUsage, runEvents);

}  // namespace drv::cli

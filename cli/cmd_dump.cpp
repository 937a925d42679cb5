// drtool dump: loads a recording folder as the viewer's Open command does and prints it.
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "core/recording/recording.h"
#include "core/recording/recording_dump.h"

namespace drv::cli {
namespace {

int runDump(const Args& args) {
    std::string folder;
    std::string format = "json";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--format" && i + 1 < args.size()) {
            format = args[++i];
        } else if (folder.empty() && !args[i].empty() && args[i][0] != '-') {
            folder = args[i];
        } else {
            std::fprintf(stderr, "drtool dump: unexpected argument '%s'\n", args[i].c_str());
            return 2;
        }
    }
    if (folder.empty() || (format != "json" && format != "csv")) {
        std::fprintf(stderr, "usage: drtool dump FOLDER [--format json|csv]\n");
        return 2;
    }
    Recording recording;
    if (const Status loaded = LoadRecordingFolder(folder, recording); !loaded) {
        std::fprintf(stderr, "drtool dump: %s\n", loaded.message.c_str());
        return 1;
    }

    const std::string text = format == "json" ? RecordingToJson(recording) : RecordingToCsv(recording);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

DRV_CLI_COMMAND(dump, "dump", "dump FOLDER [--format json|csv]", runDump);

}  // namespace drv::cli

// drtool sample: writes a plausible recorder event for demos and tests.
#include <cstdio>
#include <cstdint>
#include <ctime>
#include <string>

#include "cli/command.h"
#include "draw/sample/sample_recording.h"

namespace drv::cli {
namespace {

// "2007-10-10T04:18:00" (the recorder clock, written as UTC seconds) -> seconds since the epoch.
bool parseStart(const std::string& text, std::int64_t& out) {
    std::tm tm{};
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                    &tm.tm_min, &tm.tm_sec, &tail) != 6 ||
        tm.tm_year < 2000 || tm.tm_year > 2099)
        return false;
    const std::tm given = tm;
    tm.tm_year -= 1900, tm.tm_mon -= 1;
    const std::time_t t = ::timegm(&tm);
    // timegm normalises 02-30 into March: a date that moved was not a date.
    if (tm.tm_mday != given.tm_mday || tm.tm_mon != given.tm_mon - 1 || tm.tm_hour != given.tm_hour ||
        tm.tm_min != given.tm_min || tm.tm_sec != given.tm_sec)
        return false;
    out = static_cast<std::int64_t>(t);
    return true;
}

int usageError(const std::string& message) { return UsageError("sample", nullptr, message); }

int runSample(const Args& args) {
    SampleOptions o;
    std::string outDir;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--frames" || a == "--fps" || a == "--trigger" || a == "--rotate") {
            int n = 0;
            if (!value(v) || !ParseInt(v, n)) return usageError(a + " needs a number");
            (a == "--frames" ? o.frames : a == "--fps" ? o.fps : a == "--trigger" ? o.trigger : o.rotate) = n;
        } else if (a == "--quality") {
            if (!value(v) || (v != "low" && v != "high")) return usageError("--quality is low or high");
            o.highQuality = v == "high";
        } else if (a == "--kind") {
            if (!value(v)) return usageError("--kind needs a value");
            if (v == "switch") o.kind = SampleOptions::TriggerKind::Switch;
            else if (v == "shock") o.kind = SampleOptions::TriggerKind::Shock;
            else if (v == "power-cut") o.kind = SampleOptions::TriggerKind::PowerCut;
            else if (v == "none") o.kind = SampleOptions::TriggerKind::None;
            else return usageError("--kind is switch, shock, power-cut or none");
        } else if (a == "--start") {
            if (!value(v) || !parseStart(v, o.startTime))
                return usageError("--start is YYYY-MM-DDTHH:MM:SS, 2000..2099");
        } else if (a == "--byte-order") {
            if (!value(v) || (v != "II" && v != "MM")) return usageError("--byte-order is II or MM");
            o.bigEndian = v == "MM";
        } else if (a == "--no-vehicle-signals") {
            o.vehicleSignals = false;
        } else if (a == "--no-main-speed") {
            o.mainSpeed = false;
        } else if (a == "--no-pictures") {
            o.drawPictures = false;
        } else if (!a.empty() && a[0] == '-') {
            return usageError("unknown option " + a);
        } else if (outDir.empty()) {
            outDir = a;
        } else {
            return usageError("only one output folder");
        }
    }
    if (outDir.empty()) return usageError("no output folder given");
    std::string error;
    if (!MakeSampleRecording(outDir, o, &error)) {
        std::fprintf(stderr, "drtool sample: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

DRV_CLI_PICTURE_COMMAND(sample, "sample",
                        "sample OUTDIR [--frames N] [--fps 7|14] [--quality low|high] [--trigger K] "
                        "[--kind switch|shock|power-cut|none] [--no-vehicle-signals] [--no-main-speed] "
                        "[--byte-order II|MM] [--rotate K] [--no-pictures] [--start YYYY-MM-DDTHH:MM:SS]",
                        runSample);

}  // namespace drv::cli

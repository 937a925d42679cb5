// drtool setup: read and write the recorder's setup.dat without the settings window.
#include <charconv>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "core/settings/setup_file.h"

namespace drv::cli {
namespace {

const char* const kPulseCaptions[] = {"２", "４", "６", "８", "１６", "オート"};

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// YYYY-MM-DDTHH:MM:SS, a real calendar date and time of day.
bool parseClock(const std::string& text, ClockValue& c) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return false;
    if (!ParseInt(text.substr(0, 4), c.Year) || !ParseInt(text.substr(5, 2), c.Month) ||
        !ParseInt(text.substr(8, 2), c.Day) || !ParseInt(text.substr(11, 2), c.Hour) ||
        !ParseInt(text.substr(14, 2), c.Minute) || !ParseInt(text.substr(17, 2), c.Second))
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (c.Month < 1 || c.Month > 12) return false;
    const int days = kDays[c.Month - 1] + (c.Month == 2 && isLeap(c.Year) ? 1 : 0);
    return c.Day >= 1 && c.Day <= days && c.Hour >= 0 && c.Hour <= 23 && c.Minute >= 0 && c.Minute <= 59 &&
           c.Second >= 0 && c.Second <= 59;
}

const char* boolText(bool b) { return b ? "true" : "false"; }

int decode(const std::string& file) {
    SetupBytes bytes;
    if (const Status read = ReadSetupBytes(file, bytes); !read) {
        std::fprintf(stderr, "drtool setup: %s\n", read.message.c_str());
        return 1;
    }
    const auto s = DecodeSetup(bytes);
    if (!s) {
        std::fprintf(stderr, "drtool setup: %s holds %zu bytes; at least %zu are needed\n", file.c_str(), bytes.size(),
                     kSetupMinDecodable);
        return 1;
    }
    std::printf("{\n");
    std::printf("  \"DangerLevel\": %d,\n", s->DangerLevel);
    std::printf("  \"ShockLevel\": %d,\n", s->ShockLevel);
    std::printf("  \"SpeedPulse\": %d,\n", s->SpeedPulse);
    std::printf("  \"SpeedPulseCaption\": \"%s\",\n", kPulseCaptions[s->SpeedPulse]);
    std::printf("  \"BuzzerVolume\": %d,\n", s->BuzzerVolume);
    std::printf("  \"ExternalSwitch\": %s,\n", boolText(s->ExternalSwitch));
    std::printf("  \"DriveInfoUnit\": %s,\n", boolText(s->DriveInfoUnit));
    std::printf("  \"Rate14fps\": %s,\n", boolText(s->Rate14fps));
    std::printf("  \"QualityHigh\": %s,\n", boolText(s->QualityHigh));
    std::printf("  \"PreSeconds\": %d,\n", s->PreSeconds);
    std::printf("  \"PostSeconds\": %d,\n", s->PostSeconds);
    // The window never reads the clock request back; shown here for inspecting a card.
    bool clock = false;
    for (std::size_t i = 7; i <= 12 && bytes.size() >= 13; ++i) clock = clock || bytes[i] != 0;
    if (clock)
        std::printf("  \"ClockRequest\": \"%04d-%02d-%02dT%02d:%02d:%02d\",\n", 2000 + bytes[7], bytes[8], bytes[9],
                    bytes[10], bytes[11], bytes[12]);
    else std::printf("  \"ClockRequest\": null,\n");
    std::printf("  \"Length\": %zu,\n", bytes.size());
    if (bytes.size() >= kSetupSize)
        std::printf("  \"ChecksumValid\": %s\n", boolText(SetupChecksum(bytes) == bytes[13]));
    else std::printf("  \"ChecksumValid\": null\n");
    std::printf("}\n");
    return 0;
}

int usageError(const std::string& what) { return UsageError("setup", nullptr, what); }

int encode(const Args& args) {
    RecorderSettings s;
    std::string out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            if (!out.empty()) return usageError("more than one output file");
            out = a;
            continue;
        }
        if (i + 1 >= args.size()) return usageError(a + " needs a value");
        const std::string& v = args[++i];
        int n = 0;
        auto number = [&](int& field) {
            if (!ParseInt(v, n)) return false;
            field = n;
            return true;
        };
        auto flag = [&](bool& field) {
            if (v != "0" && v != "1") return false;
            field = v == "1";
            return true;
        };
        bool ok;
        if (a == "--danger") ok = number(s.DangerLevel);
        else if (a == "--shock") ok = number(s.ShockLevel);
        else if (a == "--speed-pulse") ok = number(s.SpeedPulse) && s.SpeedPulse >= 0 && s.SpeedPulse <= 5;
        else if (a == "--buzzer") ok = number(s.BuzzerVolume);
        else if (a == "--external-switch") ok = flag(s.ExternalSwitch);
        else if (a == "--drive-unit") ok = flag(s.DriveInfoUnit);
        else if (a == "--fps") ok = (v == "7" || v == "14") && ((s.Rate14fps = v == "14"), true);
        else if (a == "--quality") ok = (v == "low" || v == "high") && ((s.QualityHigh = v == "high"), true);
        else if (a == "--pre") ok = number(s.PreSeconds);
        else if (a == "--post") ok = number(s.PostSeconds);
        else if (a == "--clock") ok = parseClock(v, s.Clock) && ((s.ClockSet = true), true);
        else return usageError("unknown option " + a);
        if (!ok) return usageError("bad value '" + v + "' for " + a);
    }
    if (out.empty()) return usageError("no output file given");
    const EncodeResult encoded = EncodeSetup(s);
    if (!encoded.ok()) {
        std::fprintf(stderr, "drtool setup: %s\n", encoded.error.c_str());
        return 1;
    }
    const Status written = WriteSetupFile(out, encoded.bytes);
    if (!written) {
        std::fprintf(stderr, "drtool setup: %s\n", written.message.c_str());
        return 1;
    }
    return 0;
}

int runSetup(const Args& args) {
    if (args.size() == 2 && args[0] == "decode") return decode(args[1]);
    if (!args.empty() && args[0] == "encode") return encode(Args(args.begin() + 1, args.end()));
    return usageError(
        "usage: drtool setup decode FILE | drtool setup encode [--danger N] [--shock N] [--speed-pulse I] "
        "[--buzzer N] [--external-switch 0|1] [--drive-unit 0|1] [--fps 7|14] [--quality low|high] [--pre N] "
        "[--post N] [--clock YYYY-MM-DDTHH:MM:SS] OUT");
}

}  // namespace

DRV_CLI_COMMAND(setup, "setup",
                "setup decode FILE | setup encode [--danger N] [--shock N] [--speed-pulse I] [--buzzer N] "
                "[--external-switch 0|1] [--drive-unit 0|1] [--fps 7|14] [--quality low|high] [--pre N] [--post N] "
                "[--clock YYYY-MM-DDTHH:MM:SS] OUT",
                runSetup);

}  // namespace drv::cli

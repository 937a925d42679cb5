#include "core/events/event_report.h"

#include <charconv>
#include <cstdio>

#include "core/common/utf8.h"
#include "core/recording/recording_dump.h"

namespace drv {
namespace {

std::string nameText(const std::filesystem::path& path) { return ToValidUtf8(path.native()); }

std::string shortestDouble(double value) {
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

// The columns of both formats, in order: name and the value as a JSON token (null,
// true, a number or a quoted string) or a CSV cell.
struct Field {
    const char* name;
    std::string (*json)(const EventSummary&);
    std::string (*csv)(const EventSummary&);
};

template <typename T, typename F>
std::string orNull(const std::optional<T>& value, F format, const char* none = "null") {
    return value ? format(*value) : std::string(none);
}

std::string boolText(bool b) { return b ? "true" : "false"; }
std::string degrees(double d) { return FormatDegrees(d); }
std::string quotedTime(const std::optional<ClockTime>& t) { return t ? JsonString(EventTimeText(t)) : "null"; }

const Field kFields[] = {
    {"folder", [](const EventSummary& s) { return JsonString(nameText(s.folder)); },
     [](const EventSummary& s) { return CsvField(SpreadsheetText(nameText(s.folder))); }},
    {"frames", [](const EventSummary& s) { return std::to_string(s.frames); }, nullptr},
    {"firstShotAt", [](const EventSummary& s) { return quotedTime(s.firstShotAt); },
     [](const EventSummary& s) { return EventTimeText(s.firstShotAt); }},
    {"lengthSeconds", [](const EventSummary& s) { return shortestDouble(s.lengthSeconds); }, nullptr},
    {"highFrameRate", [](const EventSummary& s) { return boolText(s.highFrameRate); }, nullptr},
    {"highQuality", [](const EventSummary& s) { return boolText(s.highQuality); }, nullptr},
    {"triggerFound", [](const EventSummary& s) { return boolText(s.triggerFound); }, nullptr},
    {"triggerKind", [](const EventSummary& s) { return JsonString(s.triggerKind); },
     [](const EventSummary& s) { return CsvField(SpreadsheetText(s.triggerKind)); }},
    {"triggerFrame", [](const EventSummary& s) { return std::to_string(s.triggerFrame); }, nullptr},
    {"triggerAt", [](const EventSummary& s) { return quotedTime(s.triggerAt); },
     [](const EventSummary& s) { return EventTimeText(s.triggerAt); }},
    {"speedAtTrigger", [](const EventSummary& s) { return orNull(s.speedAtTrigger, ShortestFloat); },
     [](const EventSummary& s) { return orNull(s.speedAtTrigger, ShortestFloat, ""); }},
    {"maxSpeed", [](const EventSummary& s) { return orNull(s.maxSpeed, ShortestFloat); },
     [](const EventSummary& s) { return orNull(s.maxSpeed, ShortestFloat, ""); }},
    {"peakAccelLongitudinal", [](const EventSummary& s) { return ShortestFloat(s.peakAccelLongitudinal); }, nullptr},
    {"peakAccelLateral", [](const EventSummary& s) { return ShortestFloat(s.peakAccelLateral); }, nullptr},
    {"brakeAfterTrigger", [](const EventSummary& s) { return orNull(s.brakeAfterTrigger, boolText); },
     [](const EventSummary& s) { return orNull(s.brakeAfterTrigger, boolText, ""); }},
    {"brakeBeforeTrigger", [](const EventSummary& s) { return orNull(s.brakeBeforeTrigger, boolText); },
     [](const EventSummary& s) { return orNull(s.brakeBeforeTrigger, boolText, ""); }},
    {"latitude", [](const EventSummary& s) { return orNull(s.latitude, degrees); },
     [](const EventSummary& s) { return orNull(s.latitude, degrees, ""); }},
    {"longitude", [](const EventSummary& s) { return orNull(s.longitude, degrees); },
     [](const EventSummary& s) { return orNull(s.longitude, degrees, ""); }},
    {"damagedFrames", [](const EventSummary& s) { return std::to_string(s.damagedFrames); }, nullptr},
};

}  // namespace

std::string EventTimeText(const std::optional<ClockTime>& time) {
    if (!time) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", time->year, time->month, time->day, time->hour,
                  time->minute, time->second);
    return buf;
}

std::string EventsToJson(const std::filesystem::path& root, const std::vector<EventSummary>& recordings,
                         const std::vector<std::filesystem::path>& unreadable) {
    std::string out = "{\"root\": " + JsonString(nameText(root)) + ", \"recordings\": [";
    for (std::size_t i = 0; i < recordings.size(); ++i) {
        out += i == 0 ? "\n{" : ",\n{";
        for (const Field& f : kFields) {
            if (&f != kFields) out += ", ";
            out += "\"" + std::string(f.name) + "\": " + f.json(recordings[i]);
        }
        out += "}";
    }
    out += recordings.empty() ? "]" : "\n]";
    out += ", \"unreadableFolders\": [";
    for (std::size_t i = 0; i < unreadable.size(); ++i) out += (i ? ", " : "") + JsonString(nameText(unreadable[i]));
    return out + "]}\n";
}

std::string SpreadsheetText(std::string_view text) {
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        return "'" + std::string(text);
    return std::string(text);
}

std::string EventsToCsv(const std::vector<EventSummary>& recordings, bool excel) {
    std::string out = excel ? "\xEF\xBB\xBF" : "";
    for (const Field& f : kFields) out += (&f == kFields ? "" : ",") + std::string(f.name);
    out += "\r\n";
    for (const EventSummary& s : recordings) {
        for (const Field& f : kFields) {
            if (&f != kFields) out += ",";
            out += f.csv ? f.csv(s) : f.json(s);  // plain numbers and booleans read the same in both
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace drv

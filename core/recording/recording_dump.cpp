#include "core/recording/recording_dump.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "core/common/utf8.h"
#include "core/recording/recording_loader.h"

namespace drv {
namespace {

const char* boolText(bool b) { return b ? "true" : "false"; }

std::string fileText(const Recording& r, int i) {
    return ToValidUtf8(r.fileNames[static_cast<std::size_t>(i)].native());
}

bool hasSamples(int i) { return i >= 1 && i <= kGraphSampleCount; }

std::int32_t sampleOf(const Recording& r, int channel, int i) {
    return r.state.GraphSamples[static_cast<std::size_t>(channel)][static_cast<std::size_t>(i - 1)];
}

int frameCountOf(const Recording& r) {
    // Frames that both a name and a record exist for.
    const std::size_t names = r.fileNames.empty() ? 0 : r.fileNames.size() - 1;
    const std::size_t records = r.frames.empty() ? 0 : r.frames.size() - 1;
    return static_cast<int>(std::min(names, records));
}

}  // namespace

Status LoadRecordingFolder(const std::filesystem::path& folder, Recording& recording) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return Status::Failure("no such folder: " + folder.string(), ENOENT);
    recording = Recording{};  // the program's start-up state
    recording.folder = folder;
    recording.fileNames = ListJpgFiles(recording.folder);
    if (recording.frameCount() == 0) return Status::Failure("no .jpg frames in " + folder.string());
    OrderFilesByTime(recording.folder, recording.fileNames);
    LoadAllFrames(recording.folder, recording.fileNames, recording.frames, recording.state);
    return Status::Success();
}

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04X", c);
                    out += buf;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string ShortestFloat(float value) {
    if (!std::isfinite(value)) return "null";
    // An acceleration of 000 with its sign bit set is -0; nobody reads "-0" as a value.
    if (value == 0) value = 0;
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

std::string RecordingToJson(const Recording& r) {
    const RecordingState& s = r.state;
    const int n = frameCountOf(r);
    std::string out = "{\"folder\": " + JsonString(ToValidUtf8(r.folder.native()));
    out += ", \"frameCount\": " + std::to_string(n);
    out += ", \"triggerFound\": " + std::string(boolText(s.TriggerFound));
    out += ", \"triggerPosition\": " + std::to_string(s.TriggerPosition);
    out += ", \"triggerKind\": " + JsonString(s.TriggerKindCaption);
    out += ", \"vehicleSignalsPresent\": " + std::string(boolText(s.VehicleSignalsPresent));
    out += ", \"noMainSpeed\": " + std::string(boolText(s.NoMainSpeed));
    out += ", \"highFrameRate\": " + std::string(boolText(s.HighFrameRate));
    out += ", \"highQuality\": " + std::string(boolText(s.HighQuality));
    out += ", \"frames\": [";
    for (int i = 1; i <= n; ++i) {
        const FrameRecord& f = r.frames[static_cast<std::size_t>(i)];
        out += i == 1 ? "\n" : ",\n";
        out += "{\"index\": " + std::to_string(i);
        out += ", \"file\": " + JsonString(fileText(r, i));
        out += ", \"speed\": " + ShortestFloat(f.Speed);
        out += ", \"pulseSpeed\": " + ShortestFloat(f.PulseSpeed);
        out += ", \"brake\": " + std::string(boolText(f.Brake));
        out += ", \"accelLongitudinal\": " + ShortestFloat(f.AccelLongitudinal);
        out += ", \"accelLateral\": " + ShortestFloat(f.AccelLateral);
        out += ", \"accelAxis3\": " + ShortestFloat(f.AccelAxis3);
        out += ", \"recordedAt\": " + JsonString(f.RecordedAt);
        out += ", \"latitude\": " + JsonString(f.Latitude);
        out += ", \"longitude\": " + JsonString(f.Longitude);
        out += ", \"shotAt\": " + JsonString(f.ShotAt);
        out += ", \"digitizedAt\": " + JsonString(f.DigitizedAt);
        out += ", \"updatedAt\": " + JsonString(f.UpdatedAt);
        out += ", \"samples\": ";
        if (hasSamples(i)) {
            out += "[" + std::to_string(sampleOf(r, 0, i)) + ", " + std::to_string(sampleOf(r, 1, i)) + ", " +
                   std::to_string(sampleOf(r, 2, i)) + ", " + std::to_string(sampleOf(r, 3, i)) + "]";
        } else {
            out += "null";
        }
        out += "}";
    }
    out += n > 0 ? "\n]}\n" : "]}\n";
    return out;
}

std::string RecordingToCsv(const Recording& r) {
    std::string out =
        "index,file,speed,pulseSpeed,brake,accelLongitudinal,accelLateral,accelAxis3,recordedAt,latitude,longitude,"
        "shotAt,digitizedAt,updatedAt,sampleAccelLongitudinal,sampleAccelLateral,sampleSpeed,sampleBrake\r\n";
    const int n = frameCountOf(r);
    for (int i = 1; i <= n; ++i) {
        const FrameRecord& f = r.frames[static_cast<std::size_t>(i)];
        out += std::to_string(i) + "," + CsvField(fileText(r, i));
        for (float v : {f.Speed, f.PulseSpeed}) out += "," + ShortestFloat(v);
        out += f.Brake ? ",1" : ",0";
        for (float v : {f.AccelLongitudinal, f.AccelLateral, f.AccelAxis3}) out += "," + ShortestFloat(v);
        for (const std::string* t : {&f.RecordedAt, &f.Latitude, &f.Longitude, &f.ShotAt, &f.DigitizedAt, &f.UpdatedAt})
            out += "," + CsvField(*t);
        for (int c = 0; c < kGraphChannels; ++c) out += "," + (hasSamples(i) ? std::to_string(sampleOf(r, c, i)) : "");
        out += "\r\n";
    }
    return out;
}

}  // namespace drv

#include "core/export/telemetry_export.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "core/common/numbers.h"
#include "core/common/utf8.h"
#include "core/recording/recording_dump.h"
#include "core/viewer/panel_text.h"
#include "core/common/version.h"

namespace drv {
namespace {

std::string creator() { return std::string("drviewer ") + ProgramVersion(); }

bool isXmlChar(char32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

// --- time ---

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

ClockTime civilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    ClockTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::string formatClock(const ClockTime& t, const char* tail) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%s", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, tail);
    return buf;
}

// The offset that applies to a clock reading: the given one, or the machine's on that date.
int offsetFor(const ClockTime& t, std::optional<int> utcOffsetMinutes) {
    return utcOffsetMinutes ? *utcOffsetMinutes : LocalUtcOffsetMinutes(t);
}

// --- recording ---

int frameCountOf(const Recording& r) {
    // Frames that both a name and a record exist for.
    const std::size_t names = r.fileNames.empty() ? 0 : r.fileNames.size() - 1;
    const std::size_t records = r.frames.empty() ? 0 : r.frames.size() - 1;
    return static_cast<int>(std::min(names, records));
}

const FrameRecord& frameAt(const Recording& r, int i) { return r.frames[static_cast<std::size_t>(i)]; }

std::string fileText(const Recording& r, int i) {
    return ToValidUtf8(r.fileNames[static_cast<std::size_t>(i)].native());
}

std::string folderName(const Recording& r) {
    std::filesystem::path folder = r.folder;
    if (!folder.has_filename()) folder = folder.parent_path();  // "/a/b/" names b
    return ToValidUtf8(folder.filename().native());
}

struct Point {
    int index = 0;
    double latitude = 0;
    double longitude = 0;
    std::optional<ClockTime> time;
};

std::vector<Point> positionedFrames(const Recording& r, int n) {
    std::vector<Point> points;
    for (int i = 1; i <= n; ++i) {
        const FrameRecord& f = frameAt(r, i);
        const GeoPosition& p = f.position;
        // 180° east and west are one meridian; GPX takes only the western name for it.
        if (p.valid) points.push_back({i, p.latitude, p.longitude == 180.0 ? -180.0 : p.longitude, RecorderClock(f)});
    }
    return points;
}

std::string csvTime(const std::optional<ClockTime>& t, std::optional<int> utcOffsetMinutes) {
    return t ? FormatIsoLocal(*t, offsetFor(*t, utcOffsetMinutes)) : std::string();
}

std::string toCsv(const Recording& r, std::optional<int> utcOffsetMinutes) {
    std::string out =
        "index,file,elapsedSeconds,speed,pulseSpeed,brake,accelLongitudinal,accelLateral,accelAxis3,latitude,"
        "longitude,recorderClock,shotAt,updatedAt\r\n";
    const int n = frameCountOf(r);
    for (int i = 1; i <= n; ++i) {
        const FrameRecord& f = frameAt(r, i);
        out += std::to_string(i) + "," + CsvField(fileText(r, i));
        out += "," + FormatNumber(ElapsedSeconds(r.state, i), "0.000");
        out += "," + ShortestFloat(f.Speed) + "," + ShortestFloat(f.PulseSpeed);
        out += f.Brake ? ",1" : ",0";
        for (float v : {f.AccelLongitudinal, f.AccelLateral, f.AccelAxis3}) out += "," + ShortestFloat(v);
        out += "," + (f.position.valid ? FormatDegrees(f.position.latitude) : std::string());
        out += "," + (f.position.valid ? FormatDegrees(f.position.longitude) : std::string());
        out += "," + csvTime(RecorderClock(f), utcOffsetMinutes);
        // The camera's Exif times are kept as texts only.
        for (const std::string* t : {&f.ShotAt, &f.UpdatedAt})
            out += "," + csvTime(ParseClockText(*t), utcOffsetMinutes);
        out += "\r\n";
    }
    return out;
}

std::string speedText(float kmh) { return FormatNumber(kmh, "0.0") + " km/h"; }

std::string triggerName(const Recording& r) {
    return r.state.TriggerKindCaption.empty() ? std::string("Trigger") : XmlEscape(r.state.TriggerKindCaption);
}

std::string toGpx(const Recording& r, std::optional<int> utcOffsetMinutes) {
    const int n = frameCountOf(r);
    const std::vector<Point> points = positionedFrames(r, n);
    const int trigger = r.triggerFrame().value_or(0);
    const std::string name = XmlEscape(folderName(r));
    auto utcTime = [&](const Point& p) {
        return p.time ? "<time>" + FormatIsoUtc(*p.time, offsetFor(*p.time, utcOffsetMinutes)) + "</time>" : "";
    };
    auto coordinates = [](const Point& p) {
        return "lat=\"" + FormatDegrees(p.latitude) + "\" lon=\"" + FormatDegrees(p.longitude) + "\"";
    };

    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"" +
        creator() +
        "\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\" "
        "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
    out += "  <metadata><name>" + name + "</name><desc>" + std::to_string(n) + " frames, " +
           std::to_string(points.size()) + " with a position</desc></metadata>\n";
    for (const Point& p : points) {
        if (p.index != trigger) continue;
        out += "  <wpt " + coordinates(p) + ">" + utcTime(p) + "<name>" + triggerName(r) + "</name><desc>frame " +
               std::to_string(p.index) + ", " + XmlEscape(fileText(r, p.index)) + "</desc><type>trigger</type></wpt>\n";
    }
    out += "  <trk><name>" + name + "</name><trkseg>\n";
    for (const Point& p : points) {
        const auto speed = ShownSpeed(frameAt(r, p.index), r.state);
        out += "    <trkpt " + coordinates(p) + ">" + utcTime(p) + "<name>" + XmlEscape(fileText(r, p.index)) +
               "</name><desc>frame " + std::to_string(p.index) + (speed ? ", " + speedText(*speed) : "") + "</desc>";
        if (speed) {
            // GPX 1.1 has no speed element; Garmin's track point extension is what map tools read.
            out += "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>" + FormatNumber(*speed / 3.6, "0.000") +
                   "</gpxtpx:speed></gpxtpx:TrackPointExtension></extensions>";
        }
        out += "</trkpt>\n";
    }
    out += "  </trkseg></trk>\n</gpx>\n";
    return out;
}

std::string toKml(const Recording& r, std::optional<int> utcOffsetMinutes) {
    const int n = frameCountOf(r);
    const std::vector<Point> points = positionedFrames(r, n);
    const int trigger = r.triggerFrame().value_or(0);
    const std::string name = XmlEscape(folderName(r));
    auto utcText = [&](const Point& p) { return FormatIsoUtc(*p.time, offsetFor(*p.time, utcOffsetMinutes)); };
    const bool allTimed = std::all_of(points.begin(), points.end(), [](const Point& p) { return p.time.has_value(); });
    const bool withSpeed = !r.state.NoMainSpeed || r.state.VehicleSignalsPresent;

    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n"
        "<Document>\n  <name>" +
        name + "</name>\n";
    if (withSpeed) {
        out +=
            "  <Schema id=\"telemetry\"><gx:SimpleArrayField name=\"speed\" type=\"float\">"
            "<displayName>Speed (km/h)</displayName></gx:SimpleArrayField></Schema>\n";
    }
    for (const Point& p : points) {
        if (p.index != trigger) continue;
        out += "  <Placemark><name>" + triggerName(r) + "</name><description>frame " + std::to_string(p.index) + ", " +
               XmlEscape(fileText(r, p.index)) + "</description>";
        if (p.time) out += "<TimeStamp><when>" + utcText(p) + "</when></TimeStamp>";
        out += "<Point><coordinates>" + FormatDegrees(p.longitude) + "," + FormatDegrees(p.latitude) +
               ",0</coordinates></Point></Placemark>\n";
    }
    out += "  <Placemark>\n    <name>" + name + "</name>\n";
    if (allTimed) {
        // A timed track carries the speed of every point; map tools can replay it.
        out += "    <gx:Track>\n";
        for (const Point& p : points) out += "      <when>" + utcText(p) + "</when>\n";
        for (const Point& p : points)
            out +=
                "      <gx:coord>" + FormatDegrees(p.longitude) + " " + FormatDegrees(p.latitude) + " 0</gx:coord>\n";
        if (withSpeed) {
            out += "      <ExtendedData><SchemaData schemaUrl=\"#telemetry\"><gx:SimpleArrayData name=\"speed\">\n";
            for (const Point& p : points)
                out += "        <gx:value>" + FormatNumber(*ShownSpeed(frameAt(r, p.index), r.state), "0.0") +
                       "</gx:value>\n";
            out += "      </gx:SimpleArrayData></SchemaData></ExtendedData>\n";
        }
        out += "    </gx:Track>\n";
    } else {
        // Some frame has a position but no readable clock: a plain line keeps every point.
        out += "    <LineString><tessellate>1</tessellate><coordinates>\n";
        for (const Point& p : points)
            out += "      " + FormatDegrees(p.longitude) + "," + FormatDegrees(p.latitude) + ",0\n";
        out += "    </coordinates></LineString>\n";
    }
    out += "  </Placemark>\n</Document>\n</kml>\n";
    return out;
}

}  // namespace

std::optional<ExportFormat> ParseExportFormat(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower == "csv") return ExportFormat::Csv;
    if (lower == "gpx") return ExportFormat::Gpx;
    if (lower == "kml") return ExportFormat::Kml;
    return std::nullopt;
}

const char* ExportFileExtension(ExportFormat format) {
    switch (format) {
        case ExportFormat::Csv: return ".csv";
        case ExportFormat::Gpx: return ".gpx";
        case ExportFormat::Kml: return ".kml";
    }
    return "";
}

std::string ExportTelemetry(const Recording& recording, ExportFormat format, std::optional<int> utcOffsetMinutes) {
    switch (format) {
        case ExportFormat::Csv: return toCsv(recording, utcOffsetMinutes);
        case ExportFormat::Gpx: return toGpx(recording, utcOffsetMinutes);
        case ExportFormat::Kml: return toKml(recording, utcOffsetMinutes);
    }
    return {};
}

std::string FormatDegrees(double degrees) { return FormatNumber(degrees, "0.0000000"); }

std::optional<int> ParseUtcOffset(std::string_view text) {
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') return std::nullopt;
    for (std::size_t k : {1, 2, 4, 5})
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
    const int hours = (text[1] - '0') * 10 + (text[2] - '0');
    const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
    const int total = hours * 60 + minutes;
    if (minutes > 59 || total > 14 * 60) return std::nullopt;
    return text[0] == '-' ? -total : total;
}

int LocalUtcOffsetMinutes(const ClockTime& local) {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = -1;  // let the zone rules decide whether daylight saving applies
    const std::time_t when = std::mktime(&tm);
    std::tm result{};
    if (when == static_cast<std::time_t>(-1) || !localtime_r(&when, &result)) return 0;
    return static_cast<int>(result.tm_gmtoff / 60);
}

std::string FormatIsoLocal(const ClockTime& local, int offsetMinutes) {
    const int magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char zone[32];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+', magnitude / 60 % 100,
                  magnitude % 60);
    return formatClock(local, zone);
}

std::string FormatIsoUtc(const ClockTime& local, int offsetMinutes) {
    const std::int64_t seconds = daysFromCivil(local.year, local.month, local.day) * 86400 + local.hour * 3600 +
                                 local.minute * 60 + local.second - static_cast<std::int64_t>(offsetMinutes) * 60;
    return formatClock(civilFromSeconds(seconds), "Z");
}

std::string XmlEscape(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char32_t cp : CodePoints(bytes)) {
        switch (cp) {
            case U'&': out += "&amp;"; break;
            case U'<': out += "&lt;"; break;
            case U'>': out += "&gt;"; break;
            case U'"': out += "&quot;"; break;
            case U'\'': out += "&apos;"; break;
            default: AppendUtf8(out, isXmlChar(cp) ? cp : U'\uFFFD');
        }
    }
    return out;
}

}  // namespace drv

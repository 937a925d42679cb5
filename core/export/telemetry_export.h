#pragma once
// A loaded recording's telemetry for other programs: CSV for spreadsheets, GPX 1.1 and
// KML 2.2 for maps. Used by `drtool export` and the viewer's export command.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/recording/recorder_values.h"
#include "core/recording/recording.h"

namespace drv {

enum class ExportFormat { Csv, Gpx, Kml };

// "csv", "gpx" or "kml" (any letter case); nothing for anything else.
std::optional<ExportFormat> ParseExportFormat(std::string_view text);

// The usual file name extension of a format, with its dot (".csv", ".gpx", ".kml").
const char* ExportFileExtension(ExportFormat format);

// The telemetry of frames 1..N in playback order, as a whole file in the format.
// Times: the recorder's clock carries no time zone; it is read as local time at
// `utcOffsetMinutes` east of UTC, or at the machine's local offset for that date
// when none is given.
//  - CSV: a header row, then one row per frame (CRLF line ends).
//  - GPX: a track of the frames that have a position, and a waypoint at the trigger frame.
//  - KML: the same as a track placemark and a trigger placemark.
// Texts that are not valid UTF-8 (file and folder names) are written with U+FFFD.
std::string ExportTelemetry(const Recording& recording, ExportFormat format,
                            std::optional<int> utcOffsetMinutes = std::nullopt);

// --- the pieces, for the tests and the viewer ---

// Decimal degrees with seven decimals (about a centimetre), "." as the decimal point.
std::string FormatDegrees(double degrees);

// "+HH:MM" or "-HH:MM" with HH:MM up to 14:00 (the range of ISO 8601 / XML Schema offsets)
// as minutes east of UTC; nothing for any other text.
std::optional<int> ParseUtcOffset(std::string_view text);

// Offset east of UTC, in minutes, of this machine's local time zone at the given local
// wall-clock time (daylight saving included). Within the hour a clock change skips or
// repeats, the C library decides which side is meant.
int LocalUtcOffsetMinutes(const ClockTime& local);

// "2007-10-10T04:18:59+09:00": the local time with its offset.
std::string FormatIsoLocal(const ClockTime& local, int offsetMinutes);

// "2007-10-09T19:18:59Z": the same instant in UTC.
std::string FormatIsoUtc(const ClockTime& local, int offsetMinutes);

// Text fit for XML character data and attribute values: invalid UTF-8 and characters XML
// does not allow become U+FFFD; & < > " ' become entities.
std::string XmlEscape(std::string_view bytes);

}  // namespace drv

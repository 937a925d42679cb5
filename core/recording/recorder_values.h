#pragma once
// The recorder's position and clock as numbers, read from the fixed-width texts the decoder
// builds. Everything that works with positions or times (export, events, video, map) reads
// these values from FrameRecord instead of parsing the panel's texts again.
#include <chrono>
#include <optional>
#include <string_view>

#include "core/recording/frame_record.h"

namespace drv {

// Decimal degrees of a Latitude or Longitude text ("N  35度40分41秒2", "W 001度45分06秒7"):
// degrees + minutes/60 + (seconds + tenths/10)/3600, negative for S and W. Nothing for the
// no-position text, a prefix that is not N/S (latitude) or E/W (longitude), a field that
// is not digits, or a value out of range (minutes or seconds >= 60, latitude > 90,
// longitude > 180).
std::optional<double> LatitudeDegrees(std::string_view latitudeText);
std::optional<double> LongitudeDegrees(std::string_view longitudeText);

// A position is a pair: valid only when both texts hold one.
GeoPosition PositionFromTexts(std::string_view latitudeText, std::string_view longitudeText);

// A wall-clock time of the recorder, from "20yy/MM/dd hh:mm:ss".
struct ClockTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The time of a 19-character clock text; nothing for the placeholder "2000/00/00 00:00:00"
// or any text that is not a real date and time.
std::optional<ClockTime> ParseClockText(std::string_view text);

// The same reading as a point on the local time line (no time zone), and back.
std::optional<std::chrono::local_seconds> ClockFromText(std::string_view text);
std::chrono::local_seconds ToLocalSeconds(const ClockTime& time);
ClockTime ToClockTime(std::chrono::local_seconds time);

// A frame's recorder clock as a wall-clock time; none where the frame had no clock.
std::optional<ClockTime> RecorderClock(const FrameRecord& record);

}  // namespace drv

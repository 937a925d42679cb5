#pragma once
// Number helpers shared by every subsystem: one rounding rule, one lenient parse,
// the four display patterns, and fixed-width text.
#include <cstdint>
#include <string>
#include <string_view>

namespace drv {

// Nearest integer, ties to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// NaN gives 0; values beyond the range clamp to its ends.
std::int64_t RoundHalfEven(double value);
std::int32_t RoundToInt32(double value);
std::int16_t RoundToInt16(double value);

// Lenient decimal parse of a telemetry text: blanks anywhere are skipped, parsing
// stops at the first character that cannot continue the number, an empty or
// number-less text is 0. " 1 2" -> 12, "12abc" -> 12, ".5" -> 0.5, "-" -> 0.
double ParseLenient(std::string_view text);

// Display patterns: "##0.0", "#00.0", "#0.00", "00.000". Zeros before the point set the
// minimum count of integer digits, the digits after it the decimals. Rounding is on
// the decimal value, half away from zero (9.95 -> "10.0"); a value that rounds to zero
// shows no minus sign. Any pattern of that shape is accepted.
std::string FormatNumber(double value, std::string_view pattern);

// Left-aligned text of exactly `width` characters (code points of UTF-8, so 度 counts
// as one): shorter text is padded with blanks, longer text is cut.
std::string FixedWidth(std::string_view utf8, std::size_t width);

}  // namespace drv

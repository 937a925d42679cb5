#include "core/recording/recorder_values.h"

#include "core/common/utf8.h"

namespace drv {
namespace {

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Digits of text[first .. first + count), leading blanks allowed where `blanksFirst`;
// nothing when a character is neither or no digit is left.
std::optional<int> digitsAt(const std::u32string& text, std::size_t first, std::size_t count,
                            bool blanksFirst = false) {
    int value = 0;
    bool any = false;
    for (std::size_t k = first; k < first + count; ++k) {
        if (blanksFirst && !any && text[k] == U' ') continue;
        if (!isDigit(text[k])) return std::nullopt;
        value = value * 10 + static_cast<int>(text[k] - U'0');
        any = true;
    }
    if (!any) return std::nullopt;
    return value;
}

// "P DDD度MM分SS秒T" (13 characters, blanks may follow): both position texts share this
// shape; a latitude's degrees begin with a blank where its hundreds digit is 0.
std::optional<double> positionDegrees(std::string_view text, char32_t positive, char32_t negative, int maxDegrees) {
    const std::u32string c = CodePoints(text);
    if (c.size() < 13) return std::nullopt;
    for (std::size_t k = 13; k < c.size(); ++k)
        if (c[k] != U' ') return std::nullopt;
    const char32_t prefix = c[0] >= U'a' && c[0] <= U'z' ? c[0] - (U'a' - U'A') : c[0];
    if ((prefix != positive && prefix != negative) || c[1] != U' ' || c[5] != U'度' || c[8] != U'分' || c[11] != U'秒')
        return std::nullopt;
    const auto degrees = digitsAt(c, 2, 3, true);
    const auto minutes = digitsAt(c, 6, 2);
    const auto seconds = digitsAt(c, 9, 2);
    const auto tenths = digitsAt(c, 12, 1);
    if (!degrees || !minutes || !seconds || !tenths || *minutes >= 60 || *seconds >= 60) return std::nullopt;
    // Whole tenths of a second first, so that the one division is the only rounding.
    const long total = *degrees * 36000L + *minutes * 600L + *seconds * 10L + *tenths;
    if (total > maxDegrees * 36000L) return std::nullopt;
    const double value = static_cast<double>(total) / 36000.0;
    return prefix == negative ? -value : value;
}

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

}  // namespace

std::optional<double> LatitudeDegrees(std::string_view latitudeText) {
    return positionDegrees(latitudeText, U'N', U'S', 90);
}

std::optional<double> LongitudeDegrees(std::string_view longitudeText) {
    return positionDegrees(longitudeText, U'E', U'W', 180);
}

GeoPosition PositionFromTexts(std::string_view latitudeText, std::string_view longitudeText) {
    const auto lat = LatitudeDegrees(latitudeText);
    const auto lon = LongitudeDegrees(longitudeText);
    if (!lat || !lon) return {};
    return {true, *lat, *lon};
}

std::optional<ClockTime> ParseClockText(std::string_view text) {
    // "20yy/MM/dd hh:mm:ss": 19 characters, digits everywhere but the separators.
    static constexpr std::string_view kShape = "dddd/dd/dd dd:dd:dd";
    if (text.size() != kShape.size()) return std::nullopt;
    for (std::size_t k = 0; k < kShape.size(); ++k) {
        const char c = text[k];
        if (kShape[k] == 'd' ? !(c >= '0' && c <= '9') : c != kShape[k]) return std::nullopt;
    }
    auto number = [&](std::size_t at, std::size_t count) {
        int v = 0;
        for (std::size_t k = at; k < at + count; ++k) v = v * 10 + (text[k] - '0');
        return v;
    };
    ClockTime t{number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2)};
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > daysInMonth(t.year, t.month) || t.hour > 23 ||
        t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

std::chrono::local_seconds ToLocalSeconds(const ClockTime& t) {
    using namespace std::chrono;
    const local_days day{year{t.year} / month{static_cast<unsigned>(t.month)} / static_cast<unsigned>(t.day)};
    return day + hours{t.hour} + minutes{t.minute} + seconds{t.second};
}

ClockTime ToClockTime(std::chrono::local_seconds time) {
    using namespace std::chrono;
    const local_days day = floor<days>(time);
    const year_month_day ymd{day};
    const hh_mm_ss hms{time - day};
    return {static_cast<int>(ymd.year()),
            static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(hms.hours().count()),
            static_cast<int>(hms.minutes().count()),
            static_cast<int>(hms.seconds().count())};
}

std::optional<ClockTime> RecorderClock(const FrameRecord& record) {
    if (!record.clock) return std::nullopt;
    return ToClockTime(*record.clock);
}

std::optional<std::chrono::local_seconds> ClockFromText(std::string_view text) {
    const auto t = ParseClockText(text);
    if (!t) return std::nullopt;
    return ToLocalSeconds(*t);
}

}  // namespace drv

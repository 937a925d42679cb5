#include "core/common/numbers.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace drv {

std::int64_t RoundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kMax = 9.2e18;
    if (value >= kMax) return static_cast<std::int64_t>(kMax);
    if (value <= -kMax) return -static_cast<std::int64_t>(kMax);
    return static_cast<std::int64_t>(std::nearbyint(value));
}

std::int32_t RoundToInt32(double value) {
    const std::int64_t r = RoundHalfEven(value);
    if (r > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (r < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

std::int16_t RoundToInt16(double value) {
    const std::int64_t r = RoundHalfEven(value);
    if (r > std::numeric_limits<std::int16_t>::max()) return std::numeric_limits<std::int16_t>::max();
    if (r < std::numeric_limits<std::int16_t>::min()) return std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(r);
}

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

double ParseLenient(std::string_view text) {
    // Gather the characters that form the number, blanks dropped, then let strtod read them.
    std::string number;
    std::size_t i = 0;
    auto skip = [&] {
        while (i < text.size() && isBlank(text[i])) ++i;
    };
    skip();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    bool digits = false;
    auto takeDigits = [&] {
        for (;;) {
            skip();
            if (i < text.size() && isDigit(text[i])) {
                // Beyond a few hundred digits the value is inf or exact anyway; cap the work.
                if (number.size() < 400) number += text[i];
                else if (number.find('.') == std::string::npos) number += '0';
                ++i;
                digits = true;
            } else {
                return;
            }
        }
    };
    takeDigits();
    skip();
    if (i < text.size() && text[i] == '.') {
        number += '.';
        ++i;
        takeDigits();
    }
    if (!digits) return 0.0;
    skip();
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        while (j < text.size() && isBlank(text[j])) ++j;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        bool expDigits = false;
        while (j < text.size() && (isDigit(text[j]) || isBlank(text[j]))) {
            if (isDigit(text[j]) && exponent.size() < 8) exponent += text[j];
            expDigits = expDigits || isDigit(text[j]);
            ++j;
        }
        if (expDigits) number += exponent;
    }
    return std::strtod(number.c_str(), nullptr);
}

std::string FormatNumber(double value, std::string_view pattern) {
    const std::size_t point = pattern.find('.');
    const std::string_view intPart = pattern.substr(0, point);
    std::size_t minInt = 0;
    for (char c : intPart) minInt += (c == '0');
    const int decimals = point == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - point - 1);

    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";

    // The value as 15 significant decimal digits (what a user reads as "the value"),
    // then rounded half away from zero at the wanted decimal.
    const bool negative = std::signbit(value);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    std::string digits;
    digits += buf[0];
    digits.append(buf + 2, 14);
    const int exp10 = std::atoi(buf + 17);  // value = 0.d0d1... * 10^(exp10 + 1)
    // Position of the decimal point within `digits`: after index exp10.
    // Build an integer-digit string and fraction digit string.
    std::string whole, frac;
    const int pointPos = exp10 + 1;  // digits before the point
    for (int k = 0; k < pointPos; ++k) whole += k < static_cast<int>(digits.size()) ? digits[k] : '0';
    for (int k = pointPos; k < pointPos + decimals + 1; ++k)
        frac += (k >= 0 && k < static_cast<int>(digits.size())) ? digits[k] : '0';
    // frac holds decimals + 1 digits; the last decides the rounding.
    const bool roundUp = frac.back() >= '5';
    frac.pop_back();
    std::string all = whole + frac;
    if (all.empty()) all.push_back('0');
    if (roundUp) {
        int k = static_cast<int>(all.size()) - 1;
        while (k >= 0 && all[k] == '9') all[k--] = '0';
        if (k >= 0) ++all[k];
        else all = "1" + all;
    }
    std::string intDigits = all.substr(0, all.size() - decimals);
    std::string fracDigits = all.substr(all.size() - decimals);
    std::size_t firstNonZero = intDigits.find_first_not_of('0');
    intDigits = firstNonZero == std::string::npos ? std::string() : intDigits.substr(firstNonZero);
    if (intDigits.size() < minInt) intDigits = std::string(minInt - intDigits.size(), '0') + intDigits;

    const bool zero =
        intDigits.find_first_not_of('0') == std::string::npos && fracDigits.find_first_not_of('0') == std::string::npos;
    std::string out;
    if (negative && !zero) out += '-';
    out += intDigits;
    if (decimals > 0) {
        out += '.';
        out += fracDigits;
    }
    return out;
}

std::string FixedWidth(std::string_view utf8, std::size_t width) {
    std::string out;
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len = 1;
        while (i + len < utf8.size() && (static_cast<unsigned char>(utf8[i + len]) & 0xC0) == 0x80) ++len;
        if (count == width) break;
        out.append(utf8.substr(i, len));
        ++count;
        i += len;
    }
    out.append(width - count, ' ');
    return out;
}

}  // namespace drv

#include "core/exif/telemetry_decoder.h"

#include "core/common/numbers.h"
#include "core/common/utf8.h"
#include "core/recording/recorder_values.h"

namespace drv {
namespace {

// Characters that template copies may place in a text field. The recorder writes ASCII;
// any other byte would break the UTF-8 of the field, so it shows as '?'.
char32_t textChar(char byte) {
    const auto b = static_cast<unsigned char>(byte);
    return b < 0x80 ? char32_t{b} : U'?';
}

// Characters `from`..`from + width - 1` (1-based) of a byte text; shorter or empty past its end.
std::string_view piece(std::string_view text, std::size_t from, std::size_t width) {
    if (from - 1 >= text.size()) return {};
    return text.substr(from - 1, width);
}

// Copies the characters the piece has over the template, starting at position `at` (1-based).
void copyOver(std::u32string& tmpl, std::size_t at, std::string_view source) {
    for (std::size_t i = 0; i < source.size() && at - 1 + i < tmpl.size(); ++i) tmpl[at - 1 + i] = textChar(source[i]);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

float fieldNumber(std::string_view makerNote, std::size_t from, std::size_t width, double divisor) {
    return static_cast<float>(ParseLenient(piece(makerNote, from, width)) / divisor);
}

std::int32_t accelSample(float accel) {
    std::int32_t sample = RoundToInt32(static_cast<double>(accel) * 1000.0 / 4.0);
    if (accel > 0.5f) sample = 125;
    if (accel < -0.5f) sample = -125;
    return sample;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

int UserCommentBlockByte(std::string_view userCommentHex, int k) {
    if (k < 0) return 0;
    const std::size_t at = (20 + static_cast<std::size_t>(k)) * 2;
    if (at + 2 > userCommentHex.size()) return 0;
    const int hi = hexDigit(userCommentHex[at]);
    const int lo = hexDigit(userCommentHex[at + 1]);
    if (hi < 0 || lo < 0) return 0;
    return hi << 4 | lo;
}

std::string ExifDateToDisplay(std::string_view text) {
    std::u32string out = U"2000/00/00 00:00:00";
    for (std::size_t at : {3, 6, 9, 12, 15, 18}) copyOver(out, at, piece(text, at, 2));
    return ToUtf8(out);
}

void DecodeFrameTelemetry(const ExifTags& tags, FrameRecord& record, int index, RecordingState& state) {
    const std::string_view note = tags.MakerNoteText;
    auto block = [&](int k) { return UserCommentBlockByte(tags.UserCommentHex, k); };
    const bool hasSamples = index >= 1 && index <= kGraphSampleCount;
    const std::size_t sample = hasSamples ? static_cast<std::size_t>(index - 1) : 0;

    // Speeds; the speed channel follows the pulse speed when the main speed is missing.
    record.Speed = fieldNumber(note, 1, 4, 10.0);
    record.PulseSpeed = fieldNumber(note, 5, 4, 10.0);
    const float v = (block(70) & 7) == 7 ? record.PulseSpeed : record.Speed;
    if (hasSamples) {
        state.GraphSamples[2][sample] =
            v > 200.0f ? 120 : RoundToInt32((static_cast<double>(v) * 12.0 - 1200.0) / 10.0);
    }

    record.Brake = ParseLenient(piece(note, 9, 1)) == 1.0;
    if (hasSamples) state.GraphSamples[3][sample] = record.Brake ? 70 : 0;

    // A later marked frame may still upgrade a power-cut caption to the mark's own kind.
    const int mark = block(0) & 6;
    if ((state.TriggerKindCaption.empty() || trimmed(state.TriggerKindCaption) == kCaptionPowerCut) && mark != 0) {
        state.TriggerKindCaption = std::string(mark == 6 ? kCaptionExternalSwitch : kCaptionShock);
    }

    if (!state.TriggerFound) {
        if (mark != 0) {
            state.TriggerFound = true;
            state.TriggerPosition = static_cast<std::int32_t>(std::int64_t{index} * 50);
        }
        if ((block(24) & 0xE0) == 0x60) {
            state.TriggerFound = true;
            state.TriggerPosition = static_cast<std::int32_t>(std::int64_t{index} * 50);
            if (state.TriggerKindCaption.empty() && (block(34) & 4) == 4) {
                state.TriggerKindCaption = std::string(kCaptionPowerCut);
            }
        }
        if (state.TriggerFound) {
            state.VehicleSignalsPresent = (block(2) & 0x04) != 0;
            state.NoMainSpeed = (block(70) & 7) == 7;
            state.HighFrameRate = (block(34) & 0x40) != 0;
            state.HighQuality = (block(34) & 0x80) != 0;
        }
    }

    record.AccelLongitudinal = fieldNumber(note, 10, 3, 100.0);
    if (block(4) & 0x80) record.AccelLongitudinal = -record.AccelLongitudinal;
    record.AccelLateral = fieldNumber(note, 13, 3, 100.0);
    if (block(6) & 0x80) record.AccelLateral = -record.AccelLateral;
    record.AccelAxis3 = fieldNumber(note, 16, 3, 100.0);
    if (block(8) & 0x80) record.AccelAxis3 = -record.AccelAxis3;
    if (hasSamples) {
        state.GraphSamples[0][sample] = accelSample(record.AccelLongitudinal);
        state.GraphSamples[1][sample] = accelSample(record.AccelLateral);
    }

    std::u32string clock = U"2000/00/00 00:00:00";
    for (std::size_t k = 0; k < 6; ++k) copyOver(clock, 3 + 3 * k, piece(note, 19 + 2 * k, 2));
    record.RecordedAt = ToUtf8(clock);

    std::u32string latitude = U"0  00度00分00秒0";
    copyOver(latitude, 1, piece(note, 31, 1));
    if (piece(note, 32, 1) != "0") copyOver(latitude, 3, piece(note, 32, 1));
    copyOver(latitude, 4, piece(note, 33, 2));
    copyOver(latitude, 7, piece(note, 35, 2));
    copyOver(latitude, 10, piece(note, 37, 2));
    copyOver(latitude, 13, piece(note, 39, 1));
    record.Latitude = FixedWidth(latitude.find(U" 00") != std::u32string::npos ? kNoPosition : ToUtf8(latitude), 13);

    std::u32string longitude = U"0 000度00分00秒0";
    copyOver(longitude, 1, piece(note, 40, 1));
    copyOver(longitude, 3, piece(note, 41, 3));
    copyOver(longitude, 7, piece(note, 44, 2));
    copyOver(longitude, 10, piece(note, 46, 2));
    copyOver(longitude, 13, piece(note, 48, 1));
    record.Longitude =
        FixedWidth(longitude.find(U"000") != std::u32string::npos ? kNoPosition : ToUtf8(longitude), 13);

    record.position = PositionFromTexts(record.Latitude, record.Longitude);
    record.clock = ClockFromText(record.RecordedAt);

    record.ShotAt = ExifDateToDisplay(tags.DateTimeOriginalText);
    record.DigitizedAt = ExifDateToDisplay(tags.DateTimeDigitizedText);
    record.UpdatedAt = ExifDateToDisplay(tags.DateTimeText);
}

}  // namespace drv

#include "core/exif/telemetry_decoder.h"

#include "core/common/numbers.h"
#include "core/common/utf8.h"
#include "core/exif/recorder_layout.h"
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

// The characters of one MakerNote field; shorter or empty past the text's end.
std::string_view field(std::string_view note, NoteField which) {
    const NoteFieldInfo& f = NoteFieldAt(which);
    return piece(note, f.offset + 1, f.length);
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

float fieldNumber(std::string_view note, NoteField which, double scale) {
    return static_cast<float>(ParseLenient(field(note, which)) / scale);
}

bool statusBit(std::string_view userCommentHex, StatusBit bit) {
    const StatusBitInfo& info = StatusBitAt(bit);
    const int byte = UserCommentBlockByte(userCommentHex, static_cast<int>(info.offset));
    return StatusBitSet(info, static_cast<std::uint8_t>(byte));
}

}  // namespace

int UserCommentBlockByte(std::string_view userCommentHex, int k) {
    if (k < 0) return 0;
    const std::size_t at = (kStatusBlockOffset + static_cast<std::size_t>(k)) * 2;
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

FrameStatus DecodeFrameStatus(const ExifTags& tags) {
    auto bit = [&](StatusBit b) { return statusBit(tags.UserCommentHex, b); };
    FrameStatus s;
    s.triggerMark = bit(StatusBit::TriggerMark);
    s.externalSwitch = bit(StatusBit::ExternalSwitch);
    s.triggerMarkSecondForm = bit(StatusBit::TriggerMarkSecondForm);
    s.powerCut = bit(StatusBit::PowerCut);
    s.vehicleSignals = bit(StatusBit::VehicleSignals);
    s.noMainSpeed = bit(StatusBit::NoMainSpeed);
    s.highFrameRate = bit(StatusBit::HighFrameRate);
    s.highQuality = bit(StatusBit::HighQuality);
    return s;
}

void DecodeFrameTelemetry(const ExifTags& tags, FrameRecord& record) {
    const std::string_view note = tags.MakerNoteText;
    auto negative = [&](StatusBit b) { return statusBit(tags.UserCommentHex, b); };

    record.Speed = fieldNumber(note, NoteField::Speed, kSpeedScale);
    record.PulseSpeed = fieldNumber(note, NoteField::PulseSpeed, kSpeedScale);
    record.Brake = ParseLenient(field(note, NoteField::Brake)) == 1.0;

    record.AccelLongitudinal = fieldNumber(note, NoteField::AccelLongitudinal, kAccelScale);
    if (negative(StatusBit::LongitudinalNegative)) record.AccelLongitudinal = -record.AccelLongitudinal;
    record.AccelLateral = fieldNumber(note, NoteField::AccelLateral, kAccelScale);
    if (negative(StatusBit::LateralNegative)) record.AccelLateral = -record.AccelLateral;
    record.AccelAxis3 = fieldNumber(note, NoteField::AccelAxis3, kAccelScale);
    if (negative(StatusBit::Axis3Negative)) record.AccelAxis3 = -record.AccelAxis3;

    // "20yy/MM/dd hh:mm:ss": each clock field lands on its two digits of the template.
    std::u32string clock = U"2000/00/00 00:00:00";
    const NoteField clockFields[] = {NoteField::Year, NoteField::Month,  NoteField::Day,
                                     NoteField::Hour, NoteField::Minute, NoteField::Second};
    for (std::size_t k = 0; k < 6; ++k) copyOver(clock, 3 + 3 * k, field(note, clockFields[k]));
    record.RecordedAt = ToUtf8(clock);

    // A zero hundreds digit leaves its blank; degrees 00 (" 00") mean no position.
    std::u32string latitude = U"0  00度00分00秒0";
    copyOver(latitude, 1, field(note, NoteField::LatitudePrefix));
    if (field(note, NoteField::LatitudeHundreds) != "0")
        copyOver(latitude, 3, field(note, NoteField::LatitudeHundreds));
    copyOver(latitude, 4, field(note, NoteField::LatitudeDegrees));
    copyOver(latitude, 7, field(note, NoteField::LatitudeMinutes));
    copyOver(latitude, 10, field(note, NoteField::LatitudeSeconds));
    copyOver(latitude, 13, field(note, NoteField::LatitudeTenths));
    record.Latitude = FixedWidth(latitude.find(U" 00") != std::u32string::npos ? kNoPosition : ToUtf8(latitude), 13);

    std::u32string longitude = U"0 000度00分00秒0";
    copyOver(longitude, 1, field(note, NoteField::LongitudePrefix));
    copyOver(longitude, 3, field(note, NoteField::LongitudeDegrees));
    copyOver(longitude, 7, field(note, NoteField::LongitudeMinutes));
    copyOver(longitude, 10, field(note, NoteField::LongitudeSeconds));
    copyOver(longitude, 13, field(note, NoteField::LongitudeTenths));
    record.Longitude = FixedWidth(longitude.find(U"000") != std::u32string::npos ? kNoPosition : ToUtf8(longitude), 13);

    record.position = PositionFromTexts(record.Latitude, record.Longitude);
    record.clock = ClockFromText(record.RecordedAt);

    record.ShotAt = ExifDateToDisplay(tags.DateTimeOriginalText);
    record.DigitizedAt = ExifDateToDisplay(tags.DateTimeDigitizedText);
    record.UpdatedAt = ExifDateToDisplay(tags.DateTimeText);
}

}  // namespace drv

#pragma once
// Where the recorder keeps its telemetry, described once: the Exif container it writes, the
// fixed character fields of its MakerNote text and the status bits of its UserComment block,
// each as {offset, length or mask, meaning}, the way Exif libraries describe a maker note.
// The reader, the decoder and the frame writer all take their places from here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace drv {

// --- the Exif container ---

// SOI 2 + APP1 marker 2 + length 2 + "Exif\0\0" 6: the TIFF header, the base of every offset
// inside the Exif data, sits at this file offset.
inline constexpr std::size_t kExifTiffHeaderOffset = 12;
// An APP1 segment holds at most 64 KiB; nothing the recorder writes lies further past the header.
inline constexpr std::size_t kExifDataMaxBytes = 0x10000;

inline constexpr std::uint16_t kTagDateTime = 0x0132;           // IFD0
inline constexpr std::uint16_t kTagExifIfd = 0x8769;            // IFD0: offset of the Exif IFD
inline constexpr std::uint16_t kTagDateTimeOriginal = 0x9003;   // Exif IFD
inline constexpr std::uint16_t kTagDateTimeDigitized = 0x9004;  // Exif IFD
inline constexpr std::uint16_t kTagMakerNote = 0x927C;          // Exif IFD
inline constexpr std::uint16_t kTagUserComment = 0x9286;        // Exif IFD

// --- the MakerNote: fixed-position ASCII, numbers as decimal digits ---

enum class NoteField {
    Speed,
    PulseSpeed,
    Brake,
    AccelLongitudinal,
    AccelLateral,
    AccelAxis3,
    Year,
    Month,
    Day,
    Hour,
    Minute,
    Second,
    LatitudePrefix,
    LatitudeHundreds,
    LatitudeDegrees,
    LatitudeMinutes,
    LatitudeSeconds,
    LatitudeTenths,
    LongitudePrefix,
    LongitudeDegrees,
    LongitudeMinutes,
    LongitudeSeconds,
    LongitudeTenths,
};

struct NoteFieldInfo {
    NoteField field;
    std::size_t offset;  // 0-based character position
    std::size_t length;
    std::string_view meaning;
};

inline constexpr std::array<NoteFieldInfo, 23> kMakerNoteLayout{{
    {NoteField::Speed, 0, 4, "main speed x 10, km/h"},
    {NoteField::PulseSpeed, 4, 4, "speed from the vehicle speed pulse x 10, km/h"},
    {NoteField::Brake, 8, 1, "1 when the brake is on"},
    {NoteField::AccelLongitudinal, 9, 3, "longitudinal acceleration magnitude x 100, G"},
    {NoteField::AccelLateral, 12, 3, "lateral acceleration magnitude x 100, G"},
    {NoteField::AccelAxis3, 15, 3, "third-axis acceleration magnitude x 100, G"},
    {NoteField::Year, 18, 2, "clock: year within the century"},
    {NoteField::Month, 20, 2, "clock: month"},
    {NoteField::Day, 22, 2, "clock: day"},
    {NoteField::Hour, 24, 2, "clock: hour"},
    {NoteField::Minute, 26, 2, "clock: minute"},
    {NoteField::Second, 28, 2, "clock: second"},
    {NoteField::LatitudePrefix, 30, 1, "latitude prefix, copied unchanged"},
    {NoteField::LatitudeHundreds, 31, 1, "latitude degrees, hundreds digit"},
    {NoteField::LatitudeDegrees, 32, 2, "latitude degrees, tens and units"},
    {NoteField::LatitudeMinutes, 34, 2, "latitude minutes"},
    {NoteField::LatitudeSeconds, 36, 2, "latitude seconds"},
    {NoteField::LatitudeTenths, 38, 1, "latitude tenths of a second"},
    {NoteField::LongitudePrefix, 39, 1, "longitude prefix, copied unchanged"},
    {NoteField::LongitudeDegrees, 40, 3, "longitude degrees"},
    {NoteField::LongitudeMinutes, 43, 2, "longitude minutes"},
    {NoteField::LongitudeSeconds, 45, 2, "longitude seconds"},
    {NoteField::LongitudeTenths, 47, 1, "longitude tenths of a second"},
}};

constexpr const NoteFieldInfo& NoteFieldAt(NoteField field) {
    return kMakerNoteLayout[static_cast<std::size_t>(field)];
}

// Length of the whole MakerNote text; characters beyond it are not used.
inline constexpr std::size_t kMakerNoteLength = kMakerNoteLayout.back().offset + kMakerNoteLayout.back().length;

// Scale of the MakerNote's numbers: speeds in tenths of km/h, accelerations in hundredths of G.
inline constexpr double kSpeedScale = 10.0;
inline constexpr double kAccelScale = 100.0;

// --- the UserComment: 20 unused bytes, then the recorder's status block ---

inline constexpr std::size_t kStatusBlockOffset = 20;
inline constexpr std::size_t kStatusBlockSize = 74;
inline constexpr std::size_t kUserCommentSize = kStatusBlockOffset + kStatusBlockSize;

enum class StatusBit {
    TriggerMark,
    ExternalSwitch,
    VehicleSignals,
    LongitudinalNegative,
    LateralNegative,
    Axis3Negative,
    TriggerMarkSecondForm,
    PowerCut,
    HighFrameRate,
    HighQuality,
    NoMainSpeed,
};

// Set when block byte `offset` AND mask equals `value`; a value of 0 means any bit of the mask.
struct StatusBitInfo {
    StatusBit bit;
    std::size_t offset;  // byte of the status block (UserComment byte kStatusBlockOffset + offset)
    std::uint8_t mask;
    std::uint8_t value;
    std::string_view meaning;
};

inline constexpr std::array<StatusBitInfo, 11> kStatusBlockLayout{{
    {StatusBit::TriggerMark, 0, 0x06, 0, "this frame carries the trigger mark"},
    {StatusBit::ExternalSwitch, 0, 0x06, 0x06, "the mark came from the external switch, else from shock detection"},
    {StatusBit::VehicleSignals, 2, 0x04, 0x04, "vehicle signals (brake, speed pulse) are wired"},
    {StatusBit::LongitudinalNegative, 4, 0x80, 0x80, "longitudinal acceleration is negative"},
    {StatusBit::LateralNegative, 6, 0x80, 0x80, "lateral acceleration is negative"},
    {StatusBit::Axis3Negative, 8, 0x80, 0x80, "third-axis acceleration is negative"},
    {StatusBit::TriggerMarkSecondForm, 24, 0xE0, 0x60, "this frame carries the trigger mark (second form)"},
    {StatusBit::PowerCut, 34, 0x04, 0x04, "with the second form: the constant-power supply was cut off"},
    {StatusBit::HighFrameRate, 34, 0x40, 0x40, "recorded at 14 frames per second, else 7"},
    {StatusBit::HighQuality, 34, 0x80, 0x80, "recorded in high quality"},
    {StatusBit::NoMainSpeed, 70, 0x07, 0x07, "the main speed is not available"},
}};

constexpr const StatusBitInfo& StatusBitAt(StatusBit bit) { return kStatusBlockLayout[static_cast<std::size_t>(bit)]; }

constexpr bool StatusBitSet(const StatusBitInfo& info, std::uint8_t blockByte) {
    const auto bits = static_cast<std::uint8_t>(blockByte & info.mask);
    return info.value == 0 ? bits != 0 : bits == info.value;
}

namespace layout_checks {
constexpr bool noteFieldsInOrderAndContiguous() {
    std::size_t next = 0;
    for (std::size_t i = 0; i < kMakerNoteLayout.size(); ++i) {
        if (static_cast<std::size_t>(kMakerNoteLayout[i].field) != i || kMakerNoteLayout[i].offset != next)
            return false;
        next += kMakerNoteLayout[i].length;
    }
    return true;
}
constexpr bool statusBitsInOrderAndInside() {
    for (std::size_t i = 0; i < kStatusBlockLayout.size(); ++i) {
        if (static_cast<std::size_t>(kStatusBlockLayout[i].bit) != i) return false;
        if (kStatusBlockLayout[i].offset >= kStatusBlockSize) return false;
    }
    return true;
}
}  // namespace layout_checks
static_assert(layout_checks::noteFieldsInOrderAndContiguous(), "MakerNote table out of order or with gaps");
static_assert(layout_checks::statusBitsInOrderAndInside(), "status table out of order or outside the block");

}  // namespace drv

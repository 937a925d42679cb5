#pragma once
// Writes frames the way the recorder does: SOI, then at once the Exif APP1 segment
// (TIFF header at file offset 12) with IFD0 {DateTime, Exif IFD pointer} and the Exif IFD
// {DateTimeOriginal, DateTimeDigitized, MakerNote, UserComment}, then the picture.
// Used by tests, the fuzzer's seeds and `drtool sample`.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/exif/recorder_layout.h"

namespace drv {

struct FrameExif {
    std::string makerNote;  // written with a terminating zero
    std::array<std::uint8_t, kUserCommentSize> userComment{};
    std::string dateTimeOriginal = "2000:01:01 00:00:00";
    std::string dateTimeDigitized = "2000:01:01 00:00:00";
    std::string dateTime = "2000:01:01 00:00:00";
    bool bigEndian = false;  // "MM" instead of "II"

    // Byte k of the status block.
    std::uint8_t& block(std::size_t k) { return userComment.at(kStatusBlockOffset + k); }
    // Sets a status bit; a mark of either kind (a mask without a value) is written as its
    // lowest bit, the shock detection's.
    void set(StatusBit which) {
        const StatusBitInfo& at = StatusBitAt(which);
        block(at.offset) |= at.value != 0 ? at.value : static_cast<std::uint8_t>(at.mask & -at.mask);
    }
};

// Where things went, as offsets from the TIFF base, so that tests can
// damage a frame at a precise place.
struct ExifLayout {
    static constexpr std::size_t kTiffBase = kExifTiffHeaderOffset;
    std::uint32_t ifd0 = 0;
    std::uint32_t exifIfd = 0;
    std::uint32_t dateTime = 0;
    std::uint32_t dateTimeOriginal = 0;
    std::uint32_t dateTimeDigitized = 0;
    std::uint32_t makerNote = 0;
    std::uint32_t userComment = 0;
    // File offset of entry k of IFD0 / the Exif IFD (tag order: 0x0132, 0x8769 and
    // 0x9003, 0x9004, 0x927C, 0x9286).
    std::size_t ifd0Entry(int k) const { return kTiffBase + ifd0 + 2 + 12 * static_cast<std::size_t>(k); }
    std::size_t exifEntry(int k) const { return kTiffBase + exifIfd + 2 + 12 * static_cast<std::size_t>(k); }
};

// SOI followed by the Exif APP1 segment. Empty when the texts do not fit one segment.
std::vector<std::uint8_t> BuildExifHeader(const FrameExif& exif, ExifLayout* layout = nullptr);

// A whole frame: the header above, then `jpeg` without its SOI and any APP0 (JFIF)
// segments that directly follow it. Empty when `jpeg` does not start with SOI or a
// segment length runs past its end.
std::vector<std::uint8_t> BuildFrame(const FrameExif& exif, const std::uint8_t* jpeg, std::size_t jpegSize,
                                     ExifLayout* layout = nullptr);

// The smallest stand-in for a picture (SOI, EOI) for tests that only need telemetry.
std::vector<std::uint8_t> TinyJpegBody();

// The recorder's MakerNote fields, written at their fixed character positions.
struct MakerNoteFields {
    double speed = 0;       // km/h, 0..999.9
    double pulseSpeed = 0;  // km/h
    bool brake = false;
    double accelLongitudinal = 0;  // G; the sign goes to the UserComment
    double accelLateral = 0;
    double accelAxis3 = 0;
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    char latitudePrefix = 'N';
    int latitudeDegrees = 0, latitudeMinutes = 0, latitudeSeconds = 0, latitudeTenths = 0;
    char longitudePrefix = 'E';
    int longitudeDegrees = 0, longitudeMinutes = 0, longitudeSeconds = 0, longitudeTenths = 0;
};

// The kMakerNoteLength-character MakerNote text for the fields (magnitudes only; signs are set with
// SetAccelerationSigns).
std::string FormatMakerNote(const MakerNoteFields& fields);

// Sets the sign bits of the three accelerations in the status block.
void SetAccelerationSigns(FrameExif& exif, const MakerNoteFields& fields);

}  // namespace drv

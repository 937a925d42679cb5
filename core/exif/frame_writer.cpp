#include "core/exif/frame_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "core/common/numbers.h"

namespace drv {
namespace {

constexpr std::uint16_t kAscii = 2;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kUndefined = 7;

class TiffWriter {
public:
    explicit TiffWriter(bool bigEndian) : bigEndian_(bigEndian) {}

    void u16(std::uint16_t v) {
        if (bigEndian_) {
            out_.push_back(static_cast<std::uint8_t>(v >> 8));
            out_.push_back(static_cast<std::uint8_t>(v));
        } else {
            out_.push_back(static_cast<std::uint8_t>(v));
            out_.push_back(static_cast<std::uint8_t>(v >> 8));
        }
    }
    void u32(std::uint32_t v) {
        if (bigEndian_) {
            u16(static_cast<std::uint16_t>(v >> 16));
            u16(static_cast<std::uint16_t>(v));
        } else {
            u16(static_cast<std::uint16_t>(v));
            u16(static_cast<std::uint16_t>(v >> 16));
        }
    }
    void entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        u16(tag);
        u16(type);
        u32(count);
        u32(value);
    }
    void bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), p, p + size);
    }
    void padEven() {
        if (out_.size() % 2) out_.push_back(0);
    }
    std::vector<std::uint8_t>& out() { return out_; }

private:
    bool bigEndian_;
    std::vector<std::uint8_t> out_;
};

std::uint32_t evenSize(std::size_t n) { return static_cast<std::uint32_t>(n + (n % 2)); }

// Digits of a non-negative value, zero-padded to `width`, cut to the last `width`.
std::string digits(long long value, int width) {
    if (value < 0) value = -value;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", width, value);
    std::string s = buf;
    return s.substr(s.size() - static_cast<std::size_t>(width));
}

}  // namespace

std::vector<std::uint8_t> BuildExifHeader(const FrameExif& exif, ExifLayout* layout) {
    ExifLayout at;
    at.ifd0 = 8;                                       // after the 8-byte TIFF header
    at.exifIfd = at.ifd0 + 2 + 2 * 12 + 4;             // IFD0: count, 2 entries, next link
    std::uint32_t data = at.exifIfd + 2 + 4 * 12 + 4;  // Exif IFD: count, 4 entries, next link
    at.dateTime = data;
    data += evenSize(exif.dateTime.size() + 1);
    at.dateTimeOriginal = data;
    data += evenSize(exif.dateTimeOriginal.size() + 1);
    at.dateTimeDigitized = data;
    data += evenSize(exif.dateTimeDigitized.size() + 1);
    at.makerNote = data;
    data += evenSize(exif.makerNote.size() + 1);
    at.userComment = data;
    data += kUserCommentSize;
    // APP1 length counts itself (2) + "Exif\0\0" (6) + the TIFF data.
    if (std::uint64_t{data} + 8 > 0xFFFF) return {};

    TiffWriter w(exif.bigEndian);
    w.bytes(exif.bigEndian ? "MM" : "II", 2);
    w.u16(42);
    w.u32(at.ifd0);
    // IFD0
    w.u16(2);
    w.entry(kTagDateTime, kAscii, static_cast<std::uint32_t>(exif.dateTime.size() + 1), at.dateTime);
    w.entry(kTagExifIfd, kLong, 1, at.exifIfd);
    w.u32(0);
    // Exif IFD
    w.u16(4);
    w.entry(kTagDateTimeOriginal, kAscii, static_cast<std::uint32_t>(exif.dateTimeOriginal.size() + 1),
            at.dateTimeOriginal);
    w.entry(kTagDateTimeDigitized, kAscii, static_cast<std::uint32_t>(exif.dateTimeDigitized.size() + 1),
            at.dateTimeDigitized);
    w.entry(kTagMakerNote, kUndefined, static_cast<std::uint32_t>(exif.makerNote.size() + 1), at.makerNote);
    w.entry(kTagUserComment, kUndefined, kUserCommentSize, at.userComment);
    w.u32(0);
    for (const std::string* text : {&exif.dateTime, &exif.dateTimeOriginal, &exif.dateTimeDigitized, &exif.makerNote}) {
        w.bytes(text->c_str(), text->size() + 1);
        w.padEven();
    }
    w.bytes(exif.userComment.data(), exif.userComment.size());

    const std::vector<std::uint8_t>& tiff = w.out();
    const std::size_t app1Length = tiff.size() + 8;
    std::vector<std::uint8_t> out = {0xFF,
                                     0xD8,
                                     0xFF,
                                     0xE1,
                                     static_cast<std::uint8_t>(app1Length >> 8),
                                     static_cast<std::uint8_t>(app1Length),
                                     'E',
                                     'x',
                                     'i',
                                     'f',
                                     0,
                                     0};
    out.insert(out.end(), tiff.begin(), tiff.end());
    if (layout) *layout = at;
    return out;
}

std::vector<std::uint8_t> BuildFrame(const FrameExif& exif, const std::uint8_t* jpeg, std::size_t jpegSize,
                                     ExifLayout* layout) {
    if (!jpeg || jpegSize < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return {};
    // Skip SOI and the APP0 segments after it: marker 2 + length 2 (length counts itself).
    std::size_t pos = 2;
    while (jpegSize - pos >= 4 && jpeg[pos] == 0xFF && jpeg[pos + 1] == 0xE0) {
        const std::size_t length = std::size_t{jpeg[pos + 2]} << 8 | jpeg[pos + 3];
        if (length < 2 || length > jpegSize - pos - 2) return {};
        pos += 2 + length;
    }
    std::vector<std::uint8_t> out = BuildExifHeader(exif, layout);
    if (out.empty()) return {};
    out.insert(out.end(), jpeg + pos, jpeg + jpegSize);
    return out;
}

std::vector<std::uint8_t> TinyJpegBody() { return {0xFF, 0xD8, 0xFF, 0xD9}; }

std::string FormatMakerNote(const MakerNoteFields& f) {
    auto scaled = [](double value, double scale) { return RoundHalfEven(std::fabs(value) * scale); };
    // Every field but the two prefixes is digits; the hundreds digit of the latitude's
    // degrees has a field of its own.
    const long long values[] = {scaled(f.speed, kSpeedScale),
                                scaled(f.pulseSpeed, kSpeedScale),
                                f.brake ? 1 : 0,
                                scaled(f.accelLongitudinal, kAccelScale),
                                scaled(f.accelLateral, kAccelScale),
                                scaled(f.accelAxis3, kAccelScale),
                                f.year % 100,
                                f.month,
                                f.day,
                                f.hour,
                                f.minute,
                                f.second,
                                0,
                                std::abs(f.latitudeDegrees) / 100,
                                std::abs(f.latitudeDegrees) % 100,
                                f.latitudeMinutes,
                                f.latitudeSeconds,
                                f.latitudeTenths,
                                0,
                                f.longitudeDegrees,
                                f.longitudeMinutes,
                                f.longitudeSeconds,
                                f.longitudeTenths};
    static_assert(std::size(values) == kMakerNoteLayout.size(), "one value per MakerNote field");
    std::string s;
    for (const NoteFieldInfo& at : kMakerNoteLayout) {
        const long long value = values[static_cast<std::size_t>(at.field)];
        if (at.field == NoteField::LatitudePrefix) s += f.latitudePrefix;
        else if (at.field == NoteField::LongitudePrefix) s += f.longitudePrefix;
        else s += digits(value, static_cast<int>(at.length));
    }
    return s;
}

void SetAccelerationSigns(FrameExif& exif, const MakerNoteFields& f) {
    auto sign = [&](StatusBit which, double value) {
        const StatusBitInfo& at = StatusBitAt(which);
        std::uint8_t& byte = exif.block(at.offset);
        byte = static_cast<std::uint8_t>(value < 0 ? (byte | at.mask) : (byte & ~at.mask));
    };
    sign(StatusBit::LongitudinalNegative, f.accelLongitudinal);
    sign(StatusBit::LateralNegative, f.accelLateral);
    sign(StatusBit::Axis3Negative, f.accelAxis3);
}

}  // namespace drv

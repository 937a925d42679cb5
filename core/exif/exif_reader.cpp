#include "core/exif/exif_reader.h"

#include <algorithm>

#include "core/exif/recorder_layout.h"

namespace drv {
namespace {

constexpr std::uint64_t kTiffBase = kExifTiffHeaderOffset;

// Where a tag's value lies, from its last entry; nothing is read until the IFD is walked.
struct Value {
    bool present = false;
    std::uint32_t offset = 0;  // from the TIFF base
    std::uint32_t count = 0;
};

class TiffReader {
public:
    TiffReader(ExifSegmentFile& file, bool bigEndian, ExifReadCost& cost)
        : file_(file), bigEndian_(bigEndian), cost_(cost) {}

    // Fills `tags`; false when the structure points outside the segment or a read fails.
    bool read(ExifTags& tags) {
        // byte order 2 + identifier 2 + IFD0 offset 4 = 8 bytes at the TIFF base
        const std::uint8_t* header = file_.bytes(kTiffBase, 8);
        if (!header) return false;

        Value dateTime, exifIfd;
        const bool ok0 = walkIfd(u32(header + 4), [&](std::uint16_t tag, std::uint32_t, std::uint32_t value) {
            if (tag == kTagDateTime) return textAt(value, dateTime);
            if (tag == kTagExifIfd) exifIfd = {true, value, 0};
            return true;
        });
        if (!ok0 || !nulText(dateTime, tags.DateTimeText)) return false;
        if (!exifIfd.present) return true;

        Value original, digitized, makerNote, userComment;
        const bool ok = walkIfd(exifIfd.offset, [&](std::uint16_t tag, std::uint32_t count, std::uint32_t value) {
            switch (tag) {
                case kTagDateTimeOriginal: return textAt(value, original);
                case kTagDateTimeDigitized: return textAt(value, digitized);
                case kTagMakerNote: return textAt(value, makerNote);
                case kTagUserComment: return bytesAt(value, count, userComment);
                default: return true;
            }
        });
        return ok && nulText(original, tags.DateTimeOriginalText) && nulText(digitized, tags.DateTimeDigitizedText) &&
               nulText(makerNote, tags.MakerNoteText) && hexBytes(userComment, tags.UserCommentHex);
    }

private:
    std::uint16_t u16(const std::uint8_t* p) const {
        return bigEndian_ ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    std::uint32_t u32(const std::uint8_t* p) const {
        return bigEndian_ ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3])
                          : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]);
    }

    // Calls onEntry(tag, count, value) for each entry, straight from the segment's bytes;
    // false when the IFD lies outside the segment or onEntry refuses an entry.
    template <typename OnEntry>
    bool walkIfd(std::uint32_t offset, OnEntry&& onEntry) {
        // entry count 2 bytes at TIFF base + offset
        const std::uint64_t start = kTiffBase + offset;
        const std::uint8_t* countBytes = file_.bytes(start, 2);
        if (!countBytes) return false;
        const std::uint16_t count = u16(countBytes);
        // A count that is negative as a signed 16-bit number means an IFD without entries.
        if (count == 0 || count >= 0x8000) return true;
        // entries 12 bytes each: tag 2 + type 2 + count 4 + value 4
        const std::uint8_t* e = file_.bytes(start + 2, std::uint64_t{count} * 12);
        if (!e) return false;
        for (std::uint32_t k = 0; k < count; ++k, e += 12) {
            if (!onEntry(u16(e), u32(e + 4), u32(e + 8))) return false;
        }
        return true;
    }

    // A text starts inside the segment and runs to a zero byte or the segment's end.
    bool textAt(std::uint32_t offset, Value& slot) const {
        if (kTiffBase + offset >= file_.limit()) return false;
        slot = {true, offset, 0};
        return true;
    }

    // `count` bytes, all inside the segment.
    bool bytesAt(std::uint32_t offset, std::uint32_t count, Value& slot) const {
        const std::uint64_t start = kTiffBase + offset;
        if (count > 0 && (start > file_.limit() || count > file_.limit() - start)) return false;
        slot = {true, offset, count};
        return true;
    }

    // Bytes up to the first zero byte (or the segment's end), line feeds as blanks.
    bool nulText(const Value& v, std::string& out) {
        if (!v.present) return true;
        const std::uint64_t start = kTiffBase + v.offset;
        const std::uint64_t length = std::min<std::uint64_t>(kMaxNulTextBytes, file_.limit() - start);
        const std::uint8_t* p = file_.bytes(start, length);
        if (!p) return false;
        std::uint64_t i = 0;
        for (; i < length && p[i] != 0; ++i) out += p[i] == 0x0A ? ' ' : static_cast<char>(p[i]);
        cost_.valueBytesDecoded += i;
        return true;
    }

    // Every byte as two uppercase hexadecimal digits.
    bool hexBytes(const Value& v, std::string& out) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        if (!v.present || v.count == 0) return true;
        const std::uint8_t* p = file_.bytes(kTiffBase + v.offset, v.count);
        if (!p) return false;
        out.resize(std::size_t{v.count} * 2);
        for (std::size_t i = 0; i < v.count; ++i) {
            out[2 * i] = kDigits[p[i] >> 4];
            out[2 * i + 1] = kDigits[p[i] & 0x0F];
        }
        cost_.valueBytesDecoded += v.count;
        return true;
    }

    ExifSegmentFile& file_;
    bool bigEndian_;
    ExifReadCost& cost_;
};

ExifStatus readTags(ExifSegmentFile& file, ExifTags& tags, ExifReadCost& cost) {
    if (file.status() != ExifStatus::Ok) return file.status();
    const std::uint8_t* mark = file.byteOrderMark();
    const bool little = mark[0] == 'I' && mark[1] == 'I';
    const bool big = mark[0] == 'M' && mark[1] == 'M';
    if (!little && !big) return ExifStatus::NoExif;  // JFIF or anything else without our header
    if (TiffReader(file, big, cost).read(tags)) return ExifStatus::Ok;
    return file.status() == ExifStatus::Ok ? ExifStatus::Damaged : file.status();
}

}  // namespace

ExifTags ReadExifTags(const std::filesystem::path& path, ExifReadCost* cost) {
    ExifTags tags;
    ExifReadCost spent;
    ExifSegmentFile file(path);
    const ExifStatus status = readTags(file, tags, spent);
    if (status != ExifStatus::Ok) tags = ExifTags{};
    tags.status = status;
    if (cost) {
        spent.bytesRead = file.bytesRead();
        spent.bufferBytes = file.limit();
        *cost = spent;
    }
    return tags;
}

}  // namespace drv

#pragma once
// Reads the five Exif texts that carry a recorder frame's telemetry.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "core/exif/exif_segment.h"

namespace drv {

// The raw texts of one frame. Each is empty when its tag is absent or the file's
// structure cannot be trusted; `status` says which.
struct ExifTags {
    std::string MakerNoteText;           // 0x927C, bytes up to the first zero, line feeds as blanks
    std::string UserCommentHex;          // 0x9286, every byte as two uppercase hex digits
    std::string DateTimeOriginalText;    // 0x9003
    std::string DateTimeDigitizedText;   // 0x9004
    std::string DateTimeText;            // 0x0132 in IFD0
    ExifStatus status = ExifStatus::Ok;  // anything but Ok comes with five empty texts
};

// Texts longer than the decoder could ever use are cut here, so a text without a
// terminating zero cannot make the reader copy a whole segment.
inline constexpr std::size_t kMaxNulTextBytes = 256;

// What one read cost: bytes read from the file, the largest buffer held, and value bytes
// turned into texts. For tests and benchmarks.
struct ExifReadCost {
    std::uint64_t bytesRead = 0;
    std::uint64_t bufferBytes = 0;
    std::uint64_t valueBytesDecoded = 0;
};

// The Exif segment is expected right after the start-of-image marker (TIFF header at file
// offset 12), and nothing is read beyond 64 KiB past that header or the file's end: an
// offset or count that points outside makes the frame Damaged. Each tag is decoded once,
// from its last entry.
ExifTags ReadExifTags(const std::filesystem::path& path, ExifReadCost* cost = nullptr);

}  // namespace drv

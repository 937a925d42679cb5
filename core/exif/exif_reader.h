#pragma once
// Reads the five Exif texts that carry a recorder frame's telemetry.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace drv {

// The raw texts of one frame. Each is empty when its tag is absent or the file's
// structure cannot be trusted.
struct ExifTags {
    std::string MakerNoteText;          // 0x927C, bytes up to the first zero, line feeds as blanks
    std::string UserCommentHex;         // 0x9286, every byte as two uppercase hex digits
    std::string DateTimeOriginalText;   // 0x9003
    std::string DateTimeDigitizedText;  // 0x9004
    std::string DateTimeText;           // 0x0132 in IFD0
};

// Texts longer than the decoder could ever use are cut here, so a text without a
// terminating zero cannot make the reader copy a whole file.
inline constexpr std::size_t kMaxNulTextBytes = 256;
// The recorder writes 94 bytes; anything up to the largest APP1 segment is kept whole.
inline constexpr std::size_t kMaxUserCommentBytes = 65535;

// The Exif segment is expected right after the start-of-image marker (TIFF header at
// file offset 12). A file that cannot be opened, is not an ordinary file, or whose
// offsets or counts point outside it gives five empty texts.
ExifTags ReadExifTags(const std::filesystem::path& path);

// The same on a file already in memory.
ExifTags ReadExifTagsFromMemory(const std::uint8_t* data, std::size_t size);

}  // namespace drv

#pragma once
// Bounded access to the Exif data that the recorder writes right after SOI. Everything the
// recorder stores (TIFF header, IFDs, texts) lies within 64 KiB past the TIFF header, so that
// window (cut at the file's end) bounds every read, whatever offsets or sizes the file claims.
// The APP1 length field is not consulted: the recorder's frames are read without it, and a
// frame whose field understates its segment still carries its telemetry.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "core/exif/recorder_layout.h"

namespace drv {

// How reading a frame's Exif data went.
enum class ExifStatus {
    Ok,          // the segment was read and every offset the tags use lies inside it
    NotAFile,    // no path, no such file, or not an ordinary file (folder, pipe, device)
    Unreadable,  // the file exists but could not be opened or read
    NoExif,      // no "II"/"MM" TIFF header at file offset 12: a foreign or JFIF file
    Damaged,     // an offset or count points outside the readable window
};

// Reads end 64 KiB past the TIFF header, the most an APP1 segment can hold.
inline constexpr std::size_t kExifReadLimit = kExifTiffHeaderOffset + kExifDataMaxBytes;

// One open frame file. Only [0, limit()) can be read: the file's first kExifReadLimit bytes
// (or the whole file, when it is shorter). Bytes are read from the file in
// 4 KiB pages when an access first needs them, into one buffer of limit() bytes.
class ExifSegmentFile {
public:
    explicit ExifSegmentFile(const std::filesystem::path& path);
    ~ExifSegmentFile();
    ExifSegmentFile(const ExifSegmentFile&) = delete;
    ExifSegmentFile& operator=(const ExifSegmentFile&) = delete;

    // Ok, NotAFile or Unreadable (also after a failed page read).
    ExifStatus status() const { return status_; }
    std::uint64_t limit() const { return limit_; }

    // Bytes [offset, offset + length), or nullptr when they are not all below limit() or
    // cannot be read. Pointers stay valid as long as the object lives.
    const std::uint8_t* bytes(std::uint64_t offset, std::uint64_t length);

    // The first two bytes at file offset 12 (the TIFF byte order); zeros when the file is shorter.
    const std::uint8_t* byteOrderMark() const { return mark_; }

    std::uint64_t bytesRead() const { return bytesRead_; }

private:
    static constexpr std::uint64_t kPage = 4096;
    static constexpr int kPages = static_cast<int>((kExifReadLimit + kPage - 1) / kPage);
    static_assert(kPages <= 32, "one bit per page in loaded_");

    bool load(int firstPage, int endPage);

    int fd_ = -1;
    ExifStatus status_ = ExifStatus::NotAFile;
    std::uint64_t limit_ = 0;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint32_t loaded_ = 0;  // bit p: page p is in buffer_
    std::uint8_t mark_[2] = {0, 0};
    std::uint64_t bytesRead_ = 0;
};

}  // namespace drv

#pragma once
// Bounded access to the Exif APP1 segment that the recorder writes right after SOI. Everything
// the recorder stores (TIFF header, IFDs, texts) lies inside that segment, so the segment's
// length field bounds every read, whatever offsets or sizes the file claims.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace drv {

// How reading a frame's Exif data went.
enum class ExifStatus {
    Ok,          // the segment was read and every offset the tags use lies inside it
    NotAFile,    // no path, no such file, or not an ordinary file (folder, pipe, device)
    Unreadable,  // the file exists but could not be opened or read
    NoExif,      // no "II"/"MM" TIFF header at file offset 12: a foreign or JFIF file
    Damaged,     // an offset or count points outside the Exif segment
};

// SOI 2 + APP1 marker 2, then the segment's big-endian length (which counts itself) at
// file offset 4: the segment ends at 4 + length, at most 4 + 65535.
inline constexpr std::size_t kExifLengthOffset = 4;
inline constexpr std::size_t kMaxExifSegmentEnd = kExifLengthOffset + 0xFFFF;

// One open frame file. Only [0, limit()) can be read: the file's first bytes up to the end of
// the Exif segment (or of the file, when it is shorter). Bytes are read from the file in
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

    // The first two bytes at file offset 12 (the TIFF byte order), read whatever the segment's
    // length says; zeros when the file is shorter.
    const std::uint8_t* byteOrderMark() const { return mark_; }

    std::uint64_t bytesRead() const { return bytesRead_; }

private:
    static constexpr std::uint64_t kPage = 4096;
    static constexpr int kPages = static_cast<int>((kMaxExifSegmentEnd + kPage - 1) / kPage);
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

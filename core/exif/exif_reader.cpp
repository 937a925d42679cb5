#include "core/exif/exif_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace drv {
namespace {

constexpr std::uint64_t kTiffBase = 12;
// The frame's Exif data sits in the first few hundred bytes; one read of this size
// covers it, and only offsets beyond it cost another read.
constexpr std::size_t kFirstBlock = 4096;

enum class ReadStatus { Ok, Truncated };

// A prefix of the file (or a whole buffer in memory). Every access names an offset
// and a length and is refused unless both lie inside the file.
class ByteSource {
public:
    ByteSource(const std::uint8_t* data, std::uint64_t size) : data_(data), loaded_(size), size_(size) {}

    ByteSource(int fd, std::uint64_t size) : size_(size), fd_(fd) {}

    std::uint64_t size() const { return size_; }

    // Pointer to bytes [offset, offset + length), or nullptr when they are not all in the file
    // (or cannot be read).
    const std::uint8_t* bytes(std::uint64_t offset, std::uint64_t length) {
        if (offset > size_ || length > size_ - offset) return nullptr;
        const std::uint64_t end = offset + length;
        if (end > loaded_ && !load(end)) return nullptr;
        return data_ + offset;
    }

private:
    // Extends the loaded prefix to at least `end` bytes (end <= size_).
    bool load(std::uint64_t end) {
        if (fd_ < 0) return false;
        std::uint64_t want = std::max<std::uint64_t>(end, kFirstBlock);
        want = std::min(size_, (want + kFirstBlock - 1) / kFirstBlock * kFirstBlock);
        buffer_.resize(static_cast<std::size_t>(want));
        while (loaded_ < want) {
            const ssize_t got = ::pread(fd_, buffer_.data() + loaded_, static_cast<std::size_t>(want - loaded_),
                                        static_cast<off_t>(loaded_));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                // The file shrank or failed under us: what was read is all there is.
                size_ = loaded_;
                buffer_.resize(static_cast<std::size_t>(loaded_));
                data_ = buffer_.data();
                return end <= loaded_;
            }
            loaded_ += static_cast<std::uint64_t>(got);
        }
        data_ = buffer_.data();
        return true;
    }

    const std::uint8_t* data_ = nullptr;
    std::uint64_t loaded_ = 0;
    std::uint64_t size_ = 0;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
};

class TiffReader {
public:
    explicit TiffReader(ByteSource& source) : src_(source) {}

    // Fills `tags`; false when the structure points outside the file.
    bool read(ExifTags& tags) {
        // byte order 2 + identifier 2 + IFD0 offset 4 = 8 bytes at the TIFF base
        const std::uint8_t* header = src_.bytes(kTiffBase, 8);
        if (!header) return true;  // too short to hold an Exif header: no telemetry, not an error
        if (header[0] == 'I' && header[1] == 'I') {
            bigEndian_ = false;
        } else if (header[0] == 'M' && header[1] == 'M') {
            bigEndian_ = true;
        } else {
            return true;  // JFIF or anything else without our header: no texts
        }
        const std::uint32_t ifd0 = u32(header + 4);

        bool haveExifIfd = false;
        std::uint32_t exifIfd = 0;
        const bool ok0 = walkIfd(ifd0, [&](std::uint16_t tag, std::uint32_t count, std::uint32_t value) {
            (void)count;
            if (tag == 0x0132) return nulText(value, tags.DateTimeText);
            if (tag == 0x8769) {
                haveExifIfd = true;
                exifIfd = value;
            }
            return true;
        });
        if (!ok0) return false;
        if (!haveExifIfd) return true;

        return walkIfd(exifIfd, [&](std::uint16_t tag, std::uint32_t count, std::uint32_t value) {
            switch (tag) {
                case 0x9003: return nulText(value, tags.DateTimeOriginalText);
                case 0x9004: return nulText(value, tags.DateTimeDigitizedText);
                case 0x927C: return nulText(value, tags.MakerNoteText);
                case 0x9286: return hexBytes(value, count, tags.UserCommentHex);
                default: return true;
            }
        });
    }

private:
    std::uint16_t u16(const std::uint8_t* p) const {
        return bigEndian_ ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                          : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    std::uint32_t u32(const std::uint8_t* p) const {
        return bigEndian_ ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3])
                          : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]);
    }

    // Calls onEntry(tag, count, value) for each entry; false when the IFD or a value
    // it names lies outside the file.
    template <typename OnEntry>
    bool walkIfd(std::uint32_t offset, OnEntry&& onEntry) {
        // entry count 2 bytes at TIFF base + offset
        const std::uint64_t start = kTiffBase + offset;
        const std::uint8_t* countBytes = src_.bytes(start, 2);
        if (!countBytes) return false;
        const std::uint16_t count = u16(countBytes);
        // The recorder's counts are small; a count that is negative as a signed 16-bit
        // number means an IFD without entries.
        if (count == 0 || count >= 0x8000) return true;
        // entries 12 bytes each: tag 2 + type 2 + count 4 + value 4
        const std::uint8_t* entries = src_.bytes(start + 2, std::uint64_t{count} * 12);
        if (!entries) return false;
        for (std::uint32_t k = 0; k < count; ++k) {
            // Re-fetch: reading a value may have moved the loaded prefix.
            const std::uint8_t* e = src_.bytes(start + 2 + std::uint64_t{k} * 12, 12);
            if (!e) return false;
            if (!onEntry(u16(e), u32(e + 4), u32(e + 8))) return false;
        }
        return true;
    }

    // Bytes from TIFF base + offset up to the first zero byte or the end of the file.
    bool nulText(std::uint32_t offset, std::string& out) {
        const std::uint64_t start = kTiffBase + offset;
        if (start >= src_.size()) return false;
        const std::uint64_t length = std::min<std::uint64_t>(kMaxNulTextBytes, src_.size() - start);
        const std::uint8_t* p = src_.bytes(start, length);
        if (!p) return false;
        out.clear();
        for (std::uint64_t i = 0; i < length && p[i] != 0; ++i) out += p[i] == 0x0A ? ' ' : static_cast<char>(p[i]);
        return true;
    }

    // `count` bytes at TIFF base + offset as uppercase hexadecimal digits.
    bool hexBytes(std::uint32_t offset, std::uint32_t count, std::string& out) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        out.clear();
        if (count == 0) return true;
        const std::uint8_t* p = src_.bytes(kTiffBase + offset, count);
        if (!p) return false;
        const std::size_t kept = std::min<std::size_t>(count, kMaxUserCommentBytes);
        out.resize(kept * 2);
        for (std::size_t i = 0; i < kept; ++i) {
            out[2 * i] = kDigits[p[i] >> 4];
            out[2 * i + 1] = kDigits[p[i] & 0x0F];
        }
        return true;
    }

    ByteSource& src_;
    bool bigEndian_ = false;
};

ExifTags readFrom(ByteSource& source) {
    ExifTags tags;
    TiffReader reader(source);
    if (!reader.read(tags)) return ExifTags{};
    return tags;
}

}  // namespace

ExifTags ReadExifTagsFromMemory(const std::uint8_t* data, std::size_t size) {
    if (!data) return ExifTags{};
    ByteSource source(data, size);
    return readFrom(source);
}

ExifTags ReadExifTags(const std::filesystem::path& path) {
    if (path.empty()) return ExifTags{};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return ExifTags{};
    ExifTags tags;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        ByteSource source(fd, static_cast<std::uint64_t>(st.st_size));
        tags = readFrom(source);
    }
    ::close(fd);
    return tags;
}

}  // namespace drv

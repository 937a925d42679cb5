#include "core/exif/exif_splice.h"

#include <cstring>

#include "core/exif/exif_segment.h"

namespace drv {

namespace {

// Length of the segment whose marker starts at `at`, marker included; 0 when fewer than
// marker 2 + length 2 bytes are left, the length is below 2 or it runs past `size`.
std::size_t segmentSize(const std::uint8_t* data, std::size_t size, std::size_t at) {
    if (at > size || size - at < 4) return 0;
    const std::size_t length = (std::size_t{data[at + 2]} << 8) | data[at + 3];
    if (length < 2 || length > size - at - 2) return 0;
    return 2 + length;
}

bool isSoi(const std::uint8_t* data, std::size_t size) { return size >= 2 && data[0] == 0xFF && data[1] == 0xD8; }

// An APP1 segment of at least marker 2 + length 2 + "Exif\0\0" 6 bytes, within `size`.
bool isExifAt(const std::uint8_t* data, std::size_t size, std::size_t at) {
    const std::size_t n = segmentSize(data, size, at);
    return n >= 10 && data[at] == 0xFF && data[at + 1] == 0xE1 && std::memcmp(data + at + 4, "Exif\0\0", 6) == 0;
}

}  // namespace

std::vector<std::uint8_t> ExifSegmentAfterSoi(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || !isSoi(data, size) || !isExifAt(data, size, 2)) return {};
    return std::vector<std::uint8_t>(data + 2, data + 2 + segmentSize(data, size, 2));
}

std::vector<std::uint8_t> ReadExifSegment(const std::filesystem::path& file) {
    ExifSegmentFile in(file);
    const std::uint8_t* head = in.bytes(0, in.limit());
    return head ? ExifSegmentAfterSoi(head, static_cast<std::size_t>(in.limit())) : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> SpliceExifSegment(const std::uint8_t* jpeg, std::size_t size,
                                            const std::vector<std::uint8_t>& segment) {
    if (jpeg == nullptr || !isSoi(jpeg, size) || !isExifAt(segment.data(), segment.size(), 0) ||
        segmentSize(segment.data(), segment.size(), 0) != segment.size()) {
        return {};
    }
    std::size_t at = 2;
    while (size - at >= 2 && jpeg[at] == 0xFF && (jpeg[at + 1] == 0xE0 || isExifAt(jpeg, size, at))) {
        const std::size_t n = segmentSize(jpeg, size, at);
        if (n == 0) return {};
        at += n;
    }
    std::vector<std::uint8_t> out;
    out.reserve(2 + segment.size() + (size - at));
    out.insert(out.end(), jpeg, jpeg + 2);
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg + at, jpeg + size);
    return out;
}

}  // namespace drv

#pragma once
// Moves a frame's Exif APP1 segment into another JPEG, so that a picture saved from the
// viewer still carries the recorder's telemetry where the reader looks for it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace drv {

// The Exif APP1 segment that sits right after SOI, from its marker FF E1 to its end; empty
// when the data does not start with SOI + APP1 "Exif\0\0" or the segment runs past the data.
std::vector<std::uint8_t> ExifSegmentAfterSoi(const std::uint8_t* data, std::size_t size);

// The same from a file, reading no further than that segment's end; empty when the file is
// not an ordinary readable file.
std::vector<std::uint8_t> ReadExifSegment(const std::filesystem::path& file);

// `jpeg` with `segment` (as ExifSegmentAfterSoi gives it) right after its SOI. APP0 (JFIF)
// and Exif APP1 segments that directly follow the SOI are dropped, so the reader finds the
// TIFF header at file offset 12. Empty when `jpeg` does not start with SOI, one of those
// segments runs past its end, or `segment` is not an Exif APP1 segment.
std::vector<std::uint8_t> SpliceExifSegment(const std::uint8_t* jpeg, std::size_t size,
                                            const std::vector<std::uint8_t>& segment);

}  // namespace drv

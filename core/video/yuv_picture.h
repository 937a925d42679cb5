#pragma once
// Pictures in the encoder's own form: 8-bit YUV 4:2:0, BT.601 matrix, limited range. A frame
// goes from its JPEG's planes (the same matrix in the full range) to this form without a round
// trip through RGB; only the rows the band covers are drawn in RGB.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/picture/jpeg_decoder.h"

namespace drv {

struct YuvPicture {
    int width = 0;                    // even
    int height = 0;                   // even
    std::vector<std::uint8_t> bytes;  // Y (width x height), then U and V (width/2 x height/2)

    explicit operator bool() const { return width > 0; }
    std::uint8_t* plane(int i) { return bytes.data() + offset(i); }
    const std::uint8_t* plane(int i) const { return bytes.data() + offset(i); }
    int stride(int i) const { return i == 0 ? width : width / 2; }
    std::size_t offset(int i) const {
        const std::size_t luma = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        return i == 0 ? 0 : luma + static_cast<std::size_t>(i - 1) * (luma / 4);
    }
};

// A black picture of even width and height.
YuvPicture BlackYuvPicture(int width, int height);

// `planes` stretched to width x height at the top of a black picture `outHeight` rows tall;
// empty when the planes cannot be converted.
YuvPicture YuvFromJpegPlanes(const JpegPlanes& planes, int width, int height, int outHeight);

// Rows top .. top + rows (top and rows even) of `picture` as 32-bit pixels (0xffRRGGBB), and back.
void YuvRowsToRgb32(const YuvPicture& picture, int top, int rows, std::uint8_t* rgb, std::size_t stride);
void Rgb32ToYuvRows(const std::uint8_t* rgb, std::size_t stride, YuvPicture& picture, int top, int rows);

}  // namespace drv

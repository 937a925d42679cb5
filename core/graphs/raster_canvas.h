#pragma once
// A Canvas that rasterises onto a caller's 32-bit pixel buffer (0xffRRGGBB), at a fixed
// number of canvas units per pixel. Everything outside the buffer is clipped.
#include <cstddef>
#include <cstdint>

#include "core/graphs/canvas.h"

namespace drv {

inline constexpr std::int32_t kUnitsPerPixel = 15;  // 1440 units per inch at 96 pixels per inch

// Pixel that holds canvas coordinate v (floor, so negative coordinates map consistently).
std::int64_t unitsToPixel(std::int64_t v, std::int32_t unitsPerPixel = kUnitsPerPixel);
// Pixels needed to hold `extent` canvas units.
std::int32_t unitsToPixelExtent(std::int64_t extent, std::int32_t unitsPerPixel = kUnitsPerPixel);

inline constexpr std::uint32_t toPixel(Rgb c) {
    return 0xff000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}

// Pixel rectangle (inclusive) that a vertical line of pen width 1 covers, before clipping.
struct PixelSpan {
    std::int64_t x1, y1, x2, y2;
};
PixelSpan verticalLinePixels(std::int32_t x, std::int32_t y1, std::int32_t y2,
                             std::int32_t unitsPerPixel = kUnitsPerPixel);

class RasterCanvas final : public Canvas {
public:
    // `pixels` has `height` rows of `strideWords` words, each row at least `width` words.
    RasterCanvas(std::uint32_t* pixels, int width, int height, std::size_t strideWords,
                 std::int32_t unitsPerPixel = kUnitsPerPixel);

    void point(std::int32_t x, std::int32_t y, Rgb colour) override;
    void lineTo(std::int32_t x, std::int32_t y, Rgb colour) override;
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) override;
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) override;
    void fillRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Rgb colour) override;
    void setPenWidth(int width) override;

    // Fills the whole buffer.
    void clear(Rgb colour);

private:
    void fillPixels(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::uint32_t value);
    void stamp(std::int64_t px, std::int64_t py, std::uint32_t value);
    void pixelLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::uint32_t value);

    std::uint32_t* pixels_;
    int width_;
    int height_;
    std::size_t stride_;
    std::int32_t unitsPerPixel_;
    int penWidth_ = 1;
    std::int32_t lastX_ = 0;
    std::int32_t lastY_ = 0;
};

}  // namespace drv

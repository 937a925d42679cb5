// The pixel canvas: unit-to-pixel mapping, pen widths and clipping.
#include <gtest/gtest.h>
#include <limits>
#include <vector>

#include "core/graphs/raster_canvas.h"

namespace drv {
namespace {

TEST(GraphsRaster, UnitsToPixelFloors) {
    const std::pair<std::int64_t, std::int64_t> pixels[] = {{0, 0}, {14, 0}, {15, 1}, {-1, -1}, {-15, -1}, {-16, -2}};
    for (const auto& [units, pixel] : pixels) EXPECT_EQ(unitsToPixel(units), pixel) << units;
    const std::pair<std::int64_t, std::int32_t> extents[] = {{21495, 1433}, {5560, 371}, {-3, 0}};
    for (const auto& [units, pixels] : extents) EXPECT_EQ(unitsToPixelExtent(units), pixels) << units;
}

// A 20 x 10 picture inside a larger buffer whose border must never be written.
struct Guarded {
    static constexpr int W = 20, H = 10, Pad = 4, Stride = W + 2 * Pad;
    std::vector<std::uint32_t> buf = std::vector<std::uint32_t>(Stride * (H + 2 * Pad), 0x12345678u);
    RasterCanvas canvas{buf.data() + Pad * Stride + Pad, W, H, Stride, 1};
    std::uint32_t at(int x, int y) const { return buf[(y + Pad) * Stride + x + Pad]; }
    bool borderIntact() const {
        for (int y = -Pad; y < H + Pad; ++y)
            for (int x = -Pad; x < W + Pad; ++x)
                if ((x < 0 || y < 0 || x >= W || y >= H) && at(x, y) != 0x12345678u) return false;
        return true;
    }
    int count(Rgb c) const {
        int n = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) n += at(x, y) == toPixel(c);
        return n;
    }
};

TEST(GraphsRaster, FarOffLinesAreClippedToTheBuffer) {
    Guarded g;
    g.canvas.clear(kBlack);
    constexpr auto big = std::numeric_limits<std::int32_t>::max();
    constexpr auto small = std::numeric_limits<std::int32_t>::min();
    g.canvas.setPenWidth(2);
    g.canvas.line(small, small, big, big, kWhite);
    g.canvas.line(-100, 5, big, 5, kRed);
    g.canvas.fillRectangle(small, small, big, 2, kGreen);
    g.canvas.rectangle(-5, -5, 100, 100, kYellow);
    g.canvas.point(big, 3, kWhite);
    EXPECT_TRUE(g.borderIntact());
    EXPECT_EQ(g.count(kGreen), 20 * 3);
    EXPECT_GT(g.count(kRed), 0);
}

TEST(GraphsRaster, PenWidthAndLineToFromTheLastPoint) {
    Guarded g;
    g.canvas.clear(kBlack);
    g.canvas.setPenWidth(2);
    g.canvas.point(10, 5, kRed);  // a 2 x 2 dot from the point's pixel
    EXPECT_EQ(g.count(kRed), 4);
    EXPECT_EQ(g.at(11, 6), toPixel(kRed));
    g.canvas.lineTo(13, 8, kGreen);  // from the last point
    EXPECT_EQ(g.at(10, 5), toPixel(kGreen));
    EXPECT_EQ(g.at(14, 9), toPixel(kGreen));
    EXPECT_TRUE(g.borderIntact());
}

}  // namespace
}  // namespace drv

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "core/viewer/brightness.h"

namespace drv {
namespace {

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};

// Straightforward transcription of the formulas, pixel by pixel, kept apart from the
// table-driven code under test. The float variant stores every step as a float; the integer
// variant rounds Y, Cb and Cr first. Both round ties to even.
Bgr reference(Bgr in, bool x2, bool integer) {
    auto step = [integer](double v) { return integer ? std::nearbyint(v) : double(static_cast<float>(v)); };
    const double r = in.r, g = in.g, b = in.b, ky = x2 ? 2.0 : 1.6;
    const double y = step(0.299 * r + 0.587 * g + 0.114 * b), cb = step(-0.169 * r - 0.332 * g + 0.5 * b),
                 cr = step(0.5 * r - 0.419 * g - 0.081 * b);
    auto store = [&](double v) { return static_cast<int>(std::clamp(std::nearbyint(step(v)), 0.0, 255.0)); };
    return {store(ky * y + (x2 ? 2.48 : 2.126) * cb), store(ky * y - (x2 ? 0.481 : 0.412) * cb - 0.856 * cr),
            store(ky * y + 1.682 * cr)};
}

void brighten(std::uint8_t* px, std::size_t stride, std::size_t rows, bool x2, bool integer) {
    integer ? BrightenPictureInteger(px, stride, rows, x2) : BrightenPicture(px, stride, rows, x2);
}

TEST(BrightnessExamples, BothVariantsGiveTheWorkedValues) {
    struct Example {
        Bgr in;
        bool x2;
        Bgr floatOut, integerOut;
    };
    const Example examples[] = {
        {{100, 100, 100}, false, {160, 160, 160}, {160, 160, 160}},
        {{100, 100, 100}, true, {200, 200, 200}, {200, 200, 200}},
        // Red: Y 76.245, Cb -43.095, Cr 127.5; the integer variant rounds them first.
        {{0, 0, 255}, true, {46, 64, 255}, {45, 63, 255}},
    };
    for (const Example& e : examples) {
        for (bool integer : {false, true}) {
            std::uint8_t px[3] = {std::uint8_t(e.in.b), std::uint8_t(e.in.g), std::uint8_t(e.in.r)};
            brighten(px, 3, 1, e.x2, integer);
            EXPECT_EQ((Bgr{px[0], px[1], px[2]}), integer ? e.integerOut : e.floatOut) << e.in.r << " x2 " << e.x2;
        }
    }
    BrightenPicture(nullptr, 0, 0, true);  // empty or shorter than a pixel: harmless
    std::uint8_t two[2] = {10, 20};
    BrightenPictureInteger(two, 2, 1, true);
    EXPECT_EQ(two[1], 20);
}

// The float variant must equal the plain formulas for every one of the 2^24 pixels, the integer
// variant for many random ones; through the vector path (two long rows of an odd width, each
// followed by two bytes of padding that must keep their value) and the table path (rows of one
// pixel).
class BrightnessExhaustive : public ::testing::TestWithParam<std::tuple<bool, bool, bool>> {};

TEST_P(BrightnessExhaustive, MatchesTheReferenceAndLeavesThePadding) {
    const auto [x2, onePixelRows, integer] = GetParam();
    const std::size_t width = onePixelRows ? 1 : 32771, rows = onePixelRows ? 65536 : 2;
    const std::size_t stride = 3 * width + (onePixelRows ? 0 : 2), count = width * rows;
    std::mt19937 rng(x2 ? 20 : 15);
    std::vector<Bgr> in(count);
    std::vector<std::uint8_t> buf;
    const auto px = [&](std::size_t k) { return &buf[k / width * stride + k % width * 3]; };
    for (int r = 0; r < (integer ? 4 : 256); ++r) {
        for (std::size_t k = 0; k < count; ++k)
            in[k] = integer ? Bgr{int(rng() % 256), int(rng() % 256), int(rng() % 256)}
                            : Bgr{int(k & 255), int(k >> 8 & 255), r};
        buf.assign(stride * rows, 0xA5);
        for (std::size_t k = 0; k < count; ++k)
            px(k)[0] = std::uint8_t(in[k].b), px(k)[1] = std::uint8_t(in[k].g), px(k)[2] = std::uint8_t(in[k].r);
        brighten(buf.data(), stride, rows, x2, integer);
        for (std::size_t k = 0; k < count; ++k)
            ASSERT_EQ((Bgr{px(k)[0], px(k)[1], px(k)[2]}), reference(in[k], x2, integer)) << "pixel " << k;
        for (std::size_t y = 1; !onePixelRows && y <= rows; ++y)
            ASSERT_EQ(buf[y * stride - 2] << 8 | buf[y * stride - 1], 0xA5A5) << "padding of row " << y;
    }
}

// Parameters: x2.0 or not, rows of one pixel or long rows, the integer variant or the float one.
INSTANTIATE_TEST_SUITE_P(Sets, BrightnessExhaustive,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(), ::testing::Bool()));

}  // namespace
}  // namespace drv

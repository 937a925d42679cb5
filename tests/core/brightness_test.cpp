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

void PrintTo(const Bgr& p, std::ostream* os) { *os << "(b" << p.b << " g" << p.g << " r" << p.r << ")"; }

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
    struct Example { Bgr in; bool x2; Bgr floatOut, integerOut; };
    const Example examples[] = {
        {{100, 100, 100}, false, {160, 160, 160}, {160, 160, 160}},
        {{100, 100, 100}, true, {200, 200, 200}, {200, 200, 200}},
        {{255, 255, 255}, true, {255, 255, 255}, {255, 255, 255}},
        // Red: Y 76.245, Cb -43.095, Cr 127.5; the integer variant rounds them first.
        {{0, 0, 255}, true, {46, 64, 255}, {45, 63, 255}},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(::testing::PrintToString(e.in) + (e.x2 ? " x2.0" : " x1.5"));
        for (bool integer : {false, true}) {
            std::uint8_t px[3] = {std::uint8_t(e.in.b), std::uint8_t(e.in.g), std::uint8_t(e.in.r)};
            brighten(px, 3, 1, e.x2, integer);
            EXPECT_EQ((Bgr{px[0], px[1], px[2]}), integer ? e.integerOut : e.floatOut);
        }
    }
}

// Every one of the 2^24 pixels (float) or many random ones (integer) must equal the plain formulas,
// through the vector path (one long row) and the table path (rows of one pixel).
class BrightnessExhaustive : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(BrightnessExhaustive, FloatVariantMatchesReferenceForEveryPixel) {
    const auto [x2, onePixelRows] = GetParam();
    std::vector<std::uint8_t> row(3 * 65536);
    for (int r = 0; r < 256; ++r) {
        for (int i = 0; i < 65536; ++i) {
            row[3 * i] = std::uint8_t(i & 255), row[3 * i + 1] = std::uint8_t(i >> 8);
            row[3 * i + 2] = std::uint8_t(r);
        }
        onePixelRows ? brighten(row.data(), 3, 65536, x2, false) : brighten(row.data(), row.size(), 1, x2, false);
        for (int i = 0; i < 65536; ++i) {
            const Bgr in{i & 255, i >> 8, r};
            ASSERT_EQ((Bgr{row[3 * i], row[3 * i + 1], row[3 * i + 2]}), reference(in, x2, false))
                << ::testing::PrintToString(in);
        }
    }
}

TEST_P(BrightnessExhaustive, IntegerVariantMatchesReferenceOnRandomPixels) {
    const auto [x2, onePixelRows] = GetParam();
    std::mt19937 rng(x2 ? 20 : 15);
    std::vector<std::uint8_t> buf(3 * 200000);
    for (auto& v : buf) v = std::uint8_t(rng());
    const std::vector<std::uint8_t> orig = buf;
    onePixelRows ? brighten(buf.data(), 3, 200000, x2, true) : brighten(buf.data(), buf.size(), 1, x2, true);
    for (std::size_t i = 0; i < buf.size(); i += 3) {
        const Bgr in{orig[i], orig[i + 1], orig[i + 2]};
        ASSERT_EQ((Bgr{buf[i], buf[i + 1], buf[i + 2]}), reference(in, x2, true)) << ::testing::PrintToString(in);
    }
}

// Parameters: x2.0 or not, rows of one pixel or one long row.
INSTANTIATE_TEST_SUITE_P(Sets, BrightnessExhaustive, ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// Row padding is left alone and each row starts afresh; empty or short buffers are harmless.
TEST(BrightnessRowTail, PartialPixelAtRowEndIsUntouched) {
    BrightenPicture(nullptr, 0, 0, true);
    std::uint8_t two[2] = {10, 20};
    BrightenPictureInteger(two, 2, 1, true);
    EXPECT_EQ(two[1], 20);
    const std::size_t rows = 3;
    for (std::size_t width : {1, 5, 21})
        for (std::size_t tail : {0, 1, 2})
            for (bool integer : {false, true}) {
                const std::size_t stride = 3 * width + tail;
                std::vector<std::uint8_t> buf(stride * rows);
                for (std::size_t i = 0; i < buf.size(); ++i) buf[i] = std::uint8_t(40 + (i * 37) % 150);
                std::vector<std::uint8_t> want = buf;  // the tails as they were, the pixels by the formulas
                for (std::size_t y = 0; y < rows; ++y)
                    for (std::size_t p = y * stride; p < y * stride + 3 * width; p += 3) {
                        const Bgr out = reference({buf[p], buf[p + 1], buf[p + 2]}, true, integer);
                        want[p] = out.b, want[p + 1] = out.g, want[p + 2] = out.r;
                    }
                brighten(buf.data(), stride, rows, true, integer);
                EXPECT_EQ(buf, want) << "width " << width << " tail " << tail << " integer " << integer;
            }
}

}  // namespace
}  // namespace drv

#include <gtest/gtest.h>

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

// Straightforward transcriptions of the formulas, pixel by pixel, kept apart from the
// table-driven code under test.
Bgr referenceFloat(Bgr in, bool x2) {
    const float b = static_cast<float>(in.b), g = static_cast<float>(in.g), r = static_cast<float>(in.r);
    const float y = static_cast<float>(0.299 * double(r) + 0.587 * double(g) + 0.114 * double(b));
    const float cb = static_cast<float>(-0.169 * double(r) - 0.332 * double(g) + 0.5 * double(b));
    const float cr = static_cast<float>(0.5 * double(r) - 0.419 * double(g) - 0.081 * double(b));
    float r2, g2, b2;
    if (x2) {
        r2 = static_cast<float>(2.0 * double(y) + 1.682 * double(cr));
        g2 = static_cast<float>(2.0 * double(y) - 0.481 * double(cb) - 0.856 * double(cr));
        b2 = static_cast<float>(2.0 * double(y) + 2.48 * double(cb));
    } else {
        r2 = static_cast<float>(1.6 * double(y) + 1.682 * double(cr));
        g2 = static_cast<float>(1.6 * double(y) - 0.412 * double(cb) - 0.856 * double(cr));
        b2 = static_cast<float>(1.6 * double(y) + 2.126 * double(cb));
    }
    auto store = [](float v) {
        if (v < 0) v = 0;
        if (v > 255) v = 255;
        return static_cast<int>(std::nearbyint(v));  // default mode: ties to even
    };
    return {store(b2), store(g2), store(r2)};
}

Bgr referenceInteger(Bgr in, bool x2) {
    auto rnd = [](double v) { return static_cast<std::int32_t>(std::nearbyint(v)); };
    const std::int32_t y = rnd(0.299 * in.r + 0.587 * in.g + 0.114 * in.b);
    const std::int32_t cb = rnd(-0.169 * in.r - 0.332 * in.g + 0.5 * in.b);
    const std::int32_t cr = rnd(0.5 * in.r - 0.419 * in.g - 0.081 * in.b);
    const double ky = x2 ? 2.0 : 1.6;
    std::int32_t r2 = rnd(ky * y + 1.682 * cr);
    std::int32_t g2 = rnd(ky * y - (x2 ? 0.481 : 0.412) * cb - 0.856 * cr);
    std::int32_t b2 = rnd(ky * y + (x2 ? 2.48 : 2.126) * cb);
    auto clamp = [](std::int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
    return {clamp(b2), clamp(g2), clamp(r2)};
}

Bgr runOne(Bgr in, bool x2, bool integer) {
    std::uint8_t px[3] = {std::uint8_t(in.b), std::uint8_t(in.g), std::uint8_t(in.r)};
    if (integer)
        BrightenPictureInteger(px, 3, 1, x2);
    else
        BrightenPicture(px, 3, 1, x2);
    return {px[0], px[1], px[2]};
}

struct Example {
    const char* name;
    Bgr in;
    bool x2;
    Bgr floatOut, integerOut;
};

class BrightnessExamples : public ::testing::TestWithParam<Example> {};

TEST_P(BrightnessExamples, BothVariantsGiveTheWorkedValues) {
    const Example& e = GetParam();
    EXPECT_EQ(runOne(e.in, e.x2, false), e.floatOut);
    EXPECT_EQ(runOne(e.in, e.x2, true), e.integerOut);
}

INSTANTIATE_TEST_SUITE_P(
    Worked, BrightnessExamples,
    ::testing::Values(Example{"grey15", {100, 100, 100}, false, {160, 160, 160}, {160, 160, 160}},
                      Example{"grey20", {100, 100, 100}, true, {200, 200, 200}, {200, 200, 200}},
                      Example{"white15", {255, 255, 255}, false, {255, 255, 255}, {255, 255, 255}},
                      Example{"white20", {255, 255, 255}, true, {255, 255, 255}, {255, 255, 255}},
                      Example{"black15", {0, 0, 0}, false, {0, 0, 0}, {0, 0, 0}},
                      Example{"black20", {0, 0, 0}, true, {0, 0, 0}, {0, 0, 0}},
                      // Red: Y 76.245, Cb -43.095, Cr 127.5; the integer variant rounds them first.
                      Example{"red20", {0, 0, 255}, true, {46, 64, 255}, {45, 63, 255}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every one of the 2^24 pixels, both sets: the fast paths must equal the plain formulas.
// Long rows go through the vector path; rows of one pixel through the table path that
// also finishes the last pixels of every row.
struct ExhaustiveCase {
    bool x2;
    bool onePixelRows;
};

class BrightnessExhaustive : public ::testing::TestWithParam<ExhaustiveCase> {};

TEST_P(BrightnessExhaustive, FloatVariantMatchesReferenceForEveryPixel) {
    const bool x2 = GetParam().x2;
    std::vector<std::uint8_t> row(3 * 65536);
    int mismatches = 0;
    for (int r = 0; r < 256 && mismatches < 5; ++r) {
        for (int i = 0; i < 65536; ++i) {
            row[3 * i] = std::uint8_t(i & 255);
            row[3 * i + 1] = std::uint8_t(i >> 8);
            row[3 * i + 2] = std::uint8_t(r);
        }
        if (GetParam().onePixelRows)
            BrightenPicture(row.data(), 3, 65536, x2);
        else
            BrightenPicture(row.data(), row.size(), 1, x2);
        for (int i = 0; i < 65536; ++i) {
            const Bgr in{i & 255, i >> 8, r};
            const Bgr got{row[3 * i], row[3 * i + 1], row[3 * i + 2]};
            const Bgr want = referenceFloat(in, x2);
            if (got != want) {
                ADD_FAILURE() << "input " << ::testing::PrintToString(in) << " got "
                              << ::testing::PrintToString(got) << " want " << ::testing::PrintToString(want);
                if (++mismatches >= 5) break;
            }
        }
    }
}

TEST_P(BrightnessExhaustive, IntegerVariantMatchesReferenceOnRandomPixels) {
    const bool x2 = GetParam().x2;
    std::mt19937 rng(x2 ? 20 : 15);
    std::vector<std::uint8_t> buf(3 * 200000);
    for (auto& v : buf) v = std::uint8_t(rng());
    const std::vector<std::uint8_t> orig = buf;
    BrightenPictureInteger(buf.data(), buf.size(), 1, x2);
    for (std::size_t i = 0; i < buf.size(); i += 3) {
        const Bgr in{orig[i], orig[i + 1], orig[i + 2]};
        ASSERT_EQ((Bgr{buf[i], buf[i + 1], buf[i + 2]}), referenceInteger(in, x2))
            << "input " << ::testing::PrintToString(in);
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, BrightnessExhaustive,
                         ::testing::Values(ExhaustiveCase{false, false}, ExhaustiveCase{true, false},
                                           ExhaustiveCase{false, true}, ExhaustiveCase{true, true}),
                         [](const auto& info) {
                             return std::string(info.param.x2 ? "x20" : "x15") +
                                    (info.param.onePixelRows ? "_OnePixelRows" : "_LongRows");
                         });

// Rows whose length is not a whole number of pixels: the tail bytes of every row are left
// alone and each row starts its pixels afresh at its own first byte.
class BrightnessRowTail : public ::testing::TestWithParam<std::tuple<std::size_t, std::size_t>> {};

TEST_P(BrightnessRowTail, PartialPixelAtRowEndIsUntouched) {
    const auto [width, tail] = GetParam();
    const std::size_t rows = 3, stride = 3 * width + tail;
    for (bool integer : {false, true}) {
        std::vector<std::uint8_t> buf(stride * rows);
        for (std::size_t i = 0; i < buf.size(); ++i) buf[i] = std::uint8_t(40 + (i * 37) % 150);
        const std::vector<std::uint8_t> orig = buf;
        if (integer)
            BrightenPictureInteger(buf.data(), stride, rows, true);
        else
            BrightenPicture(buf.data(), stride, rows, true);
        for (std::size_t y = 0; y < rows; ++y) {
            for (std::size_t x = 0; x < width; ++x) {
                const std::size_t o = y * stride + 3 * x;
                const Bgr in{orig[o], orig[o + 1], orig[o + 2]};
                const Bgr want = integer ? referenceInteger(in, true) : referenceFloat(in, true);
                EXPECT_EQ((Bgr{buf[o], buf[o + 1], buf[o + 2]}), want) << "row " << y << " pixel " << x;
            }
            for (std::size_t t = 0; t < tail; ++t) {
                const std::size_t o = y * stride + 3 * width + t;
                EXPECT_EQ(buf[o], orig[o]) << "row " << y << " tail byte " << t;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Tails, BrightnessRowTail,
                         ::testing::Combine(::testing::Values(std::size_t{1}, std::size_t{5}, std::size_t{21}),
                                            ::testing::Values(std::size_t{0}, std::size_t{1}, std::size_t{2})));

TEST(BrightnessEdges, EmptyOrShortBuffersAreHarmless) {
    BrightenPicture(nullptr, 0, 0, true);
    BrightenPictureInteger(nullptr, 12, 4, false);
    std::uint8_t two[2] = {10, 20};
    BrightenPicture(two, 2, 1, true);
    BrightenPictureInteger(two, 2, 1, true);
    EXPECT_EQ(two[0], 10);
    EXPECT_EQ(two[1], 20);
}

}  // namespace
}  // namespace drv

// Frames go from their JPEG's planes to the encoder's YUV without RGB: the picture must match
// what the RGB path (decoded to RGB by libjpeg, then converted as the encoder does) makes of
// the same file, for every layout the planes take; the rest are refused or sent to RGB.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/video/yuv_picture.h"
#include "tests/core/support/hostile_pictures.h"

namespace drv {
namespace {

double psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += std::pow(a[i] - b[i], 2);
    return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(n)));
}

// A smooth picture in every colour: the two paths sample chroma differently, which shows on
// hard one-pixel edges and nowhere else.
std::vector<std::uint8_t> smoothJpeg(int width, int height, bool progressive = false, test::JpegLayout layout = {}) {
    return test::EncodeJpeg(
        width, height,
        [=](int y, std::uint8_t* row) {
            for (int x = 0; x < width; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(x * 255 / width);
                row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / height);
                row[3 * x + 2] = static_cast<std::uint8_t>(255 - (x * 128 / width + y * 127 / height));
            }
        },
        90, progressive, layout);
}

TEST(YuvFromJpegPlanes, MatchesTheRgbPathOrSendsThePictureElsewhere) {
    using test::JpegLayout;
    const struct {
        const char* name;
        std::vector<std::uint8_t> jpeg;
        PictureError error;
        bool otherKind;
    } cases[] = {
        {"4:2:0, the recorder's", smoothJpeg(640, 480), PictureError::None, false},
        {"4:2:0 progressive", smoothJpeg(640, 480, true), PictureError::None, false},
        {"4:4:4", smoothJpeg(640, 480, false, JpegLayout{1, 1}), PictureError::None, false},
        {"4:2:2", smoothJpeg(640, 480, false, JpegLayout{2, 1}), PictureError::None, false},
        {"4:4:0", smoothJpeg(640, 480, false, JpegLayout{1, 2}), PictureError::None, false},
        {"1280 x 960, stretched down", smoothJpeg(1280, 960), PictureError::None, false},
        {"odd size 322 x 242, stretched up", smoothJpeg(322, 242), PictureError::None, false},
        {"grey: decoded in RGB instead", smoothJpeg(64, 48, false, JpegLayout{1, 1, true}), PictureError::None, true},
        {"header claims 30000 x 30000", test::ClaimedSizeJpeg(30000, 30000), PictureError::TooLarge, false},
        {"20,000 scans", test::ManyScansJpeg(20000), PictureError::TooManyScans, false},
        {"not a JPEG", {'G', 'I', 'F', '8', '9', 'a', 0, 0}, PictureError::Damaged, false},
        {"empty", {}, PictureError::Unreadable, false},
    };
    constexpr int kW = 640, kH = 480, kTall = 548;  // the band below the picture: black there
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const JpegPlanes planes = DecodeJpegPlanes(c.jpeg);
        EXPECT_EQ(planes.error, c.error);
        EXPECT_EQ(planes.otherKind, c.otherKind);
        const YuvPicture ours = YuvFromJpegPlanes(planes, kW, kH, kTall);
        if (c.error != PictureError::None || c.otherKind) {
            EXPECT_FALSE(ours);
            continue;
        }
        ASSERT_TRUE(ours);
        ASSERT_EQ(ours.bytes.size(), std::size_t{kW} * kTall * 3 / 2);
        EXPECT_EQ(ours.plane(0)[std::size_t{kW} * kTall - 1], 16) << "black in the limited range";
        EXPECT_EQ(ours.plane(2)[std::size_t{kW / 2} * (kTall / 2) - 1], 128);

        PictureRequest request;
        request.atLeastWidth = kW;
        request.atLeastHeight = kH;
        const DecodedPicture rgb = DecodeJpeg(c.jpeg, request);
        ASSERT_TRUE(rgb.ok());
        if (rgb.width != kW || rgb.height != kH) continue;  // stretched by Qt on that path: size and frame only
        YuvPicture theirs = BlackYuvPicture(kW, kH);
        Rgb32ToYuvRows(rgb.pixels.data(), rgb.bytesPerRow, theirs, 0, kH);
        // The paths agree to about 55 dB; the full range left as it is costs some 25 dB.
        EXPECT_GT(psnr(ours.plane(0), theirs.plane(0), std::size_t{kW} * kH), 45.0) << "luma";
        EXPECT_GT(psnr(ours.plane(1), theirs.plane(1), std::size_t{kW / 2} * (kH / 2)), 45.0) << "blue";
        EXPECT_GT(psnr(ours.plane(2), theirs.plane(2), std::size_t{kW / 2} * (kH / 2)), 45.0) << "red";
    }
}

}  // namespace
}  // namespace drv

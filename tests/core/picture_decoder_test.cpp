#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>

#include "core/picture/jpeg_decoder.h"
#include "tests/core/support/hostile_pictures.h"

namespace drv {
namespace {

TEST(PictureDecoder, HostilePicturesAreRefusedForTheirReason) {
    std::vector<std::uint8_t> cut = test::PatternJpeg(64, 48);
    cut.resize(40);
    const struct {
        const char* name;
        std::vector<std::uint8_t> data;
        PictureError error;
        int naturalWidth, naturalHeight;
    } cases[] = {
        {"one scan past the limit", test::ManyScansJpeg(kMaxPictureScans + 1), PictureError::TooManyScans, 640, 480},
        {"one column too wide", test::ClaimedSizeJpeg(kMaxPictureSide + 1, 48), PictureError::TooLarge,
         kMaxPictureSide + 1, 48},
        {"one row too tall", test::ClaimedSizeJpeg(64, kMaxPictureSide + 1), PictureError::TooLarge, 64,
         kMaxPictureSide + 1},
        {"not a JPEG", {'B', 'M', 0, 0, 1, 2, 3, 4}, PictureError::Damaged, 0, 0},
        {"header cut short", cut, PictureError::Damaged, 0, 0},
        {"empty", {}, PictureError::Unreadable, 0, 0},
    };
    for (const auto& c : cases) {
        for (PixelOrder layout : {PixelOrder::Bgr, PixelOrder::Bgrx}) {
            PictureRequest request;
            request.layout = layout;
            const DecodedPicture picture = DecodeJpeg(c.data, request);
            EXPECT_EQ(picture.error, c.error) << c.name;
            EXPECT_EQ(std::tie(picture.naturalWidth, picture.naturalHeight), std::tie(c.naturalWidth, c.naturalHeight))
                << c.name;
            EXPECT_TRUE(picture.pixels.empty() && picture.width == 0);
        }
    }
    EXPECT_EQ(DecodeJpegFile("/nonexistent/frame.jpg").error, PictureError::Unreadable);
    EXPECT_EQ(DecodeJpegFile("/dev/null").error, PictureError::Unreadable);
}

TEST(PictureDecoder, DecodesUpToTheLimits) {
    // The largest picture and the most scans still allowed decode whole.
    const DecodedPicture scans = DecodeJpeg(test::ManyScansJpeg(kMaxPictureScans));
    EXPECT_EQ(std::tie(scans.error, scans.width, scans.height), std::make_tuple(PictureError::None, 640, 480));
    const DecodedPicture wide = DecodeJpeg(test::UniformJpeg(kMaxPictureSide, 16));
    EXPECT_EQ(std::tie(wide.error, wide.width), std::make_tuple(PictureError::None, kMaxPictureSide));
    EXPECT_EQ(wide.bytesPerRow, std::size_t(kMaxPictureSide) * 4);
}

TEST(PictureDecoder, LayoutsCarryTheSamePixels) {
    const std::vector<std::uint8_t> jpeg = test::PatternJpeg(120, 90);
    PictureRequest bgr;
    bgr.layout = PixelOrder::Bgr;
    const DecodedPicture three = DecodeJpeg(jpeg, bgr);
    const DecodedPicture four = DecodeJpeg(jpeg);
    ASSERT_TRUE(three.ok() && four.ok());
    ASSERT_EQ(three.bytesPerRow, 360u);
    ASSERT_EQ(four.bytesPerRow, 480u);
    int differing = 0;
    for (int y = 0; y < 90; ++y) {
        for (int x = 0; x < 120; ++x) {
            const std::uint8_t* p3 = &three.pixels[y * three.bytesPerRow + 3 * x];
            const std::uint8_t* p4 = &four.pixels[y * four.bytesPerRow + 4 * x];
            if (std::memcmp(p3, p4, 3) != 0 || p4[3] != 0xff) ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
    // Blue, green, red order: an orange picture, red 200, green 100, blue 30.
    const auto orangeRow = [](int, std::uint8_t* row) {
        for (int x = 0; x < 16; ++x) row[3 * x] = 200, row[3 * x + 1] = 100, row[3 * x + 2] = 30;
    };
    const DecodedPicture orange = DecodeJpeg(test::EncodeJpeg(16, 16, orangeRow), bgr);
    ASSERT_TRUE(orange.ok());
    EXPECT_NEAR(orange.pixels[0], 30, 3);
    EXPECT_NEAR(orange.pixels[1], 100, 3);
    EXPECT_NEAR(orange.pixels[2], 200, 3);
}

// A scaled decode takes the smallest eighth that covers the box asked for.
TEST(PictureDecoder, ScaledDecodeCoversTheBox) {
    const std::vector<std::uint8_t> jpeg = test::PatternJpeg(640, 480);
    const struct {
        int atLeastWidth, atLeastHeight, width, height;
    } cases[] = {{0, 0, 640, 480},    {80, 60, 80, 60},     {81, 10, 160, 120},    {125, 107, 160, 120},
                 {10, 121, 320, 240}, {321, 240, 640, 480}, {2000, 2000, 640, 480}};
    for (const auto& c : cases) {
        PictureRequest request;
        request.atLeastWidth = c.atLeastWidth;
        request.atLeastHeight = c.atLeastHeight;
        const DecodedPicture picture = DecodeJpeg(jpeg, request);
        ASSERT_TRUE(picture.ok());
        EXPECT_EQ(std::make_tuple(picture.width, picture.height, picture.naturalWidth, picture.naturalHeight),
                  std::make_tuple(c.width, c.height, 640, 480))
            << c.atLeastWidth << " x " << c.atLeastHeight;
    }
}

TEST(PictureDecoder, RegionIsTheTopLeftOfTheWholePicture) {
    for (bool progressive : {false, true}) {
        const std::vector<std::uint8_t> jpeg = test::PatternJpeg(1000, 700, progressive);
        const DecodedPicture whole = DecodeJpeg(jpeg);
        PictureRequest request;
        request.regionWidth = 640;
        request.regionHeight = 480;
        const DecodedPicture part = DecodeJpeg(jpeg, request);
        ASSERT_TRUE(whole.ok() && part.ok());
        ASSERT_EQ(std::tie(part.width, part.height, part.naturalWidth), std::make_tuple(640, 480, 1000));
        int differingRows = 0;
        for (int y = 0; y < 480; ++y)
            if (std::memcmp(&part.pixels[y * part.bytesPerRow], &whole.pixels[y * whole.bytesPerRow],
                            part.bytesPerRow) != 0)
                ++differingRows;
        EXPECT_EQ(differingRows, 0) << (progressive ? "progressive" : "baseline");
    }
    // A picture smaller than the region comes whole.
    PictureRequest request;
    request.regionWidth = 640;
    request.regionHeight = 480;
    const DecodedPicture small = DecodeJpeg(test::PatternJpeg(300, 200), request);
    EXPECT_EQ(std::tie(small.width, small.height), std::make_tuple(300, 200));
}

TEST(PictureDecoder, StopsWhenCancelled) {
    const std::vector<std::uint8_t> bomb = test::ManyScansJpeg(20000);
    std::atomic<bool> cancel{true};
    PictureRequest request;
    request.cancel = &cancel;
    request.maxScans = 1 << 30;  // only the flag can stop it
    EXPECT_EQ(DecodeJpeg(bomb, request).error, PictureError::Cancelled);

    // Raised from another thread while the scans are being read: some seconds of work left.
    cancel = false;
    PictureError error = PictureError::None;
    std::thread decoder([&] { error = DecodeJpeg(bomb, request).error; });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    cancel = true;
    decoder.join();
    EXPECT_EQ(error, PictureError::Cancelled);
}

}  // namespace
}  // namespace drv

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "core/common/file_write_seam.h"
#include "core/video/video_encoder.h"
#include "core/video/video_export.h"
#include "core/video/video_plan.h"
#include "core/video/yuv_picture.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/hostile_pictures.h"
#include "tests/core/support/write_faults.h"

namespace drv {
namespace {

// Frames 1, 3 and 4 known (3 without a fix, 4 south and west); frame 2 as the loader leaves a
// frame whose telemetry it cannot read.
TEST(VideoBand, UnknownTelemetryIsShownAsUnknownAndPositionsAsDegrees) {
    Recording r = test::BlankRecording(4);
    r.state.VehicleSignalsPresent = true;
    FrameRecord& f = r.frames[1];
    f.Speed = 52.3f, f.AccelLongitudinal = 0.25f, f.AccelLateral = -0.12f;
    f.ShotAt = f.RecordedAt = "2007/10/10 04:18:59";
    f.Latitude = "N  35度40分41秒2", f.Longitude = "E 139度45分06秒7";
    f.position = {true, 35 + 40 / 60.0 + 41.2 / 3600, 139 + 45 / 60.0 + 6.7 / 3600};
    r.frames[3] = r.frames[4] = f;
    r.frames[3].Latitude = r.frames[3].Longitude = "----度--分--秒-";
    r.frames[3].position = {};
    r.frames[4].position = {true, -(33 + 52 / 60.0 + 4.8 / 3600), -(70 + 39 / 60.0)};
    r.frames[2].ShotAt = r.frames[2].RecordedAt = r.frames[2].UpdatedAt = "2000/00/00 00:00:00";
    r.frames[2].Latitude = r.frames[2].Longitude = "----度--分--秒-";
    const struct {
        int frame;
        const char *date, *speed, *accel, *position;
        bool known, brake;
    } cases[] = {
        {1, "2007/10/10 04:18:59", "52.3km/h", "0.25 G", "N35.67811 E139.75186", true, true},
        {2, "----", "----km/h", "----", "----", false, false},
        {3, "2007/10/10 04:18:59", "52.3km/h", "0.25 G", "----", true, true},
        {4, "2007/10/10 04:18:59", "52.3km/h", "0.25 G", "S33.86800 W70.65000", true, true},
    };
    for (const auto& c : cases) {
        const OverlayTexts t = ComputeOverlayTexts(r, c.frame);
        EXPECT_EQ(std::tie(t.dateTime, t.speed, t.accelLongitudinal, t.position, t.telemetryKnown, t.brakeShown),
                  std::make_tuple(std::string(c.date), std::string(c.speed), std::string(c.accel),
                                  std::string(c.position), c.known, c.brake))
            << c.frame;
    }
}

TEST(VideoBand, TriggerMarkLastsOneSecondAndTheRangeAroundTheTrigger) {
    for (const bool high : {true, false}) {
        Recording r = test::BlankRecording(60);
        r.state.HighFrameRate = high;
        r.state.TriggerFound = true;
        r.state.TriggerPosition = kUnitsPerFrame * 20;
        const int fps = high ? 14 : 7;
        for (int i = 1; i <= 60; ++i) {
            const OverlayTexts t = ComputeOverlayTexts(r, i);
            EXPECT_EQ(t.triggerMark, i >= 20 && i < 20 + fps) << fps << " fps, frame " << i;
            EXPECT_EQ(t.triggerFrame, i == 20) << i;
        }
    }
    Recording none = test::BlankRecording(30);
    for (int i = 1; i <= 30; ++i) EXPECT_FALSE(ComputeOverlayTexts(none, i).triggerMark);
    // The export's range around the trigger follows the panel's clock: its step is 0.073 s at
    // 14 fps and 0.145 s at 7 fps; trigger 0 is none, and no range.
    const struct {
        int frames, trigger;
        bool high;
        double before, after;
        int first, last;
    } ranges[] = {
        {100, 50, true, 1.0, 1.0, 37, 63},  // 13.7 frames each way: whole frames only
        {100, 50, false, 1.45, 0, 40, 50},  // exactly ten steps, despite the binary fraction
        {60, 10, true, 5, 5, 1, 60},        // cut to the recording
        {100, 0, true, 1.0, 1.0, 0, 0},
    };
    for (const auto& c : ranges) {
        Recording r = test::BlankRecording(c.frames);
        r.state.TriggerFound = c.trigger > 0;
        r.state.TriggerPosition = kUnitsPerFrame * c.trigger;
        r.state.HighFrameRate = c.high;
        const FrameRange range = RangeAroundTrigger(r, c.before, c.after).value_or(FrameRange{0, 0});
        EXPECT_EQ(std::make_pair(range.first, range.last), std::make_pair(c.first, c.last));
    }
}

TEST(VideoBand, ClosingNoteNamesTheFramesAsRuns) {
    EXPECT_EQ(FrameListText({}), "");
    EXPECT_EQ(FrameListText({7}), "7");
    EXPECT_EQ(FrameListText({3, 7, 8, 9, 12}), "3, 7-9, 12");
    EXPECT_EQ(FrameListText({1, 3, 5, 7}, 2), "1, 3, ...");
    VideoExportResult result;
    EXPECT_EQ(VideoExportNote(result, false), "");
    result.noPictureFrames = {5, 6};
    result.unknownTelemetry = {9};
    const std::string english = VideoExportNote(result, false), japanese = VideoExportNote(result, true);
    EXPECT_NE(english.find("frames 5-6"), std::string::npos) << english;
    EXPECT_NE(english.find("frames 9"), std::string::npos) << english;
    EXPECT_NE(japanese.find("画像なし"), std::string::npos) << japanese;
    EXPECT_NE(japanese.find(": 9"), std::string::npos) << japanese;
}

enum class Step { Open, Frames, Finish };
// The target beside an old file "plain" (mode 0600), a link "link" to it and a pipe; `room`: bytes
// the disk takes before it is full (-1: no limit); `cancelAt`: frame to cancel at; `refuseRename`:
// the last step of the writer fails, after the whole file was written.
struct EncodeCase {
    const char *name, *target;
    long room;
    int cancelAt;
    bool refuseRename;
    VideoStatus expected;
    Step failsAt;
};
const EncodeCase kEncodeCases[] = {
    {"written", "plain", -1, 0, false, VideoStatus::Ok, Step::Finish},
    {"written through a link", "link", -1, 0, false, VideoStatus::Ok, Step::Finish},
    {"parent is a file", "plain/out.mp4", -1, 0, false, VideoStatus::CannotWrite, Step::Open},
    {"a pipe is no file to replace", "pipe", -1, 0, false, VideoStatus::CannotWrite, Step::Open},
    {"disk full", "plain", 3000, 0, false, VideoStatus::DiskFull, Step::Finish},
    {"rename refused at the end", "plain", -1, 0, true, VideoStatus::CannotWrite, Step::Finish},
    {"cancelled", "plain", -1, 4, false, VideoStatus::Cancelled, Step::Frames},
};

TEST(VideoEncoder, FailureOrCancelLeavesNoFileAndTheOlderTargetUntouched) {
    for (const EncodeCase& c : kEncodeCases) {
        SCOPED_TRACE(c.name);
        test::TempFolder dir;
        test::WriteFile(dir.path() / "plain", {'o', 'l', 'd'});
        ASSERT_EQ(::chmod((dir.path() / "plain").c_str(), 0600), 0);
        std::filesystem::create_symlink("plain", dir.path() / "link");
        ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
        WriteCalls calls = c.room >= 0 ? test::DiskFullAfter(static_cast<std::size_t>(c.room)) : WriteCalls{};
        if (c.refuseRename) calls.rename = [](const char*, const char*) { return errno = EACCES, -1; };
        const ScopedWriteCalls faults(calls);
        VideoEncoder encoder;
        VideoSettings settings;
        settings.width = 64, settings.height = 48, settings.fps = 7;
        VideoResult result = encoder.open(dir.path() / c.target, settings);
        Step step = Step::Open;
        std::vector<std::uint32_t> pixels(64 * 48);
        for (int i = 1; result.ok() && i <= 8; ++i) {
            step = Step::Frames;
            for (std::size_t p = 0; p < pixels.size(); ++p)
                pixels[p] = 0xff000000u | static_cast<std::uint32_t>(p * 7919 + i * 40503);
            if (i == c.cancelAt) {
                encoder.cancel();
                result = {VideoStatus::Cancelled, {}};
                break;
            }
            result = encoder.addFrame(reinterpret_cast<const std::uint8_t*>(pixels.data()), 64 * 4, PixelLayout::Rgb32);
        }
        if (result.ok()) step = Step::Finish, result = encoder.finish();
        EXPECT_EQ(result.status, c.expected) << result.detail;
        EXPECT_EQ(step, c.failsAt);
        // Only what was there before: no temporary file left behind, the link still a link.
        EXPECT_EQ(test::Entries(dir.path()), (std::vector<std::string>{"link", "pipe", "plain"}));
        EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link"));
        struct stat st {};
        ASSERT_EQ(::stat((dir.path() / "plain").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << "a replaced file keeps its permissions";
        if (c.expected != VideoStatus::Ok) {
            EXPECT_EQ(test::ReadFile(dir.path() / "plain"), "old");
        } else {
            EXPECT_GT(st.st_size, 100);
        }
    }
}

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

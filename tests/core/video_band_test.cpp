// The video's telemetry band: what it says about each frame, the marks it sets, and the
// pictures and stream drtool video writes with it.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <map>
#include <tuple>
#include <string>
#include <vector>

#include "core/video/video_export.h"
#include "core/video/video_plan.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

FrameRecord knownFrame() {
    FrameRecord f;
    f.Speed = 52.3f;
    f.AccelLongitudinal = 0.25f;
    f.AccelLateral = -0.12f;
    f.ShotAt = f.RecordedAt = "2007/10/10 04:18:59";
    f.Latitude = "N  35度40分41秒2";
    f.Longitude = "E 139度45分06秒7";
    f.position = {true, 35 + 40 / 60.0 + 41.2 / 3600, 139 + 45 / 60.0 + 6.7 / 3600};
    return f;
}

// What the loader leaves for a frame whose telemetry it cannot read.
FrameRecord placeholderFrame() {
    FrameRecord f;
    f.ShotAt = f.RecordedAt = f.UpdatedAt = "2000/00/00 00:00:00";
    f.Latitude = f.Longitude = "----度--分--秒-";
    return f;
}

TEST(VideoBand, UnknownTelemetryIsShownAsUnknownAndPositionsAsDegrees) {
    Recording r = test::BlankRecording(4);
    r.state.VehicleSignalsPresent = true;
    r.frames[1] = knownFrame();
    r.frames[2] = placeholderFrame();
    r.frames[3] = knownFrame();
    r.frames[3].Latitude = r.frames[3].Longitude = "----度--分--秒-";  // no fix
    r.frames[3].position = {};
    r.frames[4] = knownFrame();
    r.frames[4].position = {true, -(33 + 52 / 60.0 + 4.8 / 3600), -(70 + 39 / 60.0)};
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
        SCOPED_TRACE(c.frame);
        const OverlayTexts t = ComputeOverlayTexts(r, c.frame);
        EXPECT_EQ(t.dateTime, c.date);
        EXPECT_EQ(t.speed, c.speed);
        EXPECT_EQ(t.accelLongitudinal, c.accel);
        EXPECT_EQ(t.position, c.position);
        EXPECT_EQ(t.telemetryKnown, c.known);
        EXPECT_EQ(t.brakeShown, c.brake);
    }
}

// The mark stays up for a second of the recording from the trigger frame, at either rate.
TEST(VideoBand, TriggerMarkLastsOneSecond) {
    for (const bool high : {true, false}) {
        Recording r = test::BlankRecording(60);
        r.state.HighFrameRate = high;
        r.state.TriggerFound = true;
        r.state.TriggerPosition = kUnitsPerFrame * 20;
        const int fps = high ? 14 : 7;
        for (int i = 1; i <= 60; ++i) {
            SCOPED_TRACE(std::to_string(fps) + " fps, frame " + std::to_string(i));
            const OverlayTexts t = ComputeOverlayTexts(r, i);
            EXPECT_EQ(t.triggerMark, i >= 20 && i < 20 + fps);
            EXPECT_EQ(t.triggerFrame, i == 20);
        }
    }
    Recording none = test::BlankRecording(30);
    for (int i = 1; i <= 30; ++i) EXPECT_FALSE(ComputeOverlayTexts(none, i).triggerMark);
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

// drtool video on a recording with a frame that lost its picture and one that lost its
// telemetry: the marks in the pixels, the note, the band's place and the stream's colour tags.
class VideoBandToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::Tool().empty()) GTEST_SKIP() << "DRV_TOOL not set";
        if (test::Shell("command -v ffprobe >/dev/null && command -v ffmpeg >/dev/null").status != 0)
            GTEST_SKIP() << "no ffmpeg";
        ASSERT_EQ(test::Shell(test::Tool() + " sample " + test::Quote(rec()) + " --frames 40 --trigger 10").status, 0);
        // Frame 5 keeps its telemetry but not its picture; frame 7 its picture but not its telemetry.
        auto bytes = test::ReadFile<std::vector<std::uint8_t>>(rec() / "00005.JPG");
        const std::size_t exifEnd = 4 + (bytes[4] << 8 | bytes[5]);
        std::vector<std::uint8_t> noPicture(bytes.begin(), bytes.begin() + static_cast<long>(exifEnd));
        noPicture.insert(noPicture.end(), {0xFF, 0xDB, 0x00, 0x02, 'x', 'y'});
        test::WriteFile(rec() / "00005.JPG", noPicture);
        bytes = test::ReadFile<std::vector<std::uint8_t>>(rec() / "00007.JPG");
        std::vector<std::uint8_t> noExif = {0xFF, 0xD8};
        noExif.insert(noExif.end(), bytes.begin() + static_cast<long>(4 + (bytes[4] << 8 | bytes[5])), bytes.end());
        test::WriteFile(rec() / "00007.JPG", noExif);
    }
    std::filesystem::path rec() const { return dir.path() / "rec"; }
    test::ShellRun video(const std::string& args) const {
        return test::Shell(test::Tool() + " video " + test::Quote(rec()) + " --overlay -o " +
                           test::Quote(dir.path() / "v.mp4") + " " + args + " 2>&1");
    }
    std::map<std::string, std::string> probe() const {
        return test::ProbeVideo(dir.path() / "v.mp4",
                                "stream=width,height,color_range,color_space,color_transfer,color_primaries");
    }
    // Red, green, blue of pixel (x, y) of frame n (1-based) of the video.
    std::array<int, 3> pixel(int n, int x, int y) const {
        const std::string raw =
            test::Shell("ffmpeg -v error -i " + test::Quote(dir.path() / "v.mp4") + " -vf 'select=eq(n\\," +
                        std::to_string(n - 1) + ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 -")
                .out;
        const std::size_t at = (static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)) * 3;
        if (raw.size() < at + 3) return {-1, -1, -1};
        return {static_cast<unsigned char>(raw[at]), static_cast<unsigned char>(raw[at + 1]),
                static_cast<unsigned char>(raw[at + 2])};
    }
    static bool red(std::array<int, 3> c) { return c[0] > 180 && c[1] < 80 && c[2] < 80; }
    static bool grey(std::array<int, 3> c) {
        return std::abs(c[0] - c[1]) < 16 && std::abs(c[1] - c[2]) < 16 && c[0] < 130;
    }

    test::TempFolder dir;
};

TEST_F(VideoBandToolTest, MarksNoteAndColourTags) {
    const test::ShellRun run = video("");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("画像なし): frames 5\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(shown as ----): frames 7\n"), std::string::npos) << run.out;
    std::map<std::string, std::string> tags = probe();
    EXPECT_EQ(tags["width"] + "x" + tags["height"], "640x480");
    EXPECT_EQ(tags["color_range"], "tv");
    EXPECT_EQ(tags["color_space"], "smpte170m");
    EXPECT_EQ(tags["color_primaries"], "bt709");
    EXPECT_EQ(tags["color_transfer"], "iec61966-2-1");
    // The trigger tag (top left, red) for the frames of one second from frame 10 only; the
    // "画像なし" tag (top right, grey) on frame 5 only. The sample's sky is blue there.
    for (const auto& [frame, trigger, noPicture] : {std::tuple{4, false, false},
                                                    {5, false, true},
                                                    {9, false, false},
                                                    {10, true, false},
                                                    {23, true, false},
                                                    {24, false, false}}) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(red(pixel(frame, 15, 15)), trigger);
        EXPECT_EQ(grey(pixel(frame, 622, 40)), noPicture);
    }
}

TEST_F(VideoBandToolTest, BandBelowThePictureHidesNothing) {
    ASSERT_EQ(video("--band below --to 4").status, 0);
    std::map<std::string, std::string> tags = probe();
    EXPECT_EQ(tags["width"] + "x" + tags["height"], "640x548");
    // The grass at the foot of the picture stays in full colour above the band.
    EXPECT_GT(pixel(2, 600, 430)[1], 90);
    const test::ShellRun wrong = video("--band middle");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.out.find("--band is over or below"), std::string::npos) << wrong.out;
}

}  // namespace
}  // namespace drv

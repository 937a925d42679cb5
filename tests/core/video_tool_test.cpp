#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "core/export/telemetry_export.h"
#include "core/recording/recording_dump.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/hostile_pictures.h"

namespace drv {
namespace {

TEST(DrawingLibrary, DrtoolNeedsNoWidgetLibrary) {
    DRV_REQUIRE_TOOL();
    const test::ShellRun needed = test::Shell("readelf -d " + test::Tool() + " | grep NEEDED");
    ASSERT_EQ(needed.status, 0);
    EXPECT_NE(needed.out.find("libQt6Gui"), std::string::npos) << needed.out;
    EXPECT_EQ(needed.out.find("libQt6Widgets"), std::string::npos) << needed.out;
}

// The demo drives a route: its positions move as far as its speeds say, along a curve, so that a
// map shows a track rather than a point; a stop keeps the car where it stopped.
TEST(SampleRecording, PositionsFollowTheSpeedAlongACurve) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    const auto folder = dir.path() / "demo";
    ASSERT_EQ(test::Shell(test::Tool() + " sample " + test::Quote(folder) +
                          " --frames 260 --fps 14 --trigger 200 --rotate 40")
                  .status,
              0);
    const Recording recording = test::LoadedFolder(folder);
    ASSERT_FALSE(HasFailure());
    // Metres east (real) and north (imaginary) of the first frame, at 35.68 degrees north.
    constexpr double kMetresPerDegree = 111320, kCosLatitude = 0.8122;
    std::vector<std::complex<double>> track;
    for (int i = 1; i <= recording.frameCount(); ++i) {
        const FrameRecord& f = recording.frames[static_cast<std::size_t>(i)];
        const auto lat = LatitudeDegrees(f.Latitude), lon = LongitudeDegrees(f.Longitude);
        ASSERT_TRUE(lat && lon) << i;
        static const double lat0 = *lat, lon0 = *lon;
        track.push_back({(*lon - lon0) * kMetresPerDegree * kCosLatitude, (*lat - lat0) * kMetresPerDegree});
    }
    // Tenths of an arc second: the written positions are some 3 m apart at most. The way along
    // them, measured every 20 frames to keep that rounding out, is the way the speeds drove.
    for (std::size_t i = 1; i < track.size(); ++i)
        EXPECT_LT(std::abs(track[i] - track[i - 1]), 5.0) << "a jump at frame " << i + 1;
    double along = 0, driven = 0;
    for (std::size_t i = 20; i < track.size(); i += 20) along += std::abs(track[i] - track[i - 20]);
    for (std::size_t i = 2; i <= track.size() / 20 * 20 - 19; ++i) driven += recording.frames[i].Speed / 3.6 / 14;
    EXPECT_GT(driven, 150.0);
    EXPECT_NEAR(along, driven, 0.1 * driven);
    // A curve: the heading turns. Stopped after the braking: the last frames stand still.
    const double turn = std::arg((track[190] - track[150]) / (track[40] - track[0]));
    EXPECT_GT(std::abs(turn), 0.7) << "the heading should change along the route";
    EXPECT_EQ(std::abs(track[track.size() - 1] - track[track.size() - 6]), 0.0);
}

// A recording that takes a few seconds to export: many small frames.
class VideoToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::Tool().empty()) GTEST_SKIP() << "DRV_TOOL not set";
        if (test::Shell("command -v ffprobe >/dev/null").status != 0) GTEST_SKIP() << "no ffprobe";
        ASSERT_EQ(test::Shell(test::Tool() + " sample " + test::Quote(rec()) + " --frames 1500 --no-pictures").status,
                  0);
        std::filesystem::create_directory(out());
    }
    std::filesystem::path rec() const { return dir.path() / "rec"; }
    std::filesystem::path out() const { return dir.path() / "out"; }
    // Names in the output folder.
    std::string leftInOut() const { return test::Shell("ls -A " + test::Quote(out())).out; }
    // Starts an export of the recording to out/v.mp4 in bash with job control (so that Ctrl-C
    // reaches it as from a terminal), waits for its temporary (dot) file, runs `then` and prints
    // "status=N" with the way drtool ended.
    test::ShellRun interrupted(const std::string& then) const {
        const auto script = dir.path() / "run.sh";
        test::WriteText(script, "set -m\n" + test::Tool() + " video " + test::Quote(rec()) + " -o " +
                                    test::Quote(out() / "v.mp4") + " --overlay 2>" + test::Quote(dir.path() / "err") +
                                    " & pid=$!\nfor i in $(seq 1000); do ls -A " + test::Quote(out()) +
                                    " | grep -q . && break; sleep 0.01; done\n" + then +
                                    "\nwait $pid; echo status=$?\n");
        return test::Shell("bash " + test::Quote(script));
    }
    std::string err() const { return test::ReadFile<std::string>(dir.path() / "err"); }

    test::TempFolder dir;
};

// Ctrl-C, kill and a closed terminal cancel: the temporary file goes, and the shell sees the
// signal. The card pulled during the export (last): a failure that says so, and no file.
TEST_F(VideoToolTest, SignalsCancelAndVanishingFramesFailAndLeaveNothing) {
    const struct {
        std::string then;
        const char *status, *says;
    } cases[] = {{"kill -INT $pid", "status=130", ""},
                 {"kill -TERM $pid", "status=143", ""},
                 {"kill -HUP $pid", "status=129", ""},
                 {"rm -r " + test::Quote(rec()), "status=1", "is gone"}};
    for (const auto& c : cases) {
        const test::ShellRun run = interrupted(c.then);
        EXPECT_NE(run.out.find(c.status), std::string::npos) << c.then << ": " << run.out << err();
        EXPECT_NE(err().find(c.says), std::string::npos) << err();
        EXPECT_EQ(leftInOut(), "");
    }
}

TEST_F(VideoToolTest, RefusesTargetsAndValuesItCannotHonour) {
    std::filesystem::create_directory_symlink(rec(), dir.path() / "link");
    const auto frame = rec() / "00003.JPG";
    const auto frameBytes = test::ReadFile<std::string>(frame);
    const struct {
        const char* args;
        int status;
        const char* says;
    } cases[] = {
        {"-o -", 2, "standard output"},
        {"-o rec/00003.JPG", 2, "frame of the recording"},
        {"-o rec/new.jpg", 2, "frame of the recording"},
        {"-o rec/NEW.Jpg", 2, "frame of the recording"},
        {"-o link/new.jpg", 2, "frame of the recording"},
        {"-o out/v.mp4 --from 200 --to 100", 2, "--from 200 comes after --to 100"},
        {"-o out/v.mp4 --crf 0", 2, "--crf"},
        {"-o out/v.mp4 --crf 52", 2, "--crf"},
        {"-o out/v.mp4 --crf 1 --to 3", 0, ""},
        {"-o out/v.mp4 --crf 51 --to 3", 0, ""},
        {"-o rec/v.mp4 --to 3", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const test::ShellRun run =
            test::Shell("cd " + test::Quote(dir.path()) + " && " + test::Tool() + " video rec " + c.args + " 2>&1");
        EXPECT_EQ(run.status, c.status) << run.out;
        if (*c.says) {
            EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
        }
        // Nothing from the encoder's own logging: only drtool's notes (the tiny pictures do not decode).
        for (std::size_t at = 0; !*c.says && at < run.out.size(); at = run.out.find('\n', at) + 1) {
            EXPECT_EQ(run.out.compare(at, 20, "drtool video: note: "), 0) << run.out;
            if (run.out.find('\n', at) == std::string::npos) break;
        }
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "-"));
        EXPECT_FALSE(std::filesystem::exists(rec() / "new.jpg"));
        EXPECT_FALSE(std::filesystem::exists(rec() / "NEW.Jpg"));
        EXPECT_EQ(test::ReadFile<std::string>(frame), frameBytes);
        std::filesystem::remove(out() / "v.mp4");
        std::filesystem::remove(rec() / "v.mp4");
    }
}

TEST_F(VideoToolTest, TitleIsTheFoldersRealName) {
    ASSERT_EQ(
        test::Shell("cd " + test::Quote(rec()) + " && " + test::Tool() + " video . --to 3 -o ../out/v.mp4").status, 0);
    EXPECT_EQ(test::Shell("ffprobe -v error -show_entries format_tags=title -of default=nw=1:nk=1 " +
                          test::Quote(out() / "v.mp4"))
                  .out,
              "rec\n");
}

TEST(DrtoolVideoBand, MarksNoteColourTagsAndTheBandBelow) {
    DRV_REQUIRE_TOOL();
    if (test::Shell("command -v ffprobe >/dev/null && command -v ffmpeg >/dev/null").status != 0)
        GTEST_SKIP() << "no ffmpeg";
    const test::TempFolder dir;
    const auto rec = dir.path() / "rec", mp4 = dir.path() / "v.mp4";
    ASSERT_EQ(test::Shell(test::Tool() + " sample " + test::Quote(rec) + " --frames 40 --trigger 10").status, 0);
    // Frame 5 keeps its telemetry but not its picture; frame 7 is a picture without telemetry.
    test::PlantPicture(rec / "00005.JPG", {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x02, 'x', 'y'});
    test::WriteFile(rec / "00007.JPG", test::PatternJpeg(640, 480));
    const auto video = [&](const std::string& args) {
        return test::Shell(test::Tool() + " video " + test::Quote(rec) + " --overlay -o " + test::Quote(mp4) + " " +
                           args + " 2>&1");
    };
    // Red, green, blue of pixel (x, y) of frame n (1-based) of the video.
    const auto pixel = [&](int n, int x, int y) -> std::array<int, 3> {
        const std::string raw = test::Shell("ffmpeg -v error -i " + test::Quote(mp4) + " -vf 'select=eq(n\\," +
                                            std::to_string(n - 1) + ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 -")
                                    .out;
        const std::size_t at = (static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)) * 3;
        if (raw.size() < at + 3) return {-1, -1, -1};
        return {static_cast<unsigned char>(raw[at]), static_cast<unsigned char>(raw[at + 1]),
                static_cast<unsigned char>(raw[at + 2])};
    };
    const test::ShellRun run = video("");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("画像なし): frames 5\n"), std::string::npos) << run.out;
    auto tags = test::ProbeVideo(mp4, "stream=width,height,color_range,color_space,color_transfer,color_primaries");
    EXPECT_EQ(tags["width"] + "x" + tags["height"] + " " + tags["color_range"] + " " + tags["color_space"] + " " +
                  tags["color_primaries"] + " " + tags["color_transfer"],
              "640x480 tv smpte170m bt709 iec61966-2-1");
    // The trigger tag (top left, red) from frame 10; the "画像なし" tag (top right, grey) on frame 5
    // only. The sample's sky is blue there.
    for (const auto& [frame, trigger, noPicture] :
         {std::tuple{5, false, true}, {9, false, false}, {10, true, false}, {24, false, false}}) {
        SCOPED_TRACE(frame);
        const auto tag = pixel(frame, 15, 15), grey = pixel(frame, 622, 40);
        EXPECT_EQ(tag[0] > 180 && tag[1] < 80 && tag[2] < 80, trigger);
        EXPECT_EQ(std::abs(grey[0] - grey[1]) < 16 && std::abs(grey[1] - grey[2]) < 16 && grey[0] < 130, noPicture);
    }
    ASSERT_EQ(video("--band below --to 4").status, 0);
    tags = test::ProbeVideo(mp4, "stream=width,height");
    EXPECT_EQ(tags["width"] + "x" + tags["height"], "640x548");
    // The grass at the foot of the picture stays in full colour above the band.
    EXPECT_GT(pixel(2, 600, 430)[1], 90);
    const test::ShellRun wrong = video("--band middle");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.out.find("--band is over or below"), std::string::npos) << wrong.out;
}

}  // namespace
}  // namespace drv

// drtool video and drtool sample as a user runs them: the programs, their exit codes, messages
// and the files they leave.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <string>
#include <vector>

#include "core/export/telemetry_export.h"
#include "core/recording/recording_dump.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

// drtool draws its pictures with Qt Gui alone: a machine without the widget library runs it.
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
    constexpr double kMetresPerDegree = 111320, kCosLatitude = 0.8122;  // at 35.68 degrees north
    struct Point {
        double x, y;
    };  // metres east and north of the first frame
    std::vector<Point> track;
    double driven = 0;  // metres the speeds account for
    for (int i = 1; i <= recording.frameCount(); ++i) {
        const FrameRecord& f = recording.frames[static_cast<std::size_t>(i)];
        const auto lat = LatitudeDegrees(f.Latitude), lon = LongitudeDegrees(f.Longitude);
        ASSERT_TRUE(lat && lon) << i;
        static const double lat0 = *lat, lon0 = *lon;
        track.push_back({(*lon - lon0) * kMetresPerDegree * kCosLatitude, (*lat - lat0) * kMetresPerDegree});
        if (i > 1) driven += f.Speed / 3.6 / 14;
    }
    // Tenths of an arc second: the written positions are some 3 m apart at most. The way along
    // them, measured every 20 frames to keep that rounding out, is the way the speeds drove.
    auto distance = [](Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); };
    double along = 0;
    for (std::size_t i = 1; i < track.size(); ++i)
        EXPECT_LT(distance(track[i], track[i - 1]), 5.0) << "a jump at frame " << i + 1;
    for (std::size_t i = 20; i < track.size(); i += 20) along += distance(track[i], track[i - 20]);
    driven = 0;
    for (std::size_t i = 2; i <= track.size() / 20 * 20 - 19; ++i) driven += recording.frames[i].Speed / 3.6 / 14;
    EXPECT_GT(driven, 150.0);
    EXPECT_NEAR(along, driven, 0.1 * driven);
    // A curve: the heading turns, and the track leaves the straight line from start to end.
    auto heading = [&](std::size_t from, std::size_t to) {
        return std::atan2(track[to].x - track[from].x, track[to].y - track[from].y);
    };
    const double turn = std::remainder(heading(150, 190) - heading(0, 40), 2 * M_PI);
    EXPECT_GT(std::abs(turn), 0.7) << "the heading should change along the route";
    const Point a = track.front(), b = track.back();
    double offLine = 0;
    for (const Point& p : track)
        offLine = std::max(offLine, std::abs((b.x - a.x) * (a.y - p.y) - (a.x - p.x) * (b.y - a.y)) / distance(a, b));
    EXPECT_GT(offLine, 15.0);
    // Stopped after the braking: the last frames stand still.
    EXPECT_EQ(distance(track[track.size() - 1], track[track.size() - 6]), 0.0);
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
        test::WriteFile(script, bytes("set -m\n" + test::Tool() + " video " + test::Quote(rec()) + " -o " +
                                      test::Quote(out() / "v.mp4") + " --overlay 2>" + test::Quote(dir.path() / "err") +
                                      " & pid=$!\n"
                                      "for i in $(seq 1000); do ls -A " +
                                      test::Quote(out()) + " | grep -q . && break; sleep 0.01; done\n" + then +
                                      "\nwait $pid; echo status=$?\n"));
        return test::Shell("bash " + test::Quote(script));
    }
    std::string err() const { return test::ReadFile<std::string>(dir.path() / "err"); }
    static std::vector<std::uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

    test::TempFolder dir;
};

// Ctrl-C, kill and a closed terminal cancel: the temporary file goes, and the shell sees the signal.
TEST_F(VideoToolTest, SignalsCancelAndLeaveNothing) {
    for (const auto& [signal, name, status] :
         {std::tuple{SIGINT, "INT", 130}, {SIGTERM, "TERM", 143}, {SIGHUP, "HUP", 129}}) {
        SCOPED_TRACE(name);
        const test::ShellRun run = interrupted(std::string("kill -") + name + " $pid");
        EXPECT_NE(run.out.find("status=" + std::to_string(status)), std::string::npos) << run.out << err();
        EXPECT_EQ(leftInOut(), "");
        (void)signal;
    }
}

// The card pulled during the export: a failure that says so, and no file.
TEST_F(VideoToolTest, FramesVanishingMidwayFailTheExport) {
    const test::ShellRun run = interrupted("rm -r " + test::Quote(rec()));
    EXPECT_NE(run.out.find("status=1"), std::string::npos) << run.out << err();
    EXPECT_NE(err().find("is gone"), std::string::npos) << err();
    EXPECT_EQ(leftInOut(), "");
}

// What drtool video refuses before it writes anything, and the nearest values it takes.
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

// "drtool video ." is titled with the folder's name, not ".".
TEST_F(VideoToolTest, TitleIsTheFoldersRealName) {
    ASSERT_EQ(
        test::Shell("cd " + test::Quote(rec()) + " && " + test::Tool() + " video . --to 3 -o ../out/v.mp4").status, 0);
    EXPECT_EQ(test::Shell("ffprobe -v error -show_entries format_tags=title -of default=nw=1:nk=1 " +
                          test::Quote(out() / "v.mp4"))
                  .out,
              "rec\n");
}

}  // namespace
}  // namespace drv

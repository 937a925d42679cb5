// The MP4 encoder leaves no file behind when it fails or is cancelled; the export plan's ranges.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <iterator>
#include <cerrno>

#include "core/video/video_encoder.h"
#include "core/video/video_plan.h"
#include "core/common/file_write_seam.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/write_faults.h"

namespace drv {
namespace {

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

// The panel's step is 0.073 s at 14 fps and 0.145 s at 7 fps; trigger 0 is none, and no range.
struct RangeCase {
    int frames, trigger;
    bool high;
    double before, after;
    int first, last;
};
const RangeCase kRanges[] = {
    {100, 50, true, 1.0, 1.0, 37, 63},  // 13.7 frames each way: whole frames only
    {100, 50, false, 1.45, 0, 40, 50},  // exactly ten steps, despite the binary fraction
    {60, 10, true, 5, 5, 1, 60},        // cut to the recording
    {100, 0, true, 1.0, 1.0, 0, 0},
};

TEST(VideoPlan, RangeAroundTheTriggerFollowsThePanelsClock) {
    for (const RangeCase& c : kRanges) {
        Recording r = test::BlankRecording(c.frames);
        r.state.TriggerFound = c.trigger > 0;
        r.state.TriggerPosition = kUnitsPerFrame * c.trigger;
        r.state.HighFrameRate = c.high;
        const FrameRange range = RangeAroundTrigger(r, c.before, c.after).value_or(FrameRange{0, 0});
        EXPECT_EQ(std::make_pair(range.first, range.last), std::make_pair(c.first, c.last));
    }
}

}  // namespace
}  // namespace drv

// Playback loop: which frames are shown, when, and how the loop ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "tests/core/support/playback_fakes.h"

namespace drv {
namespace {

using testing::Rig;

struct PaceCase {
    int level;
    bool raised;
    bool high;
    int wait;
    int skip;
};

// The pacing table as the user documentation gives it, restated here independently.
const PaceCase kPaceCases[] = {
    {0, false, true, 200, 0}, {0, false, false, 400, 0}, {0, true, true, 200, 0}, {0, true, false, 400, 0},
    {1, false, true, 100, 0}, {1, false, false, 200, 0}, {1, true, true, 100, 0}, {1, true, false, 200, 0},
    {2, false, true, 0, 0},   {2, false, false, 150, 0}, {2, true, true, 0, 0},   {2, true, false, 100, 0},
    {3, false, true, 20, 1},  {3, false, false, 20, 0},  {3, true, true, 0, 2},   {3, true, false, 0, 1},
    {4, false, true, 0, 4},   {4, false, false, 0, 2},   {4, true, true, 0, 6},   {4, true, false, 0, 3},
};

class PlaybackPacing : public ::testing::TestWithParam<std::tuple<PaceCase, BrightnessMode>> {};

TEST_P(PlaybackPacing, ShowsEveryStepOfTheTableAtTheFrameClock) {
    const auto [c, raisedMode] = GetParam();
    constexpr int kFrames = 23;
    Rig rig(kFrames, c.high);
    rig.host.level = c.level;
    rig.host.brightness = c.raised ? raisedMode : BrightnessMode::Standard;

    rig.controller.mnuStart_Click();
    EXPECT_EQ(rig.host.lastButtonMode(), 2);
    rig.run();

    // Frame 1 at once, then the loop from frame 1 after the start delay.
    const std::int64_t startDelay = c.high ? 100 : 140;
    const std::int64_t gap = std::max<std::int64_t>(c.high ? 72 : 143, c.wait);
    std::vector<int> frames{1};
    std::vector<std::int64_t> times{0};
    std::int64_t t = startDelay;
    for (int f = 1; f <= kFrames; f += 1 + c.skip, t += gap) {
        frames.push_back(f);
        times.push_back(t);
    }
    EXPECT_EQ(rig.host.frames(), frames);
    std::vector<std::int64_t> shownTimes;
    for (const auto& s : rig.host.shown) shownTimes.push_back(s.atMs);
    EXPECT_EQ(shownTimes, times);

    // Ends once the last frame's time has passed, past the end, buttons back in mode 1.
    EXPECT_EQ(rig.clock.nowMs(), times.back() + gap);
    EXPECT_FALSE(rig.recording.IsPlaying);
    EXPECT_FALSE(rig.scheduler.pending());
    EXPECT_FALSE(rig.controller.isActive());
    EXPECT_EQ(rig.host.lastButtonMode(), 1);
    EXPECT_EQ(rig.recording.LastShownFrame, frames.back());
    EXPECT_EQ(rig.recording.CurrentFrame, frames.back() + 1 + c.skip);
    EXPECT_GT(rig.recording.CurrentFrame, kFrames);
}

INSTANTIATE_TEST_SUITE_P(AllLevels, PlaybackPacing,
                         ::testing::Combine(::testing::ValuesIn(kPaceCases),
                                            ::testing::Values(BrightnessMode::X15, BrightnessMode::X20)));

TEST(PlaybackPacingTable, ClampsLevelsOutsideTheTrackbarRange) {
    EXPECT_EQ(PacingFor(-3, false, true).waitMs, 200);
    EXPECT_EQ(PacingFor(9, false, true).skip, 4);
    EXPECT_EQ(FrameIntervalMs(true), 72);
    EXPECT_EQ(FrameIntervalMs(false), 143);
}

TEST(PlaybackSequence, Level4At14FpsStandardShowsEveryFifthFrame) {
    Rig rig(24);
    rig.host.level = 4;
    rig.controller.mnuStart_Click();
    rig.run();
    EXPECT_EQ(rig.host.frames(), (std::vector<int>{1, 1, 6, 11, 16, 21}));
}

TEST(PlaybackSequence, EachShowIsPictureThenCursorThenPanel) {
    Rig rig(2);
    rig.controller.mnuStart_Click();
    rig.run();
    const std::vector<std::string> one{"ShowFrame", "Cursor 1", "Panel 1"};
    ASSERT_GE(rig.host.calls.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(rig.host.calls.begin(), rig.host.calls.begin() + 3), one);
    EXPECT_EQ(std::vector<std::string>(rig.host.calls.begin() + 6, rig.host.calls.begin() + 9),
              (std::vector<std::string>{"ShowFrame", "Cursor 2", "Panel 2"}));
}

// The frame clock: never faster than the recording, never sooner than the wait after a show.
struct ClockCase {
    int level;
    bool high;
    std::int64_t showCost;
    std::int64_t gap;  // between the starts of two loop frames
};

class PlaybackFrameClock : public ::testing::TestWithParam<ClockCase> {};

TEST_P(PlaybackFrameClock, GapBetweenFrameStarts) {
    const ClockCase c = GetParam();
    Rig rig(30, c.high);
    rig.host.level = c.level;
    rig.host.showCostMs = c.showCost;
    rig.recording.CurrentFrame = 2;  // no immediate show, so every show is a loop frame
    rig.controller.mnuStart_Click();
    rig.run();
    ASSERT_GE(rig.host.shown.size(), 5u);
    for (std::size_t i = 1; i < 5; ++i)
        EXPECT_EQ(rig.host.shown[i].atMs - rig.host.shown[i - 1].atMs, c.gap) << "frame " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaybackFrameClock,
    ::testing::Values(ClockCase{2, true, 0, 72},     // real time at 14 fps
                      ClockCase{2, true, 30, 72},    // the show's cost is part of the frame
                      ClockCase{2, true, 100, 100},  // a slow show is not delayed further
                      ClockCase{1, true, 30, 130},   // the wait counts from the end of the show
                      ClockCase{2, false, 0, 150},   // 7 fps standard: the wait is longer
                      ClockCase{2, false, 20, 170},  // ... and comes after the show
                      ClockCase{3, false, 0, 143},   // 7 fps level 3: one recording frame
                      ClockCase{4, true, 5, 72}));

TEST(PlaybackFrameClock, TimerFiringEarlyWaitsForTheRest) {
    Rig rig(5);
    rig.recording.CurrentFrame = 2;
    rig.controller.mnuStart_Click();
    ASSERT_TRUE(rig.fire());  // the start delay: frame 2 at 100
    ASSERT_EQ(rig.host.shown.size(), 1u);
    ASSERT_TRUE(rig.fire(10));  // fires at 162 instead of 172
    EXPECT_EQ(rig.host.shown.size(), 1u);
    EXPECT_EQ(rig.scheduler.delay(), 10);
    ASSERT_TRUE(rig.fire());
    ASSERT_EQ(rig.host.shown.size(), 2u);
    EXPECT_EQ(rig.host.shown[1].atMs, 172);
}

TEST(PlaybackEnd, OneFrameRecordingShowsItTwiceAndEndsAfterItsTime) {
    Rig rig(1);
    rig.controller.mnuStart_Click();
    rig.run();
    EXPECT_EQ(rig.host.frames(), (std::vector<int>{1, 1}));
    EXPECT_EQ(rig.host.shown[1].atMs, 100);
    EXPECT_EQ(rig.clock.nowMs(), 172);
    EXPECT_EQ(rig.host.buttonModes, (std::vector<int>{2, 1}));
    EXPECT_EQ(rig.recording.CurrentFrame, 2);
    EXPECT_EQ(rig.recording.LastShownFrame, 1);
}

TEST(PlaybackEnd, AfterTheEndBackForwardAndStartFollowTheLastShownFrame) {
    Rig rig(10);
    rig.controller.mnuStart_Click();
    rig.run();
    ASSERT_EQ(rig.recording.CurrentFrame, 11);
    ASSERT_EQ(rig.recording.LastShownFrame, 10);

    Rig forward(10);
    forward.controller.mnuStart_Click();
    forward.run();
    forward.host.shown.clear();
    forward.controller.cmdPlay_Click(4);  // the last frame shown was N: nothing to show
    EXPECT_TRUE(forward.host.shown.empty());
    EXPECT_EQ(forward.recording.CurrentFrame, 10);

    rig.host.shown.clear();
    rig.controller.cmdPlay_Click(1);
    EXPECT_EQ(rig.host.frames(), (std::vector<int>{9}));

    rig.recording.CurrentFrame = 11;  // past the end again: Start plays from frame 1
    rig.host.shown.clear();
    rig.controller.mnuStart_Click();
    EXPECT_EQ(rig.host.frames(), (std::vector<int>{1}));
    rig.run();
    EXPECT_EQ(rig.host.shown.size(), 11u);
}

TEST(PlaybackEnd, AfterASkipPastTheEndStepsFromTheLastShownFrame) {
    Rig rig(13);
    rig.host.level = 4;
    rig.controller.mnuStart_Click();
    rig.run();
    ASSERT_EQ(rig.host.frames(), (std::vector<int>{1, 1, 6, 11}));
    EXPECT_EQ(rig.recording.CurrentFrame, 16);
    EXPECT_EQ(rig.recording.LastShownFrame, 11);

    rig.host.shown.clear();
    rig.controller.cmdPlay_Click(4);
    EXPECT_EQ(rig.host.frames(), (std::vector<int>{12}));
    EXPECT_EQ(rig.recording.LastShownFrame, 12);
}

TEST(PlaybackEnd, LargestFrameCountEndsWithoutWrappingTheIndex) {
    Rig rig(32767);
    rig.host.level = 4;
    rig.recording.CurrentFrame = 32760;
    rig.controller.mnuStart_Click();
    EXPECT_LT(rig.run(), 10);
    EXPECT_EQ(rig.host.frames(), (std::vector<int>{32760, 32765}));
    EXPECT_FALSE(rig.recording.IsPlaying);
    EXPECT_EQ(rig.recording.CurrentFrame, 32767);  // clamped: the loop still knows it ran past
    EXPECT_EQ(rig.recording.LastShownFrame, 32765);
}

}  // namespace
}  // namespace drv

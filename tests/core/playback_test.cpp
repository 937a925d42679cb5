#include <gtest/gtest.h>
#include <cmath>
#include <tuple>

#include "core/viewer/panel_text.h"
#include "tests/core/support/playback_fakes.h"

namespace drv {
namespace {

using testing::Rig;
using Frames = std::vector<int>;

struct PaceCase {
    int level;
    BrightnessMode mode;
    bool high;
    int wait, skip;
};

// The pacing table restated independently of the code; both raised modes count as raised.
using enum BrightnessMode;
const PaceCase kPaceCases[] = {
    {0, Standard, true, 200, 0}, {0, Standard, false, 400, 0}, {0, X15, true, 200, 0}, {0, X20, false, 400, 0},
    {1, Standard, true, 100, 0}, {1, Standard, false, 200, 0}, {1, X20, true, 100, 0}, {1, X15, false, 200, 0},
    {2, Standard, true, 0, 0},   {2, Standard, false, 150, 0}, {2, X15, true, 0, 0},   {2, X20, false, 100, 0},
    {3, Standard, true, 20, 1},  {3, Standard, false, 20, 0},  {3, X20, true, 0, 2},   {3, X15, false, 0, 1},
    {4, Standard, true, 0, 4},   {4, Standard, false, 0, 2},   {4, X15, true, 0, 6},   {4, X20, false, 0, 3},
};

class PlaybackPacing : public ::testing::TestWithParam<PaceCase> {};

TEST_P(PlaybackPacing, FramesAndTimesFollowTheTableAndTheFrameClock) {
    const PaceCase c = GetParam();
    Rig rig(23, c.high);
    rig.level = c.level;
    rig.brightness = c.mode;
    rig.controller.mnuStart_Click();
    rig.run();
    // Frame 1 at once, then the loop from frame 1 after the start shot, on the recording's own
    // unrounded clock or every `wait` ms where that is longer.
    const int fps = c.high ? 14 : 7, t0 = c.high ? 100 : 140;
    auto at = [&](int k) {
        return c.wait * fps > 1000 ? t0 + k * c.wait : static_cast<std::int64_t>(std::ceil(t0 + k * 1000.0 / fps));
    };
    Frames frames{1};
    std::vector<std::int64_t> times{0};
    int k = 0;
    for (int f = 1; f <= 23; f += 1 + c.skip) frames.push_back(f), times.push_back(at(k++));
    EXPECT_EQ(rig.frames, frames);
    EXPECT_EQ(rig.times, times);
    // Ends when the last frame's time is over: past the end, buttons back in mode 1.
    EXPECT_EQ(rig.clock.nowMs(), at(k));
    EXPECT_EQ(rig.modes, (Frames{2, 1}));
    EXPECT_FALSE(rig.recording.IsPlaying || rig.pending() || rig.controller.isActive());
    EXPECT_EQ(rig.recording.LastShownFrame, frames.back());
    EXPECT_EQ(rig.recording.CurrentFrame, frames.back() + 1 + c.skip);
}

INSTANTIATE_TEST_SUITE_P(AllLevels, PlaybackPacing, ::testing::ValuesIn(kPaceCases));

// Loop frames from frame 2 on: the frame clock counts a show's cost and a level's wait follows
// the show; the third shot `late` ms late is made up over the next gaps, none shorter than half
// an interval, and one more than an interval late starts the clock again from itself; a shot
// that fires early shows nothing until its frame is due.
TEST(Playback, FrameClockWithCostlyShowsAndLateOrEarlyShots) {
    const struct {
        int level;
        bool high;
        std::int64_t cost, late;
        std::vector<std::int64_t> times;
    } cases[] = {{2, true, 30, 0, {100, 172, 243, 315, 386, 458}}, {2, true, 100, 0, {100, 200, 300, 400, 500, 600}},
                 {1, true, 30, 0, {100, 230, 360, 490, 620, 750}}, {2, false, 20, 0, {140, 310, 480, 650, 820, 990}},
                 {2, true, 0, 50, {100, 172, 293, 329, 386, 458}}, {2, true, 0, 100, {100, 172, 343, 415, 486, 558}},
                 {2, true, 0, -10, {100, 172, 243, 315, 386, 458}}};
    for (const auto& c : cases) {
        Rig rig(7, c.high);
        rig.level = c.level, rig.showCostMs = c.cost;
        rig.recording.CurrentFrame = 2;
        rig.controller.mnuStart_Click();
        rig.fire(), rig.fire(), rig.fire(c.late);
        rig.run();
        EXPECT_EQ(rig.times, c.times) << c.level << " " << c.cost << " " << c.late;
    }
}

// Stop during the start shot shows nothing more; Stop inside a show keeps that frame on screen,
// and Start goes on from it (showing it again first).
TEST(Playback, StopAtAnyMomentAndStartGoesOnFromTheFrameOnScreen) {
    Rig starting(8);
    starting.controller.mnuStart_Click();
    starting.controller.cmdPlay_Click(3);
    starting.run();
    EXPECT_EQ(starting.frames, Frames{1});
    Rig showing(6);
    showing.recording.CurrentFrame = 2;
    showing.onShow = [&](int count) {
        if (count == 3) showing.controller.mnuStop_Click();
    };
    showing.controller.mnuStart_Click();
    showing.run();
    EXPECT_EQ(showing.frames, (Frames{2, 3, 4}));
    EXPECT_FALSE(showing.recording.IsPlaying || showing.pending());
    EXPECT_EQ(std::make_pair(int(showing.recording.CurrentFrame), showing.modes.back()), std::make_pair(4, 1));
    showing.onShow = nullptr;
    showing.clearShown();
    showing.controller.cmdPlay_Click(2);
    showing.run();
    EXPECT_EQ(showing.frames, (Frames{4, 5, 6}));
}

TEST(Playback, StartGuards) {
    Rig largest(32767);  // ends without wrapping the 16-bit index
    largest.level = 4;
    largest.recording.CurrentFrame = 32760;
    largest.controller.mnuStart_Click();
    largest.run();
    EXPECT_EQ(largest.log, "S32760C32760P32760 S32765C32765P32765 ");  // picture, cursor, panel per frame
    for (int current : {0, -4, 7, 9}) {  // outside the recording, on its last frame or past it: from 1
        Rig rig(7);
        rig.recording.CurrentFrame = static_cast<std::int16_t>(current);
        rig.controller.mnuStart_Click();
        rig.fire();
        EXPECT_EQ(rig.frames, (Frames{1, 1})) << current;
    }
}

// 開始 and 停止 in the menu are always on: with no recording they do nothing; Start while playing,
// also during the start shot, keeps one loop at its own pace.
TEST(Playback, MenuStartAndStopWithoutARecordingOrWhilePlaying) {
    Rig closed(5), plain(30), busy(30);
    closed.recording.folder.clear();
    closed.controller.mnuStart_Click();
    closed.controller.mnuStop_Click();
    EXPECT_TRUE(closed.modes.empty() && !closed.pending());
    plain.controller.mnuStart_Click();
    plain.run();
    busy.onShow = [&](int count) {
        if (count % 4 == 0) busy.controller.mnuStart_Click();
    };
    busy.controller.mnuStart_Click();
    busy.controller.mnuStart_Click();  // during the start shot
    busy.run();
    EXPECT_EQ(busy.frames, plain.frames);
    EXPECT_EQ(busy.times, plain.times);
}

TEST(Playback, BrightnessAndTrackbarChangesApplyFromTheNextFrame) {
    Rig rig(40);
    rig.level = 4;
    rig.controller.mnuStart_Click();
    rig.fire();  // frame 1; next 6
    rig.brightness = BrightnessMode::X15;
    rig.fire();  // frame 6, raised column: next 13
    rig.brightness = BrightnessMode::Standard;
    rig.level = 0;
    rig.fire();  // frame 13, level 0: next 14 after 200 ms
    EXPECT_EQ(rig.delay, 200);
    rig.level = 4;
    rig.run();
    EXPECT_EQ(rig.frames, (Frames{1, 1, 6, 13, 14, 19, 24, 29, 34, 39}));
}

TEST(PlaybackNavigation, MovesAsTheButtonSays) {
    struct Case {
        const char* name;
        int frames, current, last, index, wantCurrent, wantLast;
        Frames wantShown;
    };
    const Case cases[] = {
        {"First", 10, 5, 5, 0, 1, 5, {1}},
        {"BackPastEnd", 10, 11, 10, 1, 9, 10, {9}},
        {"BackPastEndLastWas1", 10, 12, 1, 1, 1, 1, {}},
        {"Forward", 10, 5, 3, 4, 6, 6, {6}},
        {"ForwardPastEnd", 10, 11, 10, 4, 10, 10, {}},
        {"ForwardPastEndAfterASkip", 13, 16, 11, 4, 12, 12, {12}},  // from the last frame shown
        {"Last", 10, 3, 2, 5, 10, 2, {10}},
        {"Unknown", 10, 4, 4, 6, 4, 4, {}},
        {"NoFrames", 0, 1, 1, 5, 1, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.frames);
        rig.recording.CurrentFrame = static_cast<std::int16_t>(c.current);
        rig.recording.LastShownFrame = static_cast<std::int16_t>(c.last);
        rig.controller.cmdPlay_Click(c.index);
        EXPECT_EQ(std::tie(rig.recording.CurrentFrame, rig.recording.LastShownFrame, rig.frames),
                  std::make_tuple(c.wantCurrent, c.wantLast, c.wantShown));
        EXPECT_EQ(rig.chartResets, c.index == 0 ? 1 : 0);
        EXPECT_TRUE(rig.modes.empty());
    }
}

TEST(PanelText, ElapsedTimeFromTheTriggerFrameAndAcceleration) {
    const struct {
        bool high;
        std::int32_t triggerPosition;
        int index;
        const char* seconds;
    } cases[] = {
        {true, 150, 1, "-00.146"}, {true, 150, 3, "00.000"},   {true, 150, 13, "00.730"},
        {false, 50, 11, "01.450"}, {false, 50, 400, "57.855"}, {true, 10050, 1, "-14.600"},  // no trigger: frame 201
        {true, 75, 2, "00.000"},   {true, 125, 2, "00.000"},  // 1.5 and 2.5 both round to frame 2
    };
    for (const auto& c : cases) {
        RecordingState state;
        state.HighFrameRate = c.high;
        state.TriggerPosition = c.triggerPosition;
        EXPECT_EQ(PassTimeText(state, c.index), std::string("経過時間：　") + c.seconds + "秒") << c.index;
    }
    // Acceleration: fourteen characters, the number right-aligned in six.
    const std::pair<float, const char*> accelerations[] = {{0.25f, "  0.25 G      "},
                                                           {-1.25f, " -1.25 G      "},
                                                           {-12.5f, "-12.50 G      "},
                                                           {-123.45f, "123.45 G      "}};
    for (const auto& [g, text] : accelerations) EXPECT_EQ(AccelerationText(g), text) << g;
}

}  // namespace
}  // namespace drv

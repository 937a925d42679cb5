// Start, Stop and the navigation buttons, and changes made while playback runs.
#include <gtest/gtest.h>

#include <vector>

#include "tests/core/support/playback_fakes.h"

namespace drv {
namespace {

using testing::Rig;

TEST(PlaybackStop, MidWayKeepsTheFrameOnScreenAndStartContinuesFromIt) {
    Rig rig(20);
    rig.controller.mnuStart_Click();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(rig.fire());  // loop shows 1..5
    ASSERT_EQ(rig.recording.CurrentFrame, 6);

    rig.controller.mnuStop_Click();
    EXPECT_EQ(rig.recording.CurrentFrame, 5);
    EXPECT_FALSE(rig.recording.IsPlaying);
    EXPECT_FALSE(rig.scheduler.pending());
    EXPECT_EQ(rig.host.lastButtonMode(), 1);

    rig.host.shown.clear();
    rig.controller.cmdPlay_Click(2);
    EXPECT_TRUE(rig.host.shown.empty());  // not on frame 1: nothing shown before the loop
    EXPECT_EQ(rig.host.lastButtonMode(), 2);
    rig.run();
    std::vector<int> expected;
    for (int f = 5; f <= 20; ++f) expected.push_back(f);
    EXPECT_EQ(rig.host.frames(), expected);
}

TEST(PlaybackStop, DuringTheStartDelayNothingMoreIsShown) {
    Rig rig(8);
    rig.controller.mnuStart_Click();
    rig.controller.cmdPlay_Click(3);
    EXPECT_FALSE(rig.scheduler.pending());
    EXPECT_EQ(rig.run(), 0);
    EXPECT_EQ(rig.host.frames(), (std::vector<int>{1}));
    EXPECT_EQ(rig.recording.CurrentFrame, 1);
    EXPECT_FALSE(rig.recording.IsPlaying);
    EXPECT_EQ(rig.host.buttonModes, (std::vector<int>{2, 1}));
}

TEST(PlaybackStop, WhileAFrameIsBeingShownThatFrameStaysCurrent) {
    Rig rig(20);
    rig.recording.CurrentFrame = 2;
    rig.host.onShow = [&](int count) {
        if (count == 3) rig.controller.mnuStop_Click();
    };
    rig.controller.mnuStart_Click();
    rig.run();
    EXPECT_EQ(rig.host.frames(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(rig.recording.CurrentFrame, 4);
    EXPECT_EQ(rig.recording.LastShownFrame, 4);
    EXPECT_FALSE(rig.recording.IsPlaying);
    EXPECT_FALSE(rig.scheduler.pending());
}

TEST(PlaybackStart, WithoutARecordingDoesNothing) {
    Rig rig(5);
    rig.recording.folder.clear();
    rig.controller.mnuStart_Click();
    rig.controller.mnuStop_Click();
    EXPECT_TRUE(rig.host.buttonModes.empty());
    EXPECT_FALSE(rig.scheduler.pending());
}

TEST(PlaybackStart, WithAnEmptyListForgetsTheFolder) {
    Rig rig(0);
    rig.controller.mnuStart_Click();
    EXPECT_TRUE(rig.recording.folder.empty());
    EXPECT_TRUE(rig.host.buttonModes.empty());
    EXPECT_FALSE(rig.scheduler.pending());
}

TEST(PlaybackStart, FromAFrameOutsideTheRecordingPlaysFromTheFirst) {
    for (int current : {0, -4, 7, 9}) {
        Rig rig(7);
        rig.recording.CurrentFrame = static_cast<std::int16_t>(current);
        rig.controller.mnuStart_Click();
        rig.run();
        ASSERT_GE(rig.host.shown.size(), 2u) << current;
        EXPECT_EQ(rig.host.shown[0].frame, 1) << current;
        EXPECT_EQ(rig.host.shown[1].frame, 1) << current;
    }
}

TEST(PlaybackStart, At7FpsWaits140BeforeTheLoop) {
    Rig rig(3, false);
    rig.recording.CurrentFrame = 2;
    rig.controller.mnuStart_Click();
    EXPECT_EQ(rig.scheduler.delay(), 140);
}

TEST(PlaybackStart, WhilePlayingKeepsOneLoopAndItsPace) {
    Rig plain(30);
    plain.controller.mnuStart_Click();
    plain.run();

    Rig busy(30);
    busy.host.onShow = [&](int count) {
        if (count % 4 == 0) busy.controller.mnuStart_Click();  // during a show
    };
    busy.controller.mnuStart_Click();
    busy.controller.mnuStart_Click();  // during the start delay
    while (busy.scheduler.pending()) {
        busy.controller.cmdPlay_Click(2);  // between frames, also when the next one is N
        busy.fire();
    }
    ASSERT_EQ(busy.host.shown.size(), plain.host.shown.size());
    for (std::size_t i = 0; i < plain.host.shown.size(); ++i) {
        EXPECT_EQ(busy.host.shown[i].frame, plain.host.shown[i].frame) << i;
        EXPECT_EQ(busy.host.shown[i].atMs, plain.host.shown[i].atMs) << i;
    }
    EXPECT_EQ(busy.host.lastButtonMode(), 1);
}

TEST(PlaybackChanges, BrightnessSwitchesThePacingColumnAtTheNextFrame) {
    Rig rig(40);
    rig.host.level = 4;
    rig.controller.mnuStart_Click();
    ASSERT_TRUE(rig.fire());  // loop frame 1, next 6
    rig.host.brightness = BrightnessMode::X15;
    ASSERT_TRUE(rig.fire());  // frame 6, raised column: next 13
    ASSERT_TRUE(rig.fire());  // frame 13
    rig.host.brightness = BrightnessMode::Standard;
    rig.run();
    // The skip after frame 13 was chosen while the raised column applied.
    EXPECT_EQ(rig.host.frames(), (std::vector<int>{1, 1, 6, 13, 20, 25, 30, 35, 40}));
}

TEST(PlaybackChanges, TrackbarMovedDuringPlaybackChangesThePaceFromTheNextFrame) {
    Rig rig(30);
    rig.host.level = 0;
    rig.recording.CurrentFrame = 2;
    rig.controller.mnuStart_Click();
    ASSERT_TRUE(rig.fire());  // frame 2 at 100, level 0: next at 300
    EXPECT_EQ(rig.scheduler.delay(), 200);
    rig.host.level = 4;
    ASSERT_TRUE(rig.fire());  // frame 3 at 300, level 4: skip 4, one recording frame
    EXPECT_EQ(rig.scheduler.delay(), 72);
    rig.host.level = 1;
    rig.run();
    std::vector<int> expected{2, 3};
    for (int f = 8; f <= 30; ++f) expected.push_back(f);
    EXPECT_EQ(rig.host.frames(), expected);
    EXPECT_EQ(rig.host.shown[2].atMs, 372);
    EXPECT_EQ(rig.host.shown[3].atMs, 472);
}

// Navigation buttons: state before, button, state after and the frames shown.
struct NavCase {
    const char* name;
    int frames, current, last, index;
    int expectCurrent, expectLast;
    std::vector<int> expectShown;
    int expectChartResets;
};

class PlaybackNavigation : public ::testing::TestWithParam<NavCase> {};

TEST_P(PlaybackNavigation, MovesAsTheButtonSays) {
    const NavCase& c = GetParam();
    Rig rig(c.frames);
    rig.recording.CurrentFrame = static_cast<std::int16_t>(c.current);
    rig.recording.LastShownFrame = static_cast<std::int16_t>(c.last);
    rig.controller.cmdPlay_Click(c.index);
    EXPECT_EQ(rig.recording.CurrentFrame, c.expectCurrent);
    EXPECT_EQ(rig.recording.LastShownFrame, c.expectLast);
    EXPECT_EQ(rig.host.frames(), c.expectShown);
    EXPECT_EQ(rig.host.chartResets, c.expectChartResets);
    EXPECT_TRUE(rig.host.buttonModes.empty());
    EXPECT_FALSE(rig.scheduler.pending());
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, PlaybackNavigation,
    ::testing::Values(NavCase{"FirstFromMiddle", 10, 5, 5, 0, 1, 5, {1}, 1},
                      NavCase{"FirstOnFirst", 10, 1, 1, 0, 1, 1, {1}, 1},
                      NavCase{"BackOnFirst", 10, 1, 1, 1, 1, 1, {}, 0},
                      NavCase{"BackFromMiddle", 10, 5, 5, 1, 4, 5, {4}, 0},
                      NavCase{"BackPastEnd", 10, 11, 10, 1, 9, 10, {9}, 0},
                      NavCase{"BackPastEndLastWasFirst", 10, 12, 1, 1, 1, 1, {}, 0},
                      NavCase{"ForwardFromMiddle", 10, 5, 3, 4, 6, 6, {6}, 0},
                      NavCase{"ForwardOnLast", 10, 10, 10, 4, 10, 10, {}, 0},
                      NavCase{"ForwardPastEndAtLast", 10, 11, 10, 4, 10, 10, {}, 0},
                      NavCase{"ForwardPastEndAfterSkip", 13, 16, 11, 4, 12, 12, {12}, 0},
                      NavCase{"LastFromMiddle", 10, 3, 2, 5, 10, 2, {10}, 0},
                      NavCase{"OneFrameBack", 1, 1, 1, 1, 1, 1, {}, 0},
                      NavCase{"OneFrameForward", 1, 1, 1, 4, 1, 1, {}, 0},
                      NavCase{"UnknownIndex", 10, 4, 4, 6, 4, 4, {}, 0},
                      NavCase{"NegativeIndex", 10, 4, 4, -1, 4, 4, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlaybackNavigationGuard, MoveButtonsAreIgnoredWhilePlayingOrWithoutFrames) {
    Rig rig(10);
    rig.controller.mnuStart_Click();
    ASSERT_TRUE(rig.fire());
    const auto shownBefore = rig.host.shown.size();
    for (int index : {0, 1, 4, 5}) rig.controller.cmdPlay_Click(index);
    EXPECT_EQ(rig.host.shown.size(), shownBefore);
    EXPECT_EQ(rig.recording.CurrentFrame, 2);

    Rig empty(0);
    for (int index : {0, 1, 4, 5}) empty.controller.cmdPlay_Click(index);
    EXPECT_TRUE(empty.host.shown.empty());
}

}  // namespace
}  // namespace drv

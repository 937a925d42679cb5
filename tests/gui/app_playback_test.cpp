// The one routine that puts a frame on screen: every way to a frame goes through it and says so
// once; what brightness, the read-ahead and Play make of the frame on screen.
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <algorithm>
#include <fstream>

#include "gui/viewer/picture_view.h"
#include "gui/viewer/telemetry_panel.h"
#include "tests/core/support/hostile_pictures.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/prefetcher_peer.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

class AppFrameOwnerTest : public test::AppFixture {
protected:
    std::vector<int> frames(QSignalSpy& spy) {
        std::vector<int> out;
        for (const QList<QVariant>& args : spy) out.push_back(args.at(0).toInt());
        spy.clear();
        return out;
    }
    void playToTheEnd() {
        w().cmdPlay(2)->click();
        ASSERT_TRUE(test::waitUntil([this] { return !w().playback().isActive(); }, 15000));
    }
};

TEST_F(AppFrameOwnerTest, EveryWayToAFrameSaysSoOnce) {
    QSignalSpy shown(&w(), &MainWindow::currentFrameChanged);
    QSignalSpy opened(&w(), &MainWindow::recordingChanged);
    SampleOptions o = quick(10);
    o.trigger = 4;
    openThroughDialog(makeRecording("rec", o));
    EXPECT_EQ(opened.count(), 1);
    EXPECT_EQ(frames(shown), std::vector<int>{1});

    // The buttons; back on the first frame shows nothing new.
    for (const auto& [button, frame] : {std::pair{4, 2}, {1, 1}, {5, 10}, {0, 1}}) {
        w().cmdPlay(button)->click();
        EXPECT_EQ(frames(shown), std::vector<int>{frame}) << "button " << button;
    }
    w().cmdPlay(1)->click();
    EXPECT_EQ(shown.count(), 0);

    // The chart: a frame of the recording, and a place past its end that shows nothing.
    w().chart()->Pic1_MouseDown(1, 0, 200 + 4 * kUnitsPerFrame, 500);
    EXPECT_EQ(frames(shown), std::vector<int>{5});
    w().chart()->Pic1_MouseDown(1, 0, 200 + 20 * kUnitsPerFrame, 500);
    EXPECT_EQ(shown.count(), 0);

    // A brightness change shows the same frame again: no change of frame.
    w().mnuHi15_Click();
    w().mnuOrg_Click();
    EXPECT_EQ(shown.count(), 0);

    // Playback from the last frame starts at frame 1 (shown on Start and by the loop's first
    // step), then every fifth frame at the fastest level.
    w().cmdPlay(5)->click();
    shown.clear();
    w().setSpeedLevel(4);
    playToTheEnd();
    EXPECT_EQ(frames(shown), (std::vector<int>{1, 1, 6}));

    // A folder without frames leaves no recording.
    openThroughDialog(root());
    EXPECT_EQ(opened.count(), 2);
    EXPECT_EQ(shown.count(), 0);
}

// Stopped past the end at a fast level, a brightness change names the frame on screen current
// again; Play still starts from the first frame, as it does without the change.
TEST_F(AppFrameOwnerTest, PlayAfterABrightnessChangeAtTheEndStartsAgain) {
    const SampleOptions o = quick(60);
    openThroughDialog(makeRecording("rec", o));
    w().setSpeedLevel(4);
    playToTheEnd();
    ASSERT_EQ(w().recording().LastShownFrame, 56);
    EXPECT_EQ(w().buttonMode(), 1);
    const QString panel = w().fraStatus()->lblPassTime()->text();
    w().mnuHi15_Click();
    ASSERT_EQ(w().recording().CurrentFrame, 56);
    // Picture, file name, panel and cursor all describe frame 56.
    EXPECT_EQ(w().image1()->image(), expectedPicture(56, BrightnessMode::X15));
    EXPECT_EQ(w().fraStatus()->lblFilename()->text(), QString::fromStdString(SampleFileName(o, 56)));
    EXPECT_EQ(w().fraStatus()->lblPassTime()->text(), panel);
    EXPECT_EQ(w().chart()->model().cursorX(), 200 + 55 * kUnitsPerFrame);
    QSignalSpy shown(&w(), &MainWindow::currentFrameChanged);
    playToTheEnd();
    const std::vector<int> played = frames(shown);
    ASSERT_GE(played.size(), 3u);
    EXPECT_EQ(played.front(), 1);
    EXPECT_EQ(played.back(), 57) << "every seventh frame at x1.5";
}

struct ReadAheadCase {
    int level;
    bool raised;
    int fps;
    int step;
};

class AppReadAheadTest : public AppFrameOwnerTest, public ::testing::WithParamInterface<ReadAheadCase> {};

// At the fast levels the loop skips frames; the read-ahead reads only the frames it will show.
TEST_P(AppReadAheadTest, ReadsOnlyTheFramesTheLoopShows) {
    const ReadAheadCase c = GetParam();
    auto log = std::make_shared<test::CountingSource>(std::chrono::milliseconds(5));
    w().prefetcher().setSource(log);
    openThroughDialog(makeRecording("rec", quick(40, c.fps)));
    if (c.raised) w().mnuHi15_Click();
    w().setSpeedLevel(c.level);
    log->take();
    playToTheEnd();
    const std::vector<std::filesystem::path> read = log->take();
    const FileNameList& names = w().recording().fileNames;
    std::vector<int> indices;
    for (const auto& file : read)
        indices.push_back(static_cast<int>(std::find(names.begin(), names.end(), file) - names.begin()));
    EXPECT_GE(indices.size(), static_cast<std::size_t>(40 / c.step));
    for (int index : indices) EXPECT_EQ((index - 1) % c.step, 0) << "frame " << index << " is never shown";
}

INSTANTIATE_TEST_SUITE_P(FastLevels, AppReadAheadTest,
                         ::testing::Values(ReadAheadCase{3, false, 14, 2}, ReadAheadCase{4, false, 14, 5},
                                           ReadAheadCase{4, true, 14, 7}, ReadAheadCase{4, false, 7, 3},
                                           ReadAheadCase{4, true, 7, 4}),
                         [](const ::testing::TestParamInfo<ReadAheadCase>& info) {
                             const ReadAheadCase& c = info.param;
                             return "Level" + std::to_string(c.level) + "At" + std::to_string(c.fps) + "fps" +
                                    (c.raised ? "Brightened" : "");
                         });

// Each entry ticks itself alone and names its mode; the frame on screen is read again from its
// file, even when the entry was ticked already: its file is replaced between the choices.
TEST_F(AppFrameOwnerTest, BrightnessReloadsTheFrameOnScreenFromItsFileOrRedoesTheLastPicture) {
    openThroughDialog(makeRecording("rec", quick(30, 14, true)));
    using M = MainWindow::Menus;
    const std::tuple<QAction * M::*, BrightnessMode, QString> stopped[] = {
        {&M::mnuHi20, BrightnessMode::X20, QStringLiteral("輝度：　x2.0")},
        {&M::mnuHi20, BrightnessMode::X20, QStringLiteral("輝度：　x2.0")},
        {&M::mnuHi15, BrightnessMode::X15, QStringLiteral("輝度：　x1.5")},
        {&M::mnuOrg, BrightnessMode::Standard, QStringLiteral("輝度：　標準")}};
    int replacement = 10;
    for (const auto& [entry, mode, caption] : stopped) {
        const M& m = w().menus();
        (m.*entry)->trigger();
        EXPECT_EQ(w().image1()->image(), expectedPicture(1, mode));
        EXPECT_EQ(w().lblKido()->text(), caption);
        EXPECT_EQ(m.mnuOrg->isChecked() + m.mnuHi15->isChecked() + m.mnuHi20->isChecked(), 1);
        EXPECT_TRUE((m.*entry)->isChecked());
        std::filesystem::copy_file(w().recording().framePath(replacement++), w().recording().framePath(1),
                                   std::filesystem::copy_options::overwrite_existing);
        ASSERT_NE(w().image1()->image(), expectedPicture(1, mode)) << "the new file shows another picture";
    }
    // Playing: the frame on screen is LastShownFrame, while CurrentFrame names the next.
    w().setSpeedLevel(0);
    w().mnuStart_Click();
    ASSERT_TRUE(test::waitUntil([this] { return w().recording().LastShownFrame >= 2; }, 5000));
    for (auto [handler, mode] : {std::pair{&MainWindow::mnuHi20_Click, BrightnessMode::X20},
                                 std::pair{&MainWindow::mnuHi20_Click, BrightnessMode::X20},
                                 std::pair{&MainWindow::mnuOrg_Click, BrightnessMode::Standard}}) {
        const int shown = w().recording().LastShownFrame;
        const int next = w().recording().CurrentFrame;
        (w().*handler)();
        EXPECT_EQ(w().recording().CurrentFrame, next);
        EXPECT_EQ(w().image1()->image(), expectedPicture(shown, mode)) << "never brightened twice";
    }
    w().mnuStop_Click();

    // A frame that cannot be decoded leaves the previous picture; a brightness chosen then decodes
    // that picture again in the new mode instead of keeping the old mode's brightening.
    w().cmdPlay(0)->click();
    std::ofstream(w().recording().framePath(2), std::ios::binary | std::ios::trunc) << "not a picture";
    w().cmdPlay(4)->click();
    for (auto [handler, mode] : {std::pair{&MainWindow::mnuHi15_Click, BrightnessMode::X15},
                                 std::pair{&MainWindow::mnuOrg_Click, BrightnessMode::Standard}}) {
        (w().*handler)();
        EXPECT_EQ(w().image1()->image(), expectedPicture(1, mode));
    }
    // Nothing of this recording comes back in the next one, whose first frame cannot be decoded:
    // it shows the placeholder, in every mode.
    QImage placeholder(8, 6, QImage::Format_RGB32);
    placeholder.fill(Qt::green);
    ASSERT_TRUE(placeholder.save(programDir_.filePath(QStringLiteral("default_vor.bmp")), "BMP"));
    const SampleOptions o = quick(2, 14, true);
    const auto next = makeRecording("next", o);
    test::PlantPicture(next / SampleFileName(o, 1), {0xFF, 0xD8, 'x'});  // it stays the oldest frame
    openThroughDialog(next);
    EXPECT_EQ(w().image1()->image().size(), QSize(8, 6));
    w().mnuHi20_Click();
    EXPECT_EQ(w().image1()->image().size(), QSize(8, 6));
}

// Played at x2.0 on a slow reader: most frames come read ahead, the frame on screen is its file
// brightened once, and closing the window while it plays ends the workers.
TEST_F(AppFrameOwnerTest, PlaysFromTheReadAheadFramesAndBrightensOnce) {
    auto source = std::make_shared<test::CountingSource>(std::chrono::milliseconds(30));
    w().prefetcher().setSource(source);
    openThroughDialog(makeRecording("rec", quick(12, 14, true)));
    w().mnuHi20_Click();
    const int before = source->interfaceReads;
    w().cmdPlay(2)->click();
    ASSERT_TRUE(test::waitUntil([this] { return !w().playback().isActive(); }, 10000));
    EXPECT_LE(source->interfaceReads - before, 6) << "of 12 frames shown";
    EXPECT_EQ(test::PrefetcherPeer::cachedFrames(w().prefetcher()), 0u) << "dropped when playback ends";
    EXPECT_EQ(w().image1()->image(), expectedPicture(12, BrightnessMode::X20));
    w().setSpeedLevel(4);
    w().cmdPlay(2)->click();
    ASSERT_TRUE(test::waitUntil([this] { return w().recording().LastShownFrame >= 3; }, 5000));
    w().close();
    EXPECT_FALSE(w().playback().isActive());
    window_.reset();
}

}  // namespace
}  // namespace drv

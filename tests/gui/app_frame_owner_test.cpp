// The one routine that puts a frame on screen: every way to a frame goes through it and says so
// once; what the read-ahead and Play make of the frame on screen.
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "gui/viewer/frame_prefetcher.h"
#include "gui/viewer/picture_view.h"
#include "gui/viewer/telemetry_panel.h"
#include "tests/gui/app_fixture.h"
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

    // The keys.
    w().show();
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    for (const auto& [key, frame] :
         {std::pair{Qt::Key_Right, 2}, {Qt::Key_End, 10}, {Qt::Key_T, 4}, {Qt::Key_Home, 1}}) {
        QTest::keyClick(w().trackBar(), static_cast<Qt::Key>(key));
        EXPECT_EQ(frames(shown), std::vector<int>{frame}) << "key " << static_cast<int>(key);
    }

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

// Notes which frames were read, from any thread.
class ReadLog : public FrameSource {
public:
    QByteArray read(const std::filesystem::path& file) const override {
        {
            std::lock_guard lock(mutex_);
            files_.push_back(file.filename());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return FileFrameSource().read(file);
    }
    std::vector<std::filesystem::path> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(files_, {});
    }

private:
    mutable std::mutex mutex_;
    mutable std::vector<std::filesystem::path> files_;
};

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
    auto log = std::make_shared<ReadLog>();
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

}  // namespace
}  // namespace drv

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "gui/viewer/frame_prefetcher.h"
#include "gui/viewer/picture_view.h"
#include "gui/viewer/telemetry_panel.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/prefetcher_peer.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

using AppPlaybackTest = test::AppFixture;

// Each entry ticks itself alone and names its mode; the frame on screen is read again from its
// file, even when the entry was ticked already: its file is replaced between the choices.
TEST_F(AppPlaybackTest, BrightnessReloadsTheFrameOnScreenFromItsFile) {
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
}

// A frame that cannot be decoded leaves the previous picture; a brightness chosen then decodes
// that picture again in the new mode instead of keeping the old mode's brightening.
TEST_F(AppPlaybackTest, BrightnessOnAnUndecodableFrameRedoesThePictureOnScreen) {
    openThroughDialog(makeRecording("rec", quick(3, 14, true)));
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
    const auto first = next / SampleFileName(o, 1);
    const auto time = std::filesystem::last_write_time(first);  // it stays the oldest frame
    std::ofstream(first, std::ios::binary | std::ios::trunc) << "not a picture";
    std::filesystem::last_write_time(first, time);
    openThroughDialog(next);
    EXPECT_EQ(w().image1()->image().size(), QSize(8, 6));
    w().mnuHi20_Click();
    EXPECT_EQ(w().image1()->image().size(), QSize(8, 6));
}

// Counts the reads the interface thread waits for, and holds each read for a while, as a slow
// card reader would.
class SlowSource : public FrameSource {
public:
    QByteArray read(const std::filesystem::path& file) const override {
        interfaceReads += std::this_thread::get_id() == interface_ ? 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        return FileFrameSource().read(file);
    }
    mutable std::atomic<int> interfaceReads{0};
    const std::thread::id interface_ = std::this_thread::get_id();
};

// Played at x2.0 on a slow reader: most frames come read ahead, the frame on screen is its file
// brightened once, and closing the window while it plays ends the workers.
TEST_F(AppPlaybackTest, PlaysFromTheReadAheadFramesAndBrightensOnce) {
    auto source = std::make_shared<SlowSource>();
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

// Open reads its folder on a worker: the interface thread neither reads the card nor decodes the
// first frame, answers meanwhile, and closing the window ends the load.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <atomic>
#include <thread>

#include "gui/loading/load_window.h"
#include "gui/viewer/frame_prefetcher.h"
#include "gui/viewer/picture_view.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

using AppOpenWorkerTest = test::AppFixture;

// Counts the picture reads made on the interface thread.
class ThreadLog : public FrameSource {
public:
    QByteArray read(const std::filesystem::path& file) const override {
        interfaceReads += std::this_thread::get_id() == interface_ ? 1 : 0;
        return FileFrameSource().read(file);
    }
    mutable std::atomic<int> interfaceReads{0};
    const std::thread::id interface_ = std::this_thread::get_id();
};

TEST_F(AppOpenWorkerTest, LoadsOnAWorkerWhileTheWindowWaitsForIt) {
    auto log = std::make_shared<ThreadLog>();
    w().prefetcher().setSource(log);
    const SampleOptions o = quick(300, 14, true);
    const auto dir = makeRecording("rec", o);
    w().show();
    QSignalSpy opened(&w(), &MainWindow::recordingChanged);
    dialogs_.folders.push_back(dir);
    w().mnuOpen_Click();
    // Back from the command before the load is over: nothing of the recording is there yet, and
    // nothing that needs one acts.
    ASSERT_TRUE(w().loading());
    EXPECT_FALSE(w().recording().isOpen());
    EXPECT_EQ(w().lblPath()->text(), PathToQString(dir));
    EXPECT_EQ(w().buttonMode(), MainWindow::kButtonsOff);
    w().mnuStart_Click();
    w().cmdPlay(4)->click();
    dialogs_.folders.push_back(root());
    w().mnuOpen_Click();  // a second Open waits for this one
    EXPECT_EQ(dialogs_.browsed.size(), 1u);
    // The loading window shows the percentage while the event loop runs.
    ASSERT_TRUE(
        test::waitUntil([this] { return !w().findChildren<LoadWindow*>().isEmpty() || !w().loading(); }, 30000));
    waitForLoad();
    EXPECT_TRUE(w().findChildren<LoadWindow*>().isEmpty());
    EXPECT_EQ(opened.count(), 1);
    EXPECT_EQ(w().recording().frameCount(), 300);
    EXPECT_EQ(w().recording().CurrentFrame, 1);
    EXPECT_FALSE(w().playback().isActive());
    EXPECT_EQ(w().buttonMode(), MainWindow::kButtonsAll);
    EXPECT_EQ(w().image1()->image(), expectedPicture(1, BrightnessMode::Standard));
    EXPECT_EQ(log->interfaceReads, 0) << "the first frame was decoded on the worker";
    w().cmdPlay(4)->click();
    EXPECT_EQ(w().recording().CurrentFrame, 2);
}

// Closing the window during a load ends the worker at its next frame; nothing is taken over.
TEST_F(AppOpenWorkerTest, ClosingDuringALoadCancelsIt) {
    const auto dir = makeRecording("rec", quick(441));
    w().show();
    QSignalSpy opened(&w(), &MainWindow::recordingChanged);
    dialogs_.folders.push_back(dir);
    w().mnuOpen_Click();
    ASSERT_TRUE(w().loading());
    EXPECT_TRUE(w().close());
    EXPECT_FALSE(w().loading());
    EXPECT_TRUE(w().findChildren<LoadWindow*>().isEmpty());
    test::waitMs(50);  // a finish already queued is never delivered
    EXPECT_EQ(opened.count(), 0);
    EXPECT_FALSE(w().recording().isOpen());
    window_.reset();
}

}  // namespace
}  // namespace drv

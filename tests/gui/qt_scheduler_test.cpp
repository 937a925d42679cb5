// The playback timer over QTimer, driving the playback controller through the event loop.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include "core/common/clock.h"
#include "gui/viewer/qt_scheduler.h"

namespace drv {
namespace {

struct CountingHost : PlaybackHost {
    explicit CountingHost(Recording& r) : r_(r) {}
    void ShowFrame() override { frames.push_back(r_.CurrentFrame); }
    void UpdateGraphCursor(int) override {}
    void UpdateDataPanel(int) override {}
    void SetButtonState(int mode) override { lastMode = mode; }
    int speedLevel() const override { return 4; }
    BrightnessMode brightnessMode() const override { return BrightnessMode::Standard; }
    void resetChartScroll() override {}
    std::vector<int> frames;
    int lastMode = -1;
    Recording& r_;
};

TEST(QtScheduler, DrivesAWholePlaybackThroughTheEventLoop) {
    Recording r;
    r.folder = "/rec";
    r.fileNames.assign(12, {});
    r.state.HighFrameRate = true;
    r.CurrentFrame = 1;
    CountingHost host(r);
    SteadyClock clock;
    QtScheduler scheduler(nullptr);
    PlaybackController controller(r, host, scheduler, clock);
    QEventLoop loop;
    bool pendingSeen = false;  // a single shot is over when it fires
    scheduler.setCallback([&] {
        pendingSeen = pendingSeen || scheduler.pending();
        controller.onTimer();
        if (!controller.isActive()) loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);  // only stops a hung test
    const std::int64_t begin = clock.nowMs();
    controller.mnuStart_Click();
    EXPECT_TRUE(scheduler.pending());
    loop.exec();
    EXPECT_EQ(host.frames, (std::vector<int>{1, 1, 6, 11}));
    EXPECT_EQ(host.lastMode, 1);
    EXPECT_FALSE(pendingSeen);
    EXPECT_FALSE(scheduler.pending());
    EXPECT_GE(clock.nowMs() - begin, 100 + 3 * 72);  // never faster than the recording
}

}  // namespace
}  // namespace drv

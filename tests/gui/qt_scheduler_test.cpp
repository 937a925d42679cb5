// The playback timer over QTimer, alone and driving the playback controller for real.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include "core/common/clock.h"
#include "gui/viewer/qt_scheduler.h"

namespace drv {
namespace {

// Runs the event loop until `done` or a generous limit (the limit only stops a hung test).
template <typename Done>
void spinUntil(Done done, int limitMs = 5000) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(QtScheduler, FiresOnceAndIsNoLongerPendingInsideTheCallback) {
    int fired = 0;
    bool pendingInside = true;
    QtScheduler* self = nullptr;
    QtScheduler scheduler([&] {
        ++fired;
        pendingInside = self->pending();
    });
    self = &scheduler;
    scheduler.schedule(5);
    EXPECT_TRUE(scheduler.pending());
    spinUntil([&] { return fired > 0; });
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(pendingInside);
    spinUntil([] { return false; }, 30);
    EXPECT_EQ(fired, 1);
}

TEST(QtScheduler, CancelAndReplace) {
    int fired = 0;
    QtScheduler scheduler([&] { ++fired; });
    scheduler.schedule(5);
    scheduler.cancel();
    EXPECT_FALSE(scheduler.pending());
    scheduler.schedule(-20);  // treated as at once
    scheduler.schedule(0);    // replaces, does not add
    spinUntil([&] { return fired > 0; });
    spinUntil([] { return false; }, 30);
    EXPECT_EQ(fired, 1);
}

class CountingHost : public PlaybackHost {
public:
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

private:
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
    scheduler.setCallback([&] { controller.onTimer(); });
    const std::int64_t begin = clock.nowMs();
    controller.mnuStart_Click();
    spinUntil([&] { return !controller.isActive(); });
    EXPECT_EQ(host.frames, (std::vector<int>{1, 1, 6, 11}));
    EXPECT_EQ(host.lastMode, 1);
    // Never faster than the recording: three frame intervals after the start delay at least.
    EXPECT_GE(clock.nowMs() - begin, 100 + 3 * 72);
}

}  // namespace
}  // namespace drv

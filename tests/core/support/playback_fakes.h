#pragma once
// A fake main window, single-shot timer and clock for driving playback in no time.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/viewer/playback.h"
#include "tests/core/support/frame_files.h"

namespace drv::testing {

// Time moves only when a test says so.
class FakeClock final : public Clock {
public:
    std::int64_t nowMs() const override { return now_; }
    void advance(std::int64_t ms) { now_ += ms; }
    void set(std::int64_t ms) { now_ = ms; }

private:
    std::int64_t now_ = 0;
};

struct Rig : PlaybackHost, Scheduler {
    explicit Rig(int frames, bool highFrameRate = true) : recording(test::BlankRecording(frames)) {
        recording.state.HighFrameRate = highFrameRate;
        recording.CurrentFrame = recording.LastShownFrame = 1;
    }

    void ShowFrame() override {
        frames.push_back(recording.CurrentFrame);
        times.push_back(clock.nowMs());
        log += "S" + std::to_string(recording.CurrentFrame);
        clock.advance(showCostMs);
        if (onShow) onShow(static_cast<int>(frames.size()));
    }
    void UpdateGraphCursor(int frame) override { log += "C" + std::to_string(frame); }
    void UpdateDataPanel(int frame) override { log += "P" + std::to_string(frame) + " "; }
    void SetButtonState(int mode) override { modes.push_back(mode); }
    int speedLevel() const override { return level; }
    BrightnessMode brightnessMode() const override { return brightness; }
    void resetChartScroll() override { ++chartResets; }

    void schedule(std::int64_t delayMs) override { delay = delayMs, scheduledAt = clock.nowMs(); }
    void cancel() override { delay.reset(); }
    bool pending() const { return delay.has_value(); }
    // Lets the pending shot fire when its delay has run out, `late` ms after (negative: before).
    bool fire(std::int64_t late = 0) {
        if (!delay) return false;
        clock.set(std::max(clock.nowMs(), scheduledAt + *delay + late));
        delay.reset();
        controller.onTimer();
        return true;
    }
    void run() {
        for (int shots = 0; shots < 100000 && fire(); ++shots) {
        }
    }
    void clearShown() { frames.clear(), times.clear(), log.clear(); }

    FakeClock clock;
    Recording recording;
    int level = 2;
    BrightnessMode brightness = BrightnessMode::Standard;
    std::int64_t showCostMs = 0;
    std::function<void(int shownCount)> onShow;
    std::vector<int> frames, modes;
    std::vector<std::int64_t> times;
    std::string log;
    int chartResets = 0;
    std::optional<std::int64_t> delay;
    std::int64_t scheduledAt = 0;
    PlaybackController controller{recording, *this, *this, clock};
};

}  // namespace drv::testing

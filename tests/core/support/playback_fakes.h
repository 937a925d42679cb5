#pragma once
// A fake main window and a fake single-shot timer for driving playback in no time.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/common/clock.h"
#include "core/viewer/playback.h"

namespace drv::testing {

struct Shown {
    int frame;
    std::int64_t atMs;
};

class FakeHost : public PlaybackHost {
public:
    FakeHost(Recording& recording, FakeClock& clock) : recording_(recording), clock_(clock) {}

    void ShowFrame() override {
        shown.push_back({recording_.CurrentFrame, clock_.nowMs()});
        calls.push_back("ShowFrame");
        clock_.advance(showCostMs);
        if (onShow) onShow(static_cast<int>(shown.size()));
    }
    void UpdateGraphCursor(int frame) override { calls.push_back("Cursor " + std::to_string(frame)); }
    void UpdateDataPanel(int frame) override { calls.push_back("Panel " + std::to_string(frame)); }
    void SetButtonState(int mode) override { buttonModes.push_back(mode); }
    int speedLevel() const override { return level; }
    BrightnessMode brightnessMode() const override { return brightness; }
    void resetChartScroll() override { ++chartResets; }

    std::vector<int> frames() const {
        std::vector<int> out;
        for (const auto& s : shown) out.push_back(s.frame);
        return out;
    }
    int lastButtonMode() const { return buttonModes.empty() ? -1 : buttonModes.back(); }

    int level = 2;
    BrightnessMode brightness = BrightnessMode::Standard;
    std::int64_t showCostMs = 0;
    std::function<void(int showCount)> onShow;  // runs at the end of each ShowFrame
    std::vector<Shown> shown;
    std::vector<std::string> calls;
    std::vector<int> buttonModes;
    int chartResets = 0;

private:
    Recording& recording_;
    FakeClock& clock_;
};

class FakeScheduler : public Scheduler {
public:
    void schedule(std::int64_t delayMs) override {
        delay_ = delayMs;
        delays.push_back(delayMs);
    }
    void cancel() override { delay_.reset(); }
    bool pending() const override { return delay_.has_value(); }
    std::int64_t delay() const { return delay_.value_or(-1); }

    // Lets the pending shot fire after its delay (or after `earlyBy` less).
    bool fire(FakeClock& clock, PlaybackController& controller, std::int64_t earlyBy = 0) {
        if (!delay_) return false;
        const std::int64_t d = *delay_;
        delay_.reset();
        clock.advance(d > earlyBy ? d - earlyBy : 0);
        controller.onTimer();
        return true;
    }
    // Fires shots until none is pending; bounded so that a runaway loop fails the test.
    int runUntilIdle(FakeClock& clock, PlaybackController& controller, int maxShots = 100000) {
        int shots = 0;
        while (shots < maxShots && fire(clock, controller)) ++shots;
        return shots;
    }

    std::vector<std::int64_t> delays;

private:
    std::optional<std::int64_t> delay_;
};

// A recording of `frames` frames that is open, as after an Open.
inline Recording MakeRecording(int frames, bool highFrameRate) {
    Recording r;
    r.folder = "/recordings/event";
    r.fileNames.assign(static_cast<std::size_t>(frames) + 1, std::filesystem::path());
    for (int i = 1; i <= frames; ++i) r.fileNames[static_cast<std::size_t>(i)] = "f" + std::to_string(i) + ".jpg";
    r.frames.assign(static_cast<std::size_t>(frames) + 1, FrameRecord{});
    r.state.HighFrameRate = highFrameRate;
    r.CurrentFrame = 1;
    r.LastShownFrame = 1;
    return r;
}

// Everything one playback test needs, wired together.
struct Rig {
    explicit Rig(int frames, bool highFrameRate = true)
        : recording(MakeRecording(frames, highFrameRate)), host(recording, clock),
          controller(recording, host, scheduler, clock) {}
    int run() { return scheduler.runUntilIdle(clock, controller); }
    bool fire(std::int64_t earlyBy = 0) { return scheduler.fire(clock, controller, earlyBy); }

    FakeClock clock;
    Recording recording;
    FakeHost host;
    FakeScheduler scheduler;
    PlaybackController controller;
};

}  // namespace drv::testing

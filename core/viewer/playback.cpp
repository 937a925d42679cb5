#include "core/viewer/playback.h"

#include <algorithm>
#include <cmath>

namespace drv {

namespace {

// [level][column]; columns: standard 14 fps, standard 7 fps, raised 14 fps, raised 7 fps.
constexpr PacingStep kPacing[5][4] = {
    {{200, 0}, {400, 0}, {200, 0}, {400, 0}}, {{100, 0}, {200, 0}, {100, 0}, {200, 0}},
    {{0, 0}, {150, 0}, {0, 0}, {100, 0}},     {{20, 1}, {20, 0}, {0, 2}, {0, 1}},
    {{0, 4}, {0, 2}, {0, 6}, {0, 3}},
};

}  // namespace

PacingStep PacingFor(int speedLevel, bool raisedBrightness, bool highFrameRate) {
    const int level = std::clamp(speedLevel, 0, 4);
    const int column = (raisedBrightness ? 2 : 0) + (highFrameRate ? 0 : 1);
    return kPacing[level][column];
}

double FrameIntervalMs(bool highFrameRate) { return 1000.0 / (highFrameRate ? 14 : 7); }

std::int64_t StartDelayMs(bool highFrameRate) { return highFrameRate ? 100 : 140; }

PlaybackController::PlaybackController(Recording& recording, PlaybackHost& host, Scheduler& scheduler,
                                       const Clock& clock)
    : recording_(recording), host_(host), scheduler_(scheduler), clock_(clock) {}

PlaybackController::~PlaybackController() { scheduler_.cancel(); }

void PlaybackController::showFrame(int frame) {
    recording_.CurrentFrame = ToFrameIndex(frame);
    host_.showFrameOnScreen(recording_.CurrentFrame);
}

// Whole milliseconds are multiplied before the division, so that due times that fall on a
// millisecond are exact and rounding up does not make them a millisecond late.
double PlaybackController::idealMs() const {
    return static_cast<double>(clockStartMs_) +
           static_cast<double>(intervals_) * 1000.0 / (recording_.state.HighFrameRate ? 14 : 7);
}

void PlaybackController::restartClock(std::int64_t atMs) {
    clockStartMs_ = atMs;
    intervals_ = 0;
}

void PlaybackController::schedule(std::int64_t notBeforeMs) {
    dueMs_ = std::max(notBeforeMs, static_cast<std::int64_t>(std::ceil(idealMs())));
    scheduler_.schedule(std::max<std::int64_t>(0, dueMs_ - clock_.nowMs()));
}

void PlaybackController::mnuStart_Click() {
    // An open recording has at least one frame: Open keeps no folder without frames.
    if (!recording_.isOpen()) return;
    const int n = recording_.frameCount();
    // A second Start while the loop runs (or is about to) would start a second loop; one is enough.
    if (phase_ != Phase::Idle) return;

    host_.SetButtonState(2);
    // Starting on the last frame starts again from the first; so does a frame outside the
    // recording, which could not be shown.
    if (recording_.CurrentFrame >= n || recording_.CurrentFrame < 1) recording_.CurrentFrame = 1;
    phase_ = Phase::Starting;
    pastEnd_ = false;
    const std::int64_t now = clock_.nowMs();
    restartClock(now + StartDelayMs(recording_.state.HighFrameRate));
    schedule(now);
    if (recording_.CurrentFrame == 1) showFrame(1);
}

void PlaybackController::mnuStop_Click() {
    if (!recording_.isOpen()) return;
    const bool wasPlaying = recording_.IsPlaying;
    recording_.IsPlaying = false;
    scheduler_.cancel();
    phase_ = Phase::Idle;
    host_.SetButtonState(1);
    // During playback CurrentFrame names the next frame; put it back on the frame on screen.
    if (wasPlaying) recording_.CurrentFrame = recording_.LastShownFrame;
}

void PlaybackController::cmdPlay_Click(int index) {
    if (index == 2) return mnuStart_Click();
    if (index == 3) return mnuStop_Click();
    // The other buttons are disabled while playback runs; a stray click must not move the loop.
    if (phase_ != Phase::Idle) return;
    const int n = recording_.frameCount();
    if (n <= 0) return;

    switch (index) {
        case 0:
            showFrame(1);
            host_.resetChartScroll();
            break;
        case 1: {
            if (recording_.CurrentFrame > n) recording_.CurrentFrame = recording_.LastShownFrame;
            if (recording_.CurrentFrame == 1) return;
            showFrame(std::clamp(recording_.CurrentFrame - 1, 1, n));
            break;
        }
        case 4: {
            if (recording_.CurrentFrame > n) recording_.CurrentFrame = recording_.LastShownFrame;
            if (recording_.CurrentFrame == n) return;
            const int next = std::clamp(recording_.CurrentFrame + 1, 1, n);
            recording_.LastShownFrame = ToFrameIndex(next);
            showFrame(next);
            break;
        }
        case 5: showFrame(n); break;
        default: break;
    }
}

void PlaybackController::onTimer() {
    if (phase_ == Phase::Idle) return;
    // A timer may fire a little early; the frame clock still holds.
    const std::int64_t now = clock_.nowMs();
    if (now < dueMs_) {
        scheduler_.schedule(dueMs_ - now);
        return;
    }
    if (phase_ == Phase::Starting) {
        phase_ = Phase::Playing;
        recording_.IsPlaying = true;
    }
    step();
}

void PlaybackController::step() {
    const int n = recording_.frameCount();
    if (pastEnd_ || recording_.CurrentFrame > n || recording_.CurrentFrame < 1 || !recording_.IsPlaying) {
        finish();
        return;
    }

    // Frame clock: each frame is due one recording interval after the previous one's due time,
    // so the timer's lateness never adds up. The table's wait still follows every show, and
    // where it ends past that time the clock starts again from its end. A late frame is made
    // up by shortening the next gaps, never below half an interval between two frame starts
    // (no burst); a frame more than an interval late starts the clock again from itself, so a
    // stall is not followed by seconds of double speed.
    const double interval = FrameIntervalMs(recording_.state.HighFrameRate);
    const std::int64_t began = clock_.nowMs();
    if (static_cast<double>(began) > idealMs() + interval) restartClock(began);
    const int frame = recording_.CurrentFrame;
    showFrame(frame);
    if (phase_ == Phase::Idle) {
        // Stopped while the frame was being shown: that frame is the one on screen.
        recording_.LastShownFrame = recording_.CurrentFrame = ToFrameIndex(frame);
        return;
    }

    recording_.LastShownFrame = ToFrameIndex(frame);
    const PacingStep pace = PacingFor(host_.speedLevel(), host_.brightnessMode() != BrightnessMode::Standard,
                                      recording_.state.HighFrameRate);
    const int next = frame + 1 + pace.skip;
    pastEnd_ = next > n;
    recording_.CurrentFrame = ToFrameIndex(next);
    if (!recording_.IsPlaying) {
        finish();
        return;
    }

    ++intervals_;
    const std::int64_t waited = clock_.nowMs() + pace.waitMs;
    if (pace.waitMs > 0 && static_cast<double>(waited) > idealMs()) restartClock(waited);
    schedule(began + static_cast<std::int64_t>(std::ceil(interval / 2)));
}

void PlaybackController::finish() {
    scheduler_.cancel();
    phase_ = Phase::Idle;
    recording_.IsPlaying = false;
    host_.SetButtonState(1);
}

}  // namespace drv

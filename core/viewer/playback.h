#pragma once
// Playback and the six navigation buttons, as plain logic over small interfaces: the window
// supplies the showing of a frame and the controls' state, a single-shot timer and a clock.
// The loop is a chain of single shots, so the event loop never nests and nothing spins while
// waiting for the next frame.
#include <cstdint>

#include "core/recording/recording.h"
#include "core/common/clock.h"
#include "core/viewer/brightness.h"

namespace drv {

// What the controller asks of the main window.
class PlaybackHost {
public:
    virtual ~PlaybackHost() = default;
    virtual void ShowFrame() = 0;  // picture of recording.CurrentFrame
    virtual void UpdateGraphCursor(int frame) = 0;
    virtual void UpdateDataPanel(int frame) = 0;
    virtual void SetButtonState(int mode) = 0;  // 0 none, 1 all, 2 stop only
    virtual int speedLevel() const = 0;         // trackbar 0..4, read afresh each frame
    virtual BrightnessMode brightnessMode() const = 0;
    virtual void resetChartScroll() = 0;  // chart's horizontal scroll bar back to 0
    // The frame now in recording.CurrentFrame on screen: picture, chart cursor and panel. A window
    // replaces this with its one routine that shows a frame and tells who follows it.
    virtual void showFrameOnScreen(int frame) {
        ShowFrame();
        UpdateGraphCursor(frame);
        UpdateDataPanel(frame);
    }
};

// One single-shot timer: a new schedule replaces the pending one.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual void schedule(std::int64_t delayMs) = 0;
    virtual void cancel() = 0;
};

// Wait after a shown frame and frames skipped on top of the normal step of one.
struct PacingStep {
    int waitMs = 0;
    int skip = 0;
};

// The pacing table: level 0..4 (clamped), raised = brightness not standard.
PacingStep PacingFor(int speedLevel, bool raisedBrightness, bool highFrameRate);

// One frame of the recording in milliseconds, unrounded (1000/14 or 1000/7).
double FrameIntervalMs(bool highFrameRate);

// Delay between Start and the first frame of the loop.
std::int64_t StartDelayMs(bool highFrameRate);

class PlaybackController {
public:
    // The scheduler must outlive the controller; its firing must call onTimer().
    PlaybackController(Recording& recording, PlaybackHost& host, Scheduler& scheduler, const Clock& clock);
    ~PlaybackController();
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    void mnuStart_Click();
    void mnuStop_Click();
    void cmdPlay_Click(int index);  // 0 first, 1 back, 2 play, 3 stop, 4 forward, 5 last

    // The scheduled single shot fired: the start delay ran out, or the next step is due.
    void onTimer();

    // Start was given and the loop has not ended (starting or playing).
    bool isActive() const { return phase_ != Phase::Idle; }

private:
    enum class Phase { Idle, Starting, Playing };

    void showFrame(int frame);
    void step();
    void finish();
    double idealMs() const;  // due time of the pending shot by the frame clock
    void restartClock(std::int64_t atMs);
    void schedule(std::int64_t notBeforeMs);

    Recording& recording_;
    PlaybackHost& host_;
    Scheduler& scheduler_;
    const Clock& clock_;
    Phase phase_ = Phase::Idle;
    std::int64_t clockStartMs_ = 0;  // the frame clock counts intervals from here
    std::int64_t intervals_ = 0;     // ... up to the pending shot
    std::int64_t dueMs_ = 0;         // the pending shot must not act before this time
    bool pastEnd_ = false;           // the next frame lies beyond the recording
};

}  // namespace drv

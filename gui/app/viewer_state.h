#pragma once
// What the viewer's controls stand for, kept as plain data: the widgets show it and are never
// read back for it.
#include "core/viewer/brightness.h"

namespace drv {

struct ViewerState {
    // Enable modes of the navigation buttons.
    static constexpr int kButtonsOff = 0;
    static constexpr int kButtonsAll = 1;
    static constexpr int kButtonsPlaying = 2;  // only stop

    BrightnessMode brightness = BrightnessMode::Standard;  // the ticked brightness entry
    int speedLevel = 2;                                    // the trackbar, 0 (Slow) .. 4 (Fast)
    int buttonMode = kButtonsOff;
    // Playback ran past the last frame and the frame on screen was then named current again (a
    // brightness change): Play still starts again from the first frame, as it would have.
    bool restartAtFirst = false;

    // The play button is on: stopped with a recording.
    bool playEnabled() const { return buttonMode == kButtonsAll; }
    // Starting or playing: only stop is on.
    bool stopOnly() const { return buttonMode == kButtonsPlaying; }
};

}  // namespace drv

#pragma once
// The open recording as the main window owns it: plain data that the widgets show.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <vector>

#include "core/common/numbers.h"
#include "core/recording/frame_record.h"

namespace drv {

// File names of the frames in playback order: entry 0 is always empty and never read,
// entries 1..N are the frames (names only, as the file system gives them).
using FileNameList = std::vector<std::filesystem::path>;

// A frame number as the 16-bit CurrentFrame and LastShownFrame hold it, clamped to their range.
inline std::int16_t ToFrameIndex(int value) {
    return static_cast<std::int16_t>(
        std::clamp<int>(value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

// The frame the trigger position names, whether a trigger mark was found or not: elapsed
// times count from it either way (frame 201 at start-up).
inline int TriggerPositionFrame(const RecordingState& state) {
    return RoundToInt16(state.TriggerPosition / static_cast<double>(kUnitsPerFrame));
}

struct Recording {
    std::filesystem::path folder;         // empty: no recording open (the old lblPath caption)
    FileNameList fileNames{1};            // upper bound 0 at start-up
    FrameTable frames = FrameTable(401);  // 0..400 at start-up
    RecordingState state;
    std::int16_t CurrentFrame = 0;
    std::int16_t LastShownFrame = 0;
    bool IsPlaying = false;

    bool isOpen() const { return !folder.empty(); }
    int frameCount() const { return static_cast<int>(fileNames.size()) - 1; }
    std::filesystem::path framePath(int index) const { return folder / fileNames.at(index); }

    // The frame that carries this recording's trigger mark; none without one.
    std::optional<int> triggerFrame() const {
        const int k = TriggerPositionFrame(state);
        if (!state.TriggerFound || k < 1 || k > frameCount()) return std::nullopt;
        return k;
    }
};

}  // namespace drv

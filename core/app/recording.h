#pragma once
// The open recording as the main window owns it: plain data that the widgets show.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/exif/frame_record.h"

namespace drv {

// File names of the frames in playback order: entry 0 is always empty and never read,
// entries 1..N are the frames (names only, as the file system gives them).
using FileNameList = std::vector<std::filesystem::path>;

struct Recording {
    std::filesystem::path folder;       // empty: no recording open (the old lblPath caption)
    FileNameList fileNames{1};          // upper bound 0 at start-up
    FrameTable frames = FrameTable(401);  // 0..400 at start-up
    RecordingState state;
    std::int16_t CurrentFrame = 0;
    std::int16_t LastShownFrame = 0;
    bool IsPlaying = false;

    bool isOpen() const { return !folder.empty(); }
    int frameCount() const { return static_cast<int>(fileNames.size()) - 1; }
    std::filesystem::path framePath(int index) const { return folder / fileNames.at(index); }
};

}  // namespace drv

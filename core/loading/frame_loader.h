#pragma once
// Listing, ordering and loading the frames of a recording folder.
#include <filesystem>
#include <functional>

#include "core/app/recording.h"

namespace drv {

// Names of the ordinary files in `folder` ending in ".jpg" in any letter case, in
// ascending byte order, as a FileNameList (entry 0 empty). Upper bound 0: none.
FileNameList ListJpgFiles(const std::filesystem::path& folder);

// Rotates entries 1..N so that the list starts at the first file whose modification
// time (whole seconds) is strictly earlier than that of entry 1.
void OrderFilesByTime(const std::filesystem::path& folder, FileNameList& names);

// Called with the percentage (0..100) before each frame is read.
using LoadProgress = std::function<void(int percent)>;

// Reads the telemetry of every frame: re-creates `frames` with N + 1 entries, clears
// TriggerFound and the trigger-kind caption, decodes in list order.
void LoadAllFrames(const std::filesystem::path& folder, const FileNameList& names, FrameTable& frames,
                   RecordingState& state, const LoadProgress& progress = {});

}  // namespace drv

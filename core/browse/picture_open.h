#pragma once
// When a double-click on the main picture opens the single-picture window.
#include <filesystem>
#include <optional>

#include "core/recording/recording.h"

namespace drv {

// The file to open for a double-click on the main window's picture, or nothing when no
// folder is open, no frame is on screen (`shownFileName` empty) or playback runs.
// `shownFileName` is the bare name of the frame on screen, used as shown.
std::optional<std::filesystem::path> PictureForMainDoubleClick(const Recording& recording,
                                                               const std::filesystem::path& shownFileName);

}  // namespace drv

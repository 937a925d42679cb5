#include "core/browse/picture_open.h"

namespace drv {

std::optional<std::filesystem::path> PictureForMainDoubleClick(const Recording& recording,
                                                               const std::filesystem::path& shownFileName) {
    if (!recording.isOpen() || shownFileName.empty() || recording.IsPlaying) return std::nullopt;
    return recording.folder / shownFileName;
}

}  // namespace drv

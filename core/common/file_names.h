#pragma once
// Rules for the names a folder listing meets, shared by every listing of frames and pictures.
#include <filesystem>
#include <string_view>

namespace drv {

// A name beginning with "." is hidden and never a frame, a picture or a recording's folder: macOS leaves a
// "._NAME.JPG" twin of metadata beside every file it touches on a FAT card.
inline bool IsHiddenName(std::string_view name) { return !name.empty() && name.front() == '.'; }
inline bool IsHiddenName(const std::filesystem::path& name) { return IsHiddenName(std::string_view(name.native())); }

}  // namespace drv

#pragma once
// Rules for the names a folder listing meets, shared by every listing of frames and pictures.
#include <filesystem>

namespace drv {

// A name beginning with "." is hidden and never a frame or a picture: macOS leaves a
// "._NAME.JPG" twin of metadata beside every file it touches on a FAT card.
inline bool IsHiddenName(const std::filesystem::path& name) {
    const std::string& text = name.native();
    return !text.empty() && text.front() == '.';
}

}  // namespace drv

#pragma once
// Whole-file reads of pictures and other small files named by a card.
#include <cstddef>
#include <filesystem>
#include <string>

namespace drv {

// The largest picture file the viewer reads: far above any frame a recorder writes, far below
// what would hurt to hold in memory several times over.
inline constexpr std::size_t kMaxPictureFileBytes = 64u << 20;

// The bytes of `file` when it is an ordinary file of at most `maxBytes` bytes. Empty for
// anything else: a missing or unreadable file, a folder, and a pipe or device named like a
// picture (opened without waiting, so such a name never blocks the reader).
std::string ReadRegularFile(const std::filesystem::path& file, std::size_t maxBytes);

}  // namespace drv

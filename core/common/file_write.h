#pragma once
// Whole-file writes that either land completely or leave the target as it was.
#include <filesystem>
#include <string>
#include <string_view>

namespace drv {

// Writes `bytes` to a temporary file beside `target`, flushes it to disk and renames it
// into place, so a failed write never leaves a half-written file or destroys an older one.
// False with the system's reason in `error` (the target is then untouched).
bool WriteFileReplacing(const std::filesystem::path& target, std::string_view bytes, std::string& error);

}  // namespace drv

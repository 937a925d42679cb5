#pragma once
// A folder named on the command line, opened as the Open command's folder picker would give it.
#include <filesystem>

namespace drv {

// Absolute, without "." or ".." parts or a trailing slash, so that choosing the folder later in
// the picker is no change.
std::filesystem::path FolderFromCommandLine(const std::filesystem::path& folder);

}  // namespace drv

#pragma once
// Whole-file writes that either land completely or leave the target as it was.
#include <filesystem>
#include <string>
#include <string_view>

namespace drv {

// A new temporary file for replacing `target`: beside it, so that the final rename never
// crosses file systems, with the permissions a new file normally gets. Only a regular file is
// ever replaced: a target that exists as anything else is refused, since a rename over a
// device or a pipe would put the file in its place (as root, "-o /dev/null" would become a
// file). On failure `fd` is -1, `error` says why and `errorNumber` holds the system's code
// (0 for a target that is not a regular file).
struct TemporaryFile {
    int fd = -1;
    std::string path;
    int errorNumber = 0;
    std::string error;
};
TemporaryFile CreateTemporaryBeside(const std::filesystem::path& target);

// Writes `bytes` to a temporary file beside `target`, flushes it to disk and renames it
// into place, so a failed write never leaves a half-written file or destroys an older one.
// False with the system's reason in `error` (the target is then untouched).
bool WriteFileReplacing(const std::filesystem::path& target, std::string_view bytes, std::string& error);

}  // namespace drv

#pragma once
// A recording folder's own files with their attributes, read from the listing: the event
// list's change signature and the card copy both list a folder this way.
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drv {

struct FolderFile {
    std::string name;
    struct stat st {};
    bool link = false;  // a symbolic link (or an entry whose kind the listing did not say)
};

// The entries of `folder` whose names are not hidden and that `keep` accepts, in byte order
// of their names, each with its attributes (of a link's target when `followLinks`). Nothing
// when the folder cannot be listed or an entry cannot be examined (gone meanwhile, say).
std::optional<std::vector<FolderFile>> ListFolderFiles(const std::filesystem::path& folder, bool followLinks,
                                                       const std::function<bool(std::string_view)>& keep);

}  // namespace drv

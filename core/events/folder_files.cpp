#include "core/events/folder_files.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>

#include "core/common/file_names.h"

namespace drv {

std::optional<std::vector<FolderFile>> ListFolderFiles(const std::filesystem::path& folder, bool followLinks,
                                                       const std::function<bool(std::string_view)>& keep) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return std::nullopt;
    std::vector<FolderFile> files;
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            ok = errno == 0;
            break;
        }
        const std::string_view name(entry->d_name);
        if (IsHiddenName(name) || (keep && !keep(name))) continue;
        FolderFile& file = files.emplace_back();
        file.name = name;
        file.link = entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN;
        if (::fstatat(::dirfd(dir), entry->d_name, &file.st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            break;
        }
    }
    ::closedir(dir);
    if (!ok) return std::nullopt;
    std::sort(files.begin(), files.end(), [](const FolderFile& a, const FolderFile& b) { return a.name < b.name; });
    return files;
}

}  // namespace drv

#include "core/browse/picture_files.h"

#include <algorithm>
#include <system_error>

#include "core/common/file_names.h"

namespace drv {

bool IsListedPictureName(const std::filesystem::path& name) {
    const std::string& text = name.native();
    if (IsHiddenName(name)) return false;
    const std::size_t dot = text.rfind('.');
    if (dot == std::string::npos || text.size() - dot < 3) return false;
    const char j = text[dot + 1], p = text[dot + 2];
    return (j == 'j' || j == 'J') && (p == 'p' || p == 'P');
}

PictureListing ListPictureFiles(const std::filesystem::path& folder, std::size_t limit) {
    PictureListing listing;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) {
        listing.readFailed = true;
        return listing;
    }
    std::vector<std::filesystem::path> names;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        const std::filesystem::path name = it->path().filename();
        if (!IsListedPictureName(name)) continue;
        std::error_code typeError;
        if (it->is_directory(typeError) || !it->is_regular_file(typeError)) continue;
        names.push_back(name);
    }
    listing.readFailed = static_cast<bool>(ec);  // what was read before the failure still lists
    // std::string compares as unsigned bytes, which is the order wanted.
    std::sort(names.begin(), names.end(),
              [](const std::filesystem::path& a, const std::filesystem::path& b) { return a.native() < b.native(); });
    listing.totalFound = names.size();
    if (names.size() > limit) names.resize(limit);
    listing.names = std::move(names);
    return listing;
}

}  // namespace drv

#pragma once
// The picture files a thumbnail list shows: names matching "*.jp*", in byte order.
#include <cstddef>
#include <filesystem>
#include <vector>

namespace drv {

inline constexpr std::size_t kMaxListedPictures = 500;

struct PictureListing {
    std::vector<std::filesystem::path> names;  // names only, ascending byte order, at most the limit
    std::size_t totalFound = 0;                // matching names in the folder, listed or not
    bool readFailed = false;                   // the folder could not be read, or not to its end

    bool truncated() const { return totalFound > names.size(); }
};

// True for a name whose extension (after its last dot) begins with "jp" in any letter
// case, such as .jpg, .JPG and .jpeg; hidden names never (IsHiddenName).
bool IsListedPictureName(const std::filesystem::path& name);

// Lists the folder's picture files (folders excluded, read-only files included), sorts
// them by byte value ("A.jpeg" < "B.jpg" < "a.jpg") and keeps the first `limit`.
PictureListing ListPictureFiles(const std::filesystem::path& folder, std::size_t limit = kMaxListedPictures);

}  // namespace drv

#include "core/report/package_contents.h"

namespace drv {

std::string PackageFolderName(const Recording& recording) {
    std::filesystem::path folder = recording.folder;
    if (!folder.has_filename()) folder = folder.parent_path();
    const std::string name = folder.filename().native();
    // "." and ".." would climb out of the folder an unzip makes; a name ending in "\" would
    // read as an escape to some tools.
    if (name.empty() || name == "." || name == ".." || name.back() == '\\') return "frames";
    return name;
}

std::vector<PackageItem> FramePackageItems(const Recording& recording) {
    std::vector<PackageItem> items;
    const std::string folder = PackageFolderName(recording);
    for (int i = 1; i <= recording.frameCount(); ++i) {
        PackageItem item;
        item.name = folder + "/" + recording.fileNames[static_cast<std::size_t>(i)].native();
        item.source = recording.framePath(i);
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace drv

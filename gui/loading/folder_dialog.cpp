#include "gui/loading/folder_dialog.h"

#include "gui/common/dialogs.h"

namespace drv {

std::filesystem::path FolderFromCommandLine(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    if (error) absolute = folder;
    return NormalizeChosenFolder(absolute.lexically_normal());
}

}  // namespace drv

#include "gui/loading/folder_dialog.h"

#include "gui/common/dialogs.h"

namespace drv {

std::filesystem::path BrowseForFolder(Dialogs& dialogs, QWidget* owner, const QString& title,
                                      const std::filesystem::path& startFolder) {
    const std::filesystem::path chosen = dialogs.browseForFolder(owner, title, startFolder);
    // Cancel answers with the start folder: hand it back untouched, even with a trailing
    // slash, or the caller would take the cancel for a new folder.
    if (chosen == startFolder) return startFolder;
    return NormalizeChosenFolder(chosen);
}

std::filesystem::path FolderFromCommandLine(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    if (error) absolute = folder;
    return NormalizeChosenFolder(absolute.lexically_normal());
}

}  // namespace drv

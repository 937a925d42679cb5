#pragma once
// The folder picker of the Open command.
#include <QString>
#include <filesystem>

class QWidget;

namespace drv {

class Dialogs;

// Shows the folder picker opened on `startFolder`. Returns the chosen folder without
// a trailing slash (the root stays "/"), or `startFolder` exactly as given when the user
// cancels, so that the caller sees "no change". Nothing is trimmed: blanks at either end
// are part of a Linux file name.
std::filesystem::path BrowseForFolder(Dialogs& dialogs, QWidget* owner, const QString& title,
                                      const std::filesystem::path& startFolder);

// A folder named on the command line, as the folder picker would give it: absolute, without
// "." or ".." parts or a trailing slash, so that choosing it later in the picker is no change.
std::filesystem::path FolderFromCommandLine(const std::filesystem::path& folder);

}  // namespace drv

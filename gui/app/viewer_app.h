#pragma once
// Start-up of the viewer process: single-instance check, main window, event loop.
#include <QString>
#include <filesystem>
#include <memory>

class QLockFile;

namespace drv {

class Dialogs;

// What the command line asks for: `drviewer [--events ROOT] [FOLDER]` (RunViewer answers
// --help and --version before Qt starts).
struct ViewerArguments {
    std::filesystem::path folder;      // empty: none given; kept as the bytes given
    std::filesystem::path eventsRoot;  // --events ROOT: the event list of ROOT at start-up
    QString error;                     // non-empty: the command line is not understood
};
ViewerArguments ParseViewerArguments(int argc, char** argv);

// The lock that lets one copy of the viewer run per user. Returns the held lock, or
// null when another living copy holds it. A lock left by a copy that crashed or was
// killed is taken over.
std::unique_ptr<QLockFile> AcquireInstanceLock(const QString& lockPath);
// The lock's place: the user's runtime folder.
QString InstanceLockPath();

// The refusal of a second copy: beep and the "already running" box.
void ShowAlreadyRunning(Dialogs& dialogs);

// Exit status of a second copy that refused to start.
inline constexpr int kExitAlreadyRunning = 1;

int RunViewer(int argc, char** argv);

}  // namespace drv

#pragma once
// The main window's way into the event list: one list window at a time, the folder
// picker for its root, and the way back to open a recording.
#include <QObject>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>

#include "gui/events/event_list_window.h"

class QWidget;

namespace drv {

class Dialogs;

class EventListLauncher : public QObject {
    Q_OBJECT
public:
    // `open` is called with a recording's folder when the list asks to open it, and shows its
    // trigger frame; false when it cannot open now (the main window is playing).
    using OpenFn = std::function<bool(const std::filesystem::path& folder)>;
    EventListLauncher(Dialogs& dialogs, OpenFn open);
    ~EventListLauncher() override;

    // The menu entry: brings the list up when it is open, then asks for a root, starting at the
    // last root (kept between sessions), else the parent of `openRecording`, else the home folder. A chosen root is
    // read afresh; a cancelled dialog leaves everything as it was.
    void chooseRoot(QWidget* owner, const std::filesystem::path& openRecording);
    // Shows the list (creating it when needed) and reads `root`.
    EventListWindow* show(const std::filesystem::path& root);

    EventListWindow* window() const { return window_.data(); }
    // The main window's brightening, for the list's batch video export.
    void setScreenBrightness(std::function<BrightnessMode()> mode) { screenBrightness_ = std::move(mode); }

private:
    Dialogs& dialogs_;
    OpenFn open_;
    std::function<BrightnessMode()> screenBrightness_;
    std::shared_ptr<FolderWatch> watch_ = std::make_shared<FolderWatch>();  // outlives each window
    QPointer<EventListWindow> window_;
};

}  // namespace drv

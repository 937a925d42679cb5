#include "gui/events/event_list_launcher.h"

#include <QDir>

#include "gui/common/dialogs.h"

namespace drv {
namespace {

const QString kRootTitle = QStringLiteral("イベントを探すフォルダ(カードなど)を選択してください");

}  // namespace

EventListLauncher::EventListLauncher(Dialogs& dialogs, OpenFn open) : dialogs_(dialogs), open_(std::move(open)) {}

EventListLauncher::~EventListLauncher() { delete window_.data(); }

void EventListLauncher::chooseRoot(QWidget* owner, const std::filesystem::path& openRecording) {
    if (window_) {
        window_->show();
        window_->raise();
        window_->activateWindow();
    }
    std::filesystem::path start = EventListLastRoot();
    std::error_code ec;
    if (!start.empty() && !std::filesystem::is_directory(start, ec)) start.clear();  // a card no longer inserted
    if (start.empty() && !openRecording.empty()) start = openRecording.parent_path();
    if (start.empty()) start = QStringToPath(QDir::homePath());
    const std::optional<std::filesystem::path> root =
        dialogs_.chooseFolder(window_ ? static_cast<QWidget*>(window_.data()) : owner, kRootTitle, start);
    if (root) show(*root);
}

EventListWindow* EventListLauncher::show(const std::filesystem::path& root) {
    if (!window_) {
        // A window of its own, not kept above the main window: the list is where a review
        // starts, and the main window must come forward when it opens a recording.
        window_ = new EventListWindow(dialogs_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->setOpener(open_);
        window_->shareFolderWatch(watch_);
        window_->setScreenBrightness(screenBrightness_);
        connect(window_.data(), &EventListWindow::rootRequested, this, [this] { chooseRoot(window_.data(), {}); });
    }
    SetEventListLastRoot(root);
    window_->show();
    window_->raise();
    window_->activateWindow();
    window_->scan(root);
    return window_.data();
}

}  // namespace drv

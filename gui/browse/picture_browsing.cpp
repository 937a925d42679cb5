#include "gui/browse/picture_browsing.h"

#include <QWidget>

#include "core/browse/picture_open.h"

namespace drv {
namespace {

// Closes a window now rather than at the next event-loop turn, so that "one at a time"
// holds the moment the next one opens.
template <typename W>
void closeNow(QPointer<W>& window) {
    if (!window) return;
    W* w = window.data();
    window.clear();
    w->hide();
    delete w;
}

}  // namespace

PictureBrowsing::PictureBrowsing(QWidget* mainWindow) : mainWindow_(mainWindow) {}

PictureBrowsing::~PictureBrowsing() { closeAll(); }

PictureWindow* PictureBrowsing::openPicture(const std::filesystem::path& file, bool fromList, BrightnessMode mode) {
    closeNow(picture_);
    picture_ = new PictureWindow(file, fromList, mode, mainWindow_.data());
    picture_->show();
    return picture_.data();
}

PictureWindow* PictureBrowsing::openFromMainPicture(const Recording& recording,
                                                    const std::filesystem::path& shownFileName, BrightnessMode mode) {
    const auto file = PictureForMainDoubleClick(recording, shownFileName);
    if (!file) return nullptr;
    return openPicture(*file, false, mode);
}

ThumbnailList* PictureBrowsing::showList(const std::filesystem::path& folder) {
    if (folder.empty()) return nullptr;  // no recording open
    if (list_) {
        list_->show();
        list_->raise();
        list_->activateWindow();
        return list_.data();
    }
    list_ = new ThumbnailList(mainWindow_.data());
    list_->setPlaceholder(placeholder_);
    // Pictures from the list are shown as stored, whatever the main window's brightness.
    connect(list_.data(), &ThumbnailList::pictureRequested, this,
            [this](const std::filesystem::path& file) { openPicture(file, true, BrightnessMode::Standard); });
    list_->OpenFolderList(folder);
    CentreOnScreen(list_.data());
    list_->show();
    return list_.data();
}

void PictureBrowsing::closeAll() {
    closeNow(picture_);
    closeNow(list_);
}

}  // namespace drv

#pragma once
// The picture windows the main window can open: the single-picture window (one at a time)
// and the thumbnail list. The main window holds one of these.
#include <QObject>
#include <QPointer>
#include <filesystem>

#include "core/recording/recording.h"
#include "core/viewer/brightness.h"
#include "gui/browse/picture_window.h"
#include "gui/browse/thumbnail_list.h"

class QWidget;

namespace drv {

class PictureBrowsing : public QObject {
    Q_OBJECT
public:
    // `mainWindow` owns the windows (they stay above it); null for a free-standing use.
    explicit PictureBrowsing(QWidget* mainWindow);
    ~PictureBrowsing() override;

    // Opens `file` in the single-picture window, closing the one already open. `mode` applies
    // (integer brightening) only when not `fromList`. Shown modeless; returns the new window.
    PictureWindow* openPicture(const std::filesystem::path& file, bool fromList, BrightnessMode mode);

    // Image1_DblClick of the main window: opens the frame on screen (`shownFileName`, the bare
    // name shown in lblFilename) when a folder is open, a frame is shown and playback is not
    // running. Returns the window opened, or null when nothing happened.
    PictureWindow* openFromMainPicture(const Recording& recording, const std::filesystem::path& shownFileName,
                                       BrightnessMode mode);

    // mnuAllDsp_Click: the thumbnail list of `folder`, modeless. An empty folder (none open) does
    // nothing. While the list is open it is only brought forward; it keeps its folder.
    ThumbnailList* showList(const std::filesystem::path& folder);

    // What the thumbnail list shows for a picture that cannot be decoded.
    void setPlaceholder(const QImage& picture) { placeholder_ = picture; }

    // Closes both windows (before Open, and at shut-down).
    void closeAll();

    PictureWindow* pictureWindow() const { return picture_.data(); }
    ThumbnailList* thumbnailList() const { return list_.data(); }

private:
    QPointer<QWidget> mainWindow_;
    QPointer<PictureWindow> picture_;
    QPointer<ThumbnailList> list_;
    QImage placeholder_;
};

}  // namespace drv

#pragma once
// frmPictOut: one picture at its natural pixel size in a fixed 640 x 480 client area.
#include <QImage>
#include <QWidget>
#include <atomic>
#include <filesystem>
#include <memory>

#include "core/viewer/brightness.h"

namespace drv {

class PictureWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDisplayWidth = 640;
    static constexpr int kDisplayHeight = 480;

    // Starts loading `file` (Form_Load): the part on show (its top-left 640 x 480) is decoded
    // on a worker and painted when ready; the window answers meanwhile. `mode` other than
    // Standard brightens the picture with the integer variant, unless it comes from the
    // thumbnail list. The mode is read only here. A file that cannot be decoded leaves the
    // client area empty; the window opens anyway.
    PictureWindow(const std::filesystem::path& file, bool fromList, BrightnessMode mode, QWidget* owner = nullptr);
    ~PictureWindow() override;  // a decode under way is abandoned, never waited for

    const std::filesystem::path& path() const { return path_; }
    bool fromList() const { return fromList_; }
    // The picture as painted at (0, 0): brightened when that applied; null when none.
    const QImage& picture() const { return picture_; }
    // Whether its picture is brightened (decided when it opens, before the picture is ready).
    bool brightened() const { return brightened_; }
    // True until the worker's decode has ended (with a picture or without).
    bool loading() const { return loading_; }

signals:
    void loaded();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load(BrightnessMode mode);
    void pictureDecoded(const QImage& picture);

    std::filesystem::path path_;
    bool fromList_;
    bool brightened_ = false;
    bool loading_ = false;
    QImage picture_;
    std::shared_ptr<std::atomic<bool>> abandon_ = std::make_shared<std::atomic<bool>>(false);
};

// Centres a top-level window on its screen.
void CentreOnScreen(QWidget* window);

}  // namespace drv

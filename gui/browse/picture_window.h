#pragma once
// frmPictOut: one picture at its natural pixel size in a fixed 640 x 480 client area.
#include <QImage>
#include <QWidget>
#include <filesystem>

#include "core/viewer/brightness.h"

namespace drv {

class PictureWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDisplayWidth = 640;
    static constexpr int kDisplayHeight = 480;

    // Loads `file` at once (Form_Load). `mode` other than Standard brightens the picture with
    // the integer variant, unless it comes from the thumbnail list. The mode is read only here.
    // A file that cannot be decoded leaves the client area empty; the window opens anyway.
    PictureWindow(const std::filesystem::path& file, bool fromList, BrightnessMode mode, QWidget* owner = nullptr);

    const std::filesystem::path& path() const { return path_; }
    bool fromList() const { return fromList_; }
    // The picture as painted at (0, 0): brightened when that applied; null when none.
    const QImage& picture() const { return picture_; }
    bool brightened() const { return brightened_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load(BrightnessMode mode);

    std::filesystem::path path_;
    bool fromList_;
    bool brightened_ = false;
    QImage picture_;
};

// Centres a top-level window on its screen.
void CentreOnScreen(QWidget* window);

}  // namespace drv

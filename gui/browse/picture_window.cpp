#include "gui/browse/picture_window.h"

#include <QPainter>
#include <QScreen>

#include "gui/common/dialogs.h"
#include "gui/common/picture_file.h"

namespace drv {

PictureWindow::PictureWindow(const std::filesystem::path& file, bool fromList, BrightnessMode mode, QWidget* owner)
    : QWidget(owner, Qt::Window), path_(file), fromList_(fromList) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmPictOut"));
    Form_Load(mode);
}

void PictureWindow::Form_Load(BrightnessMode mode) {
    setWindowTitle(PathToQString(path_));
    // The client area is the display size; the window cannot be resized.
    setFixedSize(kDisplayWidth, kDisplayHeight);
    CentreOnScreen(this);
    if (path_.empty()) return;

    QImage decoded = ReadPicture(path_);  // pixels as stored, like the main picture
    if (decoded.isNull()) return;  // an empty client area

    if (!fromList_ && mode != BrightnessMode::Standard) {
        // Rows of blue-green-red bytes, as the transform expects.
        decoded = decoded.convertToFormat(QImage::Format_BGR888);
        BrightenPictureInteger(decoded.bits(), static_cast<std::size_t>(decoded.bytesPerLine()),
                               static_cast<std::size_t>(decoded.height()), mode == BrightnessMode::X20);
        brightened_ = true;
    }
    picture_ = decoded.convertToFormat(QImage::Format_RGB32);
}

void PictureWindow::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    // Unscaled: the top-left part of a larger picture, a smaller one in the corner.
    painter.drawImage(QPoint(0, 0), picture_, picture_.rect().intersected(QRect(0, 0, kDisplayWidth, kDisplayHeight)));
}

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) return;
    const QRect area = screen->geometry();
    const QSize outer = window->frameGeometry().size();
    window->move(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
}

}  // namespace drv

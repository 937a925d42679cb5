#include "gui/browse/picture_window.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThreadPool>

#include "gui/common/dialogs.h"
#include "gui/common/picture_file.h"

namespace drv {

PictureWindow::PictureWindow(const std::filesystem::path& file, bool fromList, BrightnessMode mode, QWidget* owner)
    : QWidget(owner, Qt::Window), path_(file), fromList_(fromList) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmPictOut"));
    Form_Load(mode);
}

PictureWindow::~PictureWindow() { *abandon_ = true; }

void PictureWindow::Form_Load(BrightnessMode mode) {
    setWindowTitle(PathToQString(path_));
    // The client area is the display size; the window cannot be resized.
    setFixedSize(kDisplayWidth, kDisplayHeight);
    CentreOnScreen(this);
    if (path_.empty()) return;

    loading_ = true;
    brightened_ = !fromList_ && mode != BrightnessMode::Standard;
    QThreadPool::globalInstance()->start(
        [file = path_, fromList = fromList_, mode, abandon = abandon_, window = QPointer<PictureWindow>(this)] {
            // Only what the window shows is decoded: the rows below and columns right of it never are.
            PictureRequest request;
            request.regionWidth = kDisplayWidth;
            request.regionHeight = kDisplayHeight;
            request.cancel = abandon.get();
            QImage decoded = DecodePictureFile(file, request).image;  // pixels as stored, like the main picture
            if (!decoded.isNull() && !fromList && mode != BrightnessMode::Standard) {
                // Rows of blue-green-red bytes, as the transform expects.
                decoded = decoded.convertToFormat(QImage::Format_BGR888);
                BrightenPictureInteger(decoded.bits(), static_cast<std::size_t>(decoded.bytesPerLine()),
                                       static_cast<std::size_t>(decoded.height()), mode == BrightnessMode::X20);
            }
            if (!decoded.isNull()) decoded = decoded.convertToFormat(QImage::Format_RGB32);
            // Handed to the interface thread; a window closed meanwhile takes nothing.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [window, decoded] {
                    if (window) window->pictureDecoded(decoded);
                },
                Qt::QueuedConnection);
        });
}

void PictureWindow::pictureDecoded(const QImage& picture) {
    picture_ = picture;
    loading_ = false;
    update();
    emit loaded();
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

#include "gui/viewer/picture_view.h"

#include <QMouseEvent>
#include <QPainter>

namespace drv {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {}

void PictureView::setImage(const QImage& image) {
    image_ = image;
    update();
}

void PictureView::clear() {
    image_ = QImage();
    update();
}

void PictureView::paintEvent(QPaintEvent*) {
    if (image_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), image_);
}

QImage BrightenedPicture(QImage picture, BrightnessMode mode) {
    if (mode == BrightnessMode::Standard || picture.isNull()) return picture;
    // Rows of blue, green, red bytes, as the brightening expects.
    picture.convertTo(QImage::Format_BGR888);
    BrightenPicture(picture.bits(), static_cast<std::size_t>(picture.bytesPerLine()),
                    static_cast<std::size_t>(picture.height()), mode == BrightnessMode::X20);
    // Painting scales 32-bit pixels on its fast path; three-byte pixels would be converted at every paint.
    picture.convertTo(QImage::Format_RGB32);
    return picture;
}

void PictureView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}

}  // namespace drv

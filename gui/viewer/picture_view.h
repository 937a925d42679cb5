#pragma once
// The picture area: paints its picture stretched to the whole rectangle, as the
// recorder's frames are shown at the size of the area rather than their own.
#include <QImage>
#include <QWidget>

#include "draw/common/brightened_picture.h"

namespace drv {

class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return image_; }
    void clear();

signals:
    // The single-picture window opens on a double click.
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage image_;
};

}  // namespace drv

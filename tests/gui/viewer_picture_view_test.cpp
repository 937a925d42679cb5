#include <QImage>
#include <cstdlib>
#include <gtest/gtest.h>

#include "gui/viewer/picture_view.h"

namespace drv {
namespace {

TEST(PictureView, StretchesThePictureOverTheWholeArea) {
    PictureView view;
    view.resize(100, 40);
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 0, 255));
    view.setImage(picture);
    EXPECT_EQ(view.image().size(), QSize(2, 1));
    const QImage shown = view.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(100, 40));
    // Smooth scaling blends near the seam; each half stays clearly its colour.
    for (const QPoint p : {QPoint(0, 0), QPoint(20, 39), QPoint(25, 20), QPoint(99, 0), QPoint(80, 39), QPoint(75, 20)}) {
        const QRgb px = shown.pixel(p), want = p.x() < 50 ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
        EXPECT_TRUE(std::abs(qRed(px) - qRed(want)) < 15 && std::abs(qBlue(px) - qBlue(want)) < 15) << p.x() << "," << p.y();
    }
    view.clear();
    EXPECT_TRUE(view.image().isNull());
}

}  // namespace
}  // namespace drv

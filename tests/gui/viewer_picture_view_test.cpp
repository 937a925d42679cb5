#include <QImage>
#include <gtest/gtest.h>

#include "gui/common/twips.h"
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
    for (const QPoint p : {QPoint(0, 0), QPoint(20, 39), QPoint(25, 20)}) {
        EXPECT_GT(qRed(shown.pixel(p)), 240) << p.x() << "," << p.y();
        EXPECT_LT(qBlue(shown.pixel(p)), 15) << p.x() << "," << p.y();
    }
    for (const QPoint p : {QPoint(99, 0), QPoint(80, 39), QPoint(75, 20)}) {
        EXPECT_GT(qBlue(shown.pixel(p)), 240) << p.x() << "," << p.y();
        EXPECT_LT(qRed(shown.pixel(p)), 15) << p.x() << "," << p.y();
    }

    view.clear();
    EXPECT_TRUE(view.image().isNull());
}

TEST(Twips, NeighboursStayEdgeToEdge) {
    // The navigation buttons touch in twips; rounded sizes would open gaps or overlaps.
    const QRect a = TwipsRect(260, 5660, 720, 380);
    const QRect b = TwipsRect(980, 5660, 720, 380);
    const QRect c = TwipsRect(1700, 5660, 960, 380);
    EXPECT_EQ(a.right() + 1, b.left());
    EXPECT_EQ(b.right() + 1, c.left());
    EXPECT_EQ(TwipsToPixels(12285), 819);
    EXPECT_EQ(TwipsToPixels(9645), 643);
    EXPECT_EQ(TwipsToPixels(7), 0);
    EXPECT_EQ(TwipsToPixels(8), 1);
    EXPECT_EQ(TwipsToPixels(-8), -1);
}

}  // namespace
}  // namespace drv

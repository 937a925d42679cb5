#include <QImage>
#include <cstdlib>
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
    for (const QPoint p : {QPoint(0, 0), QPoint(20, 39), QPoint(25, 20), QPoint(99, 0), QPoint(80, 39), QPoint(75, 20)}) {
        const QRgb px = shown.pixel(p), want = p.x() < 50 ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
        EXPECT_TRUE(std::abs(qRed(px) - qRed(want)) < 15 && std::abs(qBlue(px) - qBlue(want)) < 15) << p.x() << "," << p.y();
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
    const std::pair<int, int> twips[] = {{12285, 819}, {9645, 643}, {7, 0}, {8, 1}, {-8, -1}};
    for (const auto& [t, px] : twips) EXPECT_EQ(TwipsToPixels(t), px) << t;
}

}  // namespace
}  // namespace drv

#include <QLabel>
#include <QScrollBar>
#include <gtest/gtest.h>

#include "gui/browse/picture_browsing.h"
#include "tests/gui/browse/browse_fixtures.h"

namespace drv {
namespace {

using test::colourOf;
using test::PictureFolder;

std::string numbered(int n) { return (n < 10 ? "p0" : "p") + std::to_string(n) + ".jpg"; }

void writeNumbered(const PictureFolder& folder, int count) {
    for (int n = 1; n <= count; ++n) folder.write(numbered(n), 64, 48, colourOf(n));
}

QColor shownColour(const ThumbnailList& list, int cell) {
    const QImage& img = list.cellImage(cell)->image();
    return img.isNull() ? QColor() : img.pixelColor(img.width() / 2, img.height() / 2);
}

// Whether a page shows `shown` pictures from `firstNumber` on, the other cells hidden.
bool pageIs(const ThumbnailList& list, int firstNumber, int shown) {
    for (int c = 0; c < kThumbnailCells; ++c)
        if (list.cellShown(c) != (c < shown) || (c < shown && list.cellLabel(c).toStdString() != numbered(firstNumber + c)))
            return false;
    return true;
}

TEST(BrowseThumbnailList, SeventeenPicturesScrollOneRowPerUnit) {
    PictureFolder folder;
    writeNumbered(folder, 17);
    folder.write("readme.png", 10, 10, Qt::red, "PNG");  // not listed
    ThumbnailList list;
    list.OpenFolderList(folder.path());
    EXPECT_EQ(list.windowTitle(), QStringLiteral("画像一覧"));
    EXPECT_EQ(list.folderLabel()->text(), PathToQString(folder.path()));
    EXPECT_EQ(list.scrollBar()->maximum(), 4);
    EXPECT_TRUE(pageIs(list, 1, 16));
    EXPECT_TRUE(test::closeTo(shownColour(list, 3), colourOf(4)));
    list.scrollBar()->setValue(1);
    EXPECT_TRUE(pageIs(list, 5, 13));
    list.scrollBar()->setValue(4);
    EXPECT_TRUE(pageIs(list, 17, 1));
    EXPECT_FALSE(list.limitNote()->isVisibleTo(&list));
    for (const auto& [count, maximum] : {std::pair{16, 3}, {0, 0}}) {  // one full page, or none
        PictureFolder other;
        writeNumbered(other, count);
        list.OpenFolderList(other.path());
        EXPECT_EQ(list.scrollBar()->maximum(), maximum);
        EXPECT_TRUE(pageIs(list, 1, count)) << count;
    }
}

TEST(BrowseThumbnailList, LandscapeFillsTheBoxAndPortraitIsCentred) {
    PictureFolder folder;
    folder.write("1_landscape.jpg", 640, 480, Qt::darkGreen);
    folder.write("2_portrait.jpg", 480, 640, Qt::darkBlue);
    ThumbnailList list;
    list.OpenFolderList(folder.path());
    EXPECT_EQ(list.cellImage(0)->geometry(), QRect(20, 13, 127, 107));  // 1900 x 1600 twips at (300, 200)
    EXPECT_EQ(list.cellImage(1)->geometry(), QRect(16, 0, 100, 133));   // 2000 twips high, centred
    EXPECT_EQ(list.cellImage(0)->image().size(), QSize(127, 107));      // decoded at the box's size
    EXPECT_EQ(list.cellImage(1)->image().size(), QSize(100, 133));
}

TEST(BrowseThumbnailList, UndecodablePictureKeepsTheCellsImageButTakesItsName) {
    PictureFolder folder;
    writeNumbered(folder, 16);
    folder.writeGarbage(numbered(17));
    ThumbnailList list;
    list.OpenFolderList(folder.path());
    const TwipRect before = list.cellImageTwips(0);
    list.scrollBar()->setValue(4);
    ASSERT_TRUE(list.cellShown(0));
    EXPECT_EQ(list.cellLabel(0).toStdString(), numbered(17));
    EXPECT_TRUE(test::closeTo(shownColour(list, 0), colourOf(1)));  // what cell 0 showed at value 0
    EXPECT_EQ(list.cellImageTwips(0), before);
}

}  // namespace
}  // namespace drv

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <cstdio>

#include "gui/browse/picture_browsing.h"
#include "tests/gui/browse/browse_fixtures.h"

namespace drv {
namespace {

using test::colourOf;
using test::PictureFolder;

std::string numbered(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "p%02d.jpg", n);
    return name;
}

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

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

// Which pictures a page shows: the cells' labels, with "" for a hidden cell.
std::vector<std::string> page(const ThumbnailList& list) {
    std::vector<std::string> out;
    for (int c = 0; c < kThumbnailCells; ++c)
        out.push_back(list.cellShown(c) ? list.cellLabel(c).toStdString() : std::string());
    return out;
}

std::vector<std::string> expectedPage(int firstNumber, int shown) {
    std::vector<std::string> out;
    for (int c = 0; c < kThumbnailCells; ++c) out.push_back(c < shown ? numbered(firstNumber + c) : std::string());
    return out;
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
    EXPECT_EQ(page(list), expectedPage(1, 16));
    EXPECT_TRUE(test::closeTo(shownColour(list, 3), colourOf(4)));

    list.scrollBar()->setValue(1);
    EXPECT_EQ(page(list), expectedPage(5, 13));
    EXPECT_TRUE(test::closeTo(shownColour(list, 12), colourOf(17)));

    list.scrollBar()->setValue(4);
    EXPECT_EQ(page(list), expectedPage(17, 1));
    EXPECT_FALSE(list.limitNote()->isVisibleTo(&list));

    PictureFolder none;
    list.OpenFolderList(none.path());
    EXPECT_EQ(list.scrollBar()->maximum(), 0);
    EXPECT_EQ(page(list), expectedPage(1, 0));
}

TEST(BrowseThumbnailList, LandscapeFillsTheBoxAndPortraitIsCentred) {
    PictureFolder folder;
    folder.write("1_landscape.jpg", 640, 480, Qt::darkGreen);
    folder.write("2_portrait.jpg", 480, 640, Qt::darkBlue);
    ThumbnailList list;
    list.OpenFolderList(folder.path());
    EXPECT_EQ(list.cellImage(0)->geometry(), QRect(20, 13, 127, 107));
    EXPECT_EQ(list.cellImage(1)->geometry(), QRect(16, 0, 100, 133));
    // Decoded at the box's size, not the picture's.
    EXPECT_EQ(list.cellImage(0)->image().size(), QSize(127, 107));
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

TEST(BrowseThumbnailList, OverFiveHundredShowsTheFirstByNameAndSaysSo) {
    PictureFolder folder;
    for (int n = 503; n >= 1; --n) {
        char name[32];
        std::snprintf(name, sizeof name, "f%04d.jpg", n);
        folder.write(name, 8, 6, colourOf(n));
    }
    ThumbnailList list;
    list.OpenFolderList(folder.path());
    EXPECT_EQ(list.names().size(), 500u);
    EXPECT_EQ(list.totalFound(), 503u);
    EXPECT_EQ(list.names().back(), "f0500.jpg");
    EXPECT_EQ(list.scrollBar()->maximum(), 124);
    EXPECT_TRUE(list.limitNote()->isVisibleTo(&list));
    EXPECT_TRUE(list.limitNote()->text().contains(QStringLiteral("503")));
    EXPECT_TRUE(list.limitNote()->text().contains(QStringLiteral("500")));
}

}  // namespace
}  // namespace drv

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <gtest/gtest.h>

#include "gui/browse/picture_browsing.h"
#include "tests/gui/browse/browse_fixtures.h"

namespace drv {
namespace {

using test::PictureFolder;

// What the window should show: the file decoded, brightened with the integer variant or not.
QImage expectedPicture(const std::filesystem::path& file, BrightnessMode mode) {
    QImage img(PathToQString(file));
    if (mode != BrightnessMode::Standard) {
        img = img.convertToFormat(QImage::Format_BGR888);
        BrightenPictureInteger(img.bits(), std::size_t(img.bytesPerLine()), std::size_t(img.height()),
                               mode == BrightnessMode::X20);
    }
    return img.convertToFormat(QImage::Format_RGB32);
}

TEST(BrowsePictureWindow, BrightenedWithTheIntegerVariantOnlyFromTheMainPictureInABrightMode) {
    PictureFolder folder;
    const auto file = folder.write("red.png", 64, 48, Qt::red, "PNG");  // where the two variants differ
    const struct { bool fromList; BrightnessMode mode; bool brightened; } cases[] = {
        {false, BrightnessMode::Standard, false}, {false, BrightnessMode::X15, true},
        {false, BrightnessMode::X20, true},      {true, BrightnessMode::X20, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "fromList " << c.fromList << " mode " << int(c.mode));
        PictureWindow w(file, c.fromList, c.mode);
        EXPECT_EQ(w.brightened(), c.brightened);
        EXPECT_EQ(w.picture(), expectedPicture(file, c.brightened ? c.mode : BrightnessMode::Standard));
    }
    PictureWindow x20(file, false, BrightnessMode::X20);  // on screen: the float variant would give (255, 64, 46)
    EXPECT_EQ(x20.grab().toImage().pixelColor(40, 5), QColor(255, 63, 45));
}

TEST(BrowsePictureBrowsing, OneWindowAtATimeFromEitherOpener) {
    PictureFolder folder;
    const auto first = folder.write("a.jpg", 64, 48, Qt::red);
    const auto second = folder.write("b.jpg", 64, 48, Qt::blue);
    PictureBrowsing browsing(nullptr);
    QPointer<PictureWindow> w1 = browsing.openPicture(first, false, BrightnessMode::Standard);
    ASSERT_TRUE(w1);
    QPointer<PictureWindow> w2 = browsing.openPicture(second, true, BrightnessMode::Standard);
    EXPECT_FALSE(w1);  // closed and released
    ASSERT_TRUE(w2);
    EXPECT_EQ(browsing.pictureWindow(), w2.data());
    w2->close();  // by the user
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(browsing.pictureWindow(), nullptr);
}

TEST(BrowsePictureBrowsing, ListDoubleClickOpensThePictureUnbrightened) {
    PictureFolder folder;
    folder.write("a.jpg", 64, 48, Qt::red);
    folder.write("b.png", 64, 48, Qt::red, "PNG");  // not listed
    const auto jpg = folder.write("c.jpg", 64, 48, QColor(100, 100, 100));
    PictureBrowsing browsing(nullptr);
    ThumbnailList* list = browsing.showList(folder.path());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->names().size(), 2u);
    // The main window sits at x2.0; the list still shows pictures as stored.
    Recording rec;
    rec.folder = folder.path();
    browsing.openFromMainPicture(rec, "a.jpg", BrightnessMode::X20);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(list->cellImage(1), &dbl);
    PictureWindow* w = browsing.pictureWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->path(), jpg);
    EXPECT_EQ(w->picture(), expectedPicture(jpg, BrightnessMode::Standard));
    browsing.closeAll();
    EXPECT_EQ(browsing.pictureWindow(), nullptr);
    EXPECT_EQ(browsing.thumbnailList(), nullptr);
}

}  // namespace
}  // namespace drv

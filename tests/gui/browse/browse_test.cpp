// The browsing windows: the thumbnail list and the picture window.
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "gui/browse/picture_browsing.h"
#include "gui/browse/thumbnail_list.h"
#include "gui/common/dialogs.h"
#include "gui/common/picture_file.h"
#include "gui/events/event_thumbnails.h"
#include "gui/viewer/frame_prefetcher.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

class PictureFolder {
public:
    std::filesystem::path path() const { return QStringToPath(dir_.path()); }
    // A picture of one colour, stored as JPEG unless `format` says otherwise.
    std::filesystem::path write(const std::string& name, int width, int height, QColor colour,
                                const char* format = "JPEG") const {
        QImage img(width, height, QImage::Format_RGB32);
        img.fill(colour);
        img.save(PathToQString(path() / name), format, 100);
        return path() / name;
    }

private:
    QTemporaryDir dir_;
};

// A colour that tells picture n from its neighbours after a lossy round trip.
QColor colourOf(int n) { return QColor((n * 53) % 256, (n * 97) % 256, (n * 151) % 256); }

bool closeTo(QColor a, QColor b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// What the picture window should show: the file decoded, brightened with the integer variant or not.
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

// One picture window at a time, from either opener; a double click in the list opens the picture
// as stored although the main window sits at x2.0.
TEST(BrowsePictureBrowsing, OneWindowAtATimeAndTheListsPictureUnbrightened) {
    PictureFolder folder;
    folder.write("a.jpg", 64, 48, Qt::red);
    folder.write("b.png", 64, 48, Qt::red, "PNG");  // not listed
    const auto jpg = folder.write("c.jpg", 64, 48, QColor(100, 100, 100));
    PictureBrowsing browsing(nullptr);
    ThumbnailList* list = browsing.showList(folder.path());
    ASSERT_NE(list, nullptr);
    Recording rec;
    rec.folder = folder.path();
    QPointer<PictureWindow> fromMain = browsing.openFromMainPicture(rec, "a.jpg", BrightnessMode::X20);
    ASSERT_TRUE(fromMain);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(list->cellImage(1), &dbl);
    EXPECT_FALSE(fromMain) << "closed and released";
    PictureWindow* w = browsing.pictureWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->path(), jpg);
    EXPECT_EQ(w->picture(), expectedPicture(jpg, BrightnessMode::Standard));
    w->close();  // by the user
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(browsing.pictureWindow(), nullptr);
    browsing.closeAll();
    EXPECT_EQ(browsing.thumbnailList(), nullptr);
}

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
    EXPECT_TRUE(closeTo(shownColour(list, 3), colourOf(4)));
    list.scrollBar()->setValue(1);
    EXPECT_TRUE(pageIs(list, 5, 13));
    list.scrollBar()->setValue(4);
    EXPECT_TRUE(pageIs(list, 17, 1));
    EXPECT_FALSE(list.limitNote()->isVisibleTo(&list));
}

// A card's names need not be UTF-8: every reader of pictures opens such a file by its bytes.
TEST(BrowsePictureFiles, NamesThatAreNotUtf8AreReadByTheirBytes) {
    test::TempFolder dir;  // removes by bytes, which QTemporaryDir cannot
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(PathToQString(dir.path() / "x.jpg"), "JPEG"));
    const std::filesystem::path file = dir.path() / "\xff\xfe.jpg";
    std::filesystem::rename(dir.path() / "x.jpg", file);
    EXPECT_EQ(ReadPicture(file).size(), QSize(64, 48)) << "the picture window";
    EXPECT_FALSE(DecodeThumbnail(file, 1.0, nullptr).isNull()) << "the thumbnail list";
    EXPECT_EQ(DecodeScaledPicture(file, QSize(32, 24)).size(), QSize(32, 24)) << "the event list";
    EXPECT_FALSE(decodeFrame(FileFrameSource(), file).isNull()) << "the main picture and the video export";
}

}  // namespace
}  // namespace drv

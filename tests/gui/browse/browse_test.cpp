// The browsing windows: the thumbnail list and the picture window.
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>

#include "gui/browse/picture_browsing.h"
#include "gui/browse/thumbnail_list.h"
#include "gui/common/dialogs.h"
#include "gui/common/picture_file.h"
#include "gui/events/event_thumbnails.h"
#include "gui/viewer/frame_prefetcher.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/hostile_pictures.h"
#include "tests/gui/support/wait.h"

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

std::filesystem::path writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file;
}

// The picture window decodes on a worker: its picture is there once loading has ended.
bool loaded(const PictureWindow& w) {
    return test::waitUntil([&] { return !w.loading(); }, 10000);
}
bool loaded(const ThumbnailList& list) {
    return test::waitUntil([&] { return list.pendingThumbnails() == 0; }, 10000);
}

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

TEST(BrowsePictureWindow, BrightenedWithTheIntegerVariantOnlyFromTheMainPictureAndDecodesOnlyItsTopLeft) {
    PictureFolder folder;
    const auto file = folder.write("red.png", 64, 48, Qt::red, "PNG");  // where the two variants differ
    const struct {
        bool fromList;
        BrightnessMode mode;
        bool brightened;
    } cases[] = {{false, BrightnessMode::Standard, false},
                 {false, BrightnessMode::X15, true},
                 {false, BrightnessMode::X20, true},
                 {true, BrightnessMode::X20, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "fromList " << c.fromList << " mode " << int(c.mode));
        PictureWindow w(file, c.fromList, c.mode);
        ASSERT_TRUE(loaded(w));
        EXPECT_EQ(w.brightened(), c.brightened);
        EXPECT_EQ(w.picture(), expectedPicture(file, c.brightened ? c.mode : BrightnessMode::Standard));
    }
    PictureWindow x20(file, false, BrightnessMode::X20);  // on screen: the float variant would give (255, 64, 46)
    ASSERT_TRUE(loaded(x20));
    EXPECT_EQ(x20.grab().toImage().pixelColor(40, 5), QColor(255, 63, 45));

    // It decodes only what it shows, and closing it while it decodes neither waits nor leaves the
    // worker a window to write into.
    const auto big = writeBytes(folder.path() / "big.jpg", test::PatternJpeg(1000, 700));
    PictureWindow w(big, true, BrightnessMode::Standard);
    EXPECT_TRUE(w.loading());
    ASSERT_TRUE(loaded(w));
    EXPECT_EQ(w.picture(), QImage(PathToQString(big)).convertToFormat(QImage::Format_RGB32).copy(0, 0, 640, 480));
    const auto bomb = writeBytes(folder.path() / "scans.jpg", test::ManyScansJpeg(3000));
    for (int n = 0; n < 3; ++n) delete new PictureWindow(bomb, false, BrightnessMode::X20);
    test::waitMs(300);  // the workers' results arrive for windows that are gone
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
    ASSERT_TRUE(loaded(*w));
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
        if (list.cellShown(c) != (c < shown) ||
            (c < shown && list.cellLabel(c).toStdString() != numbered(firstNumber + c)))
            return false;
    return true;
}

// Seventeen pictures scroll one row per unit. Pictures decode on workers: the page is drawn
// (names, cells) before any thumbnail is decoded, and a cell never shows another frame's picture
// under its name: one that cannot be decoded, hostile or damaged, shows the placeholder, also
// where the cell showed a picture before.
TEST(BrowseThumbnailList, ScrollsByRowsAndUndecodablePicturesShowThePlaceholderNeverAnotherFrame) {
    PictureFolder folder;
    writeNumbered(folder, 17);
    folder.write("readme.png", 10, 10, Qt::red, "PNG");  // not listed
    writeBytes(folder.path() / numbered(3), test::ManyScansJpeg(3000));
    writeBytes(folder.path() / numbered(4), test::ClaimedSizeJpeg(5700, 5700));
    writeBytes(folder.path() / numbered(6), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    QImage placeholder(40, 30, QImage::Format_RGB32);
    placeholder.fill(Qt::blue);
    ThumbnailList list;
    list.setPlaceholder(placeholder);
    list.OpenFolderList(folder.path());
    EXPECT_EQ(list.scrollBar()->maximum(), 4);
    EXPECT_FALSE(list.limitNote()->isVisibleTo(&list));
    EXPECT_TRUE(pageIs(list, 1, 16));
    EXPECT_GT(list.pendingThumbnails(), 0) << "decoded on workers, after the page is up";
    ASSERT_TRUE(loaded(list));
    for (int cell = 0; cell < 8; ++cell) {
        const bool undecodable = cell == 2 || cell == 3 || cell == 5;
        EXPECT_EQ(list.cellShowsPlaceholder(cell), undecodable);
        if (undecodable) {
            EXPECT_EQ(list.cellImage(cell)->image(), placeholder);
        } else {
            EXPECT_TRUE(closeTo(shownColour(list, cell), colourOf(cell + 1)));
        }
    }
    // One row down: cell 1 showed picture 2 and now names picture 6, which cannot be decoded.
    list.scrollBar()->setValue(1);
    EXPECT_TRUE(pageIs(list, 5, 13));
    EXPECT_EQ(list.cellLabel(1).toStdString(), numbered(6));
    EXPECT_TRUE(list.cellImage(1)->image().isNull() || list.cellShowsPlaceholder(1)) << "never picture 2";
    ASSERT_TRUE(loaded(list));
    EXPECT_TRUE(list.cellShowsPlaceholder(1));
    EXPECT_EQ(list.cellImage(1)->image(), placeholder);
    EXPECT_TRUE(closeTo(shownColour(list, 0), colourOf(5)));
    list.scrollBar()->setValue(4);
    EXPECT_TRUE(pageIs(list, 17, 1));
}

// Every reader of frames opens a name that is not UTF-8 by its bytes, refuses the hostile
// pictures, and decodes the same pixels as Qt's reader did before it (the brightening works on
// exactly those).
TEST(BrowsePictureFiles, EveryReaderOpensNamesByTheirBytesRefusesHostilePicturesAndKeepsQtsPixels) {
    test::TempFolder folder;  // removes by bytes, which QTemporaryDir cannot
    const std::pair<std::filesystem::path, bool> files[] = {
        {writeBytes(folder.path() / "\xff\xfe.jpg", test::PatternJpeg(64, 48)), false},
        {writeBytes(folder.path() / "scans.jpg", test::ManyScansJpeg(3000)), true},
        {writeBytes(folder.path() / "huge.jpg", test::ClaimedSizeJpeg(5700, 5700)), true},
    };
    for (const auto& [file, hostile] : files) {
        EXPECT_EQ(DecodeThumbnail(file, 1.0, nullptr).isNull(), hostile) << "the thumbnail list";
        EXPECT_EQ(DecodeScaledPicture(file, QSize(32, 24)).isNull(), hostile) << "the event list";
        EXPECT_EQ(decodeFrame(FileFrameSource(), file).isNull(), hostile) << "the main picture and the video export";
        PictureWindow window(file, true, BrightnessMode::Standard);
        ASSERT_TRUE(loaded(window));
        EXPECT_EQ(window.picture().isNull(), hostile) << "the picture window";
    }
    EXPECT_EQ(ReadPicture(files[0].first).size(), QSize(64, 48)) << "the placeholder";

    for (bool progressive : {false, true}) {
        const auto file = writeBytes(folder.path() / "p.jpg", test::PatternJpeg(200, 150, progressive));
        const QImage qt = QImage(PathToQString(file)).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(decodeFrame(FileFrameSource(), file), qt) << "progressive " << progressive;
    }
}

}  // namespace
}  // namespace drv

#include <gtest/gtest.h>
#include <string>

#include "core/browse/picture_files.h"
#include "core/browse/thumbnail_grid.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

// Files whose extension begins with "jp" in any letter case, no folders and no hidden names, in
// byte order; over the limit the first names in that order, the rest counted.
TEST(BrowseListing, PictureFilesInByteOrderAndTheFirstOnesOverTheLimit) {
    test::TempFolder dir;
    for (const char* n : {"B.jpg", "a.jpg", "A.jpeg", "c.Jp", "notes.txt", "\xe6\x98\xa0.jpg", "ro.JPG", "x.j",
                          "y.jpg.bak", "z.xjpg", "._a.jpg", ".jpg"})
        test::WriteText(dir.path() / n, "x");
    fs::create_directory(dir.path() / "sub.jpg");
    fs::permissions(dir.path() / "ro.JPG", fs::perms::owner_read, fs::perm_options::replace);
    PictureListing l = ListPictureFiles(dir.path());
    EXPECT_EQ(l.names, (std::vector<fs::path>{"A.jpeg", "B.jpg", "a.jpg", "c.Jp", "ro.JPG", "\xe6\x98\xa0.jpg"}));
    EXPECT_FALSE(l.truncated());
    l = ListPictureFiles(dir.path(), 3);
    EXPECT_EQ(l.names, (std::vector<fs::path>{"A.jpeg", "B.jpg", "a.jpg"}));
    EXPECT_EQ(l.totalFound, 6u);
    EXPECT_TRUE(l.truncated());
    EXPECT_TRUE(ListPictureFiles("/nonexistent/browse/folder").readFailed);
}

// Landscape pictures fill a fixed box; the others keep their proportions, 2000 high, centred.
TEST(BrowseThumbnailGrid, PictureBoxInsideItsCell) {
    EXPECT_EQ(ThumbnailImageRect(640, 480), (TwipRect{300, 200, 1900, 1600}));
    EXPECT_EQ(ThumbnailImageRect(480, 640), (TwipRect{247.5, 0, 1500, 2000}));
    EXPECT_EQ(ThumbnailImageRect(100, 100), (TwipRect{-2.5, 0, 2000, 2000}));
    EXPECT_EQ(ThumbnailImageRect(0, 0), (TwipRect{360, 0, 1880, 2040}));
}

}  // namespace
}  // namespace drv

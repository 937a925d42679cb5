#include <gtest/gtest.h>
#include <string>

#include "core/browse/picture_files.h"
#include "core/browse/picture_open.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

TEST(BrowsePictureName, MatchesExtensionsBeginningWithJpInAnyCase) {
    const std::pair<const char*, bool> cases[] = {
        {"a.jpg", true},      {"A.JPG", true},   {"b.jpeg", true},    {"c.Jpe", true}, {"d.jp", true},
        {"x.y.jpg", true},    {"e.png", false},  {"f.bmp", false},    {"jpg", false},  {"g.j", false},
        {"h.jpg.bak", false}, {"i.xjpg", false}, {"._i.jpg", false},  {".jpg", false}, {"", false},
    };
    for (const auto& [name, listed] : cases) EXPECT_EQ(IsListedPictureName(name), listed) << name;
}

// Picture files only, in byte order; over the limit the first names in that order, the rest counted.
TEST(BrowseListing, PictureFilesInByteOrderAndTheFirstOnesOverTheLimit) {
    test::TempFolder dir;
    for (const char* n : {"B.jpg", "a.jpg", "A.jpeg", "notes.txt", "\xe6\x98\xa0.jpg", "ro.JPG"})
        test::WriteText(dir.path() / n, "x");
    fs::create_directory(dir.path() / "sub.jpg");
    fs::permissions(dir.path() / "ro.JPG", fs::perms::owner_read, fs::perm_options::replace);
    PictureListing l = ListPictureFiles(dir.path());
    EXPECT_EQ(l.names, (std::vector<fs::path>{"A.jpeg", "B.jpg", "a.jpg", "ro.JPG", "\xe6\x98\xa0.jpg"}));
    EXPECT_FALSE(l.truncated());
    l = ListPictureFiles(dir.path(), 3);
    EXPECT_EQ(l.names, (std::vector<fs::path>{"A.jpeg", "B.jpg", "a.jpg"}));
    EXPECT_EQ(l.totalFound, 5u);
    EXPECT_TRUE(l.truncated());
    EXPECT_TRUE(ListPictureFiles("/nonexistent/browse/folder").readFailed);
}

TEST(BrowseOpenFromMain, OpensOnlyWithAFolderAFrameShownAndNoPlayback) {
    Recording rec;
    EXPECT_FALSE(PictureForMainDoubleClick(rec, "0001.jpg"));  // no folder
    rec.folder = "/cards/event 1 ";
    EXPECT_FALSE(PictureForMainDoubleClick(rec, ""));  // no frame shown
    EXPECT_EQ(PictureForMainDoubleClick(rec, "0001.jpg"), fs::path("/cards/event 1 /0001.jpg"));  // untrimmed
}

}  // namespace
}  // namespace drv

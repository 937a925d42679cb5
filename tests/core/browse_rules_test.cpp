#include <gtest/gtest.h>
#include <fstream>
#include <string>

#include "core/browse/picture_files.h"
#include "core/browse/picture_open.h"
#include "core/browse/thumbnail_grid.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

class BrowseListing : public ::testing::Test {
protected:
    void touch(const std::string& name) const { std::ofstream(dir_ / name) << "x"; }
    test::TempFolder tmp_;
    const fs::path dir_ = tmp_.path();
};

TEST(BrowsePictureName, MatchesExtensionsBeginningWithJpInAnyCase) {
    const std::pair<const char*, bool> cases[] = {
        {"a.jpg", true},      {"A.JPG", true},   {"b.jpeg", true},    {"c.Jpe", true}, {"d.jp", true},
        {"x.y.jpg", true},    {"e.png", false},  {"f.bmp", false},    {"jpg", false},  {"g.j", false},
        {"h.jpg.bak", false}, {"i.xjpg", false}, {"._i.jpg", false},  {".jpg", false}, {"", false},
    };
    for (const auto& [name, listed] : cases) EXPECT_EQ(IsListedPictureName(name), listed) << name;
}

TEST_F(BrowseListing, SortsByByteValueAndSkipsFoldersAndOtherFiles) {
    for (const char* n : {"B.jpg", "a.jpg", "A.jpeg", "notes.txt", "\xe6\x98\xa0.jpg", "ro.JPG"}) touch(n);
    fs::create_directory(dir_ / "sub.jpg");
    fs::permissions(dir_ / "ro.JPG", fs::perms::owner_read, fs::perm_options::replace);
    const PictureListing l = ListPictureFiles(dir_);
    EXPECT_EQ(l.names, (std::vector<fs::path>{"A.jpeg", "B.jpg", "a.jpg", "ro.JPG", "\xe6\x98\xa0.jpg"}));
    EXPECT_FALSE(l.truncated());
}

TEST_F(BrowseListing, KeepsTheFirstNamesInOrderWhenOverTheLimitAndCountsTheRest) {
    for (int i = 12; i >= 0; --i) touch("f" + std::string(i < 10 ? "00" : "0") + std::to_string(i) + ".jpg");
    const PictureListing l = ListPictureFiles(dir_, 10);
    ASSERT_EQ(l.names.size(), 10u);
    EXPECT_EQ(l.names.front(), "f000.jpg");
    EXPECT_EQ(l.names.back(), "f009.jpg");
    EXPECT_EQ(l.totalFound, 13u);
    EXPECT_TRUE(l.truncated());
    EXPECT_TRUE(ListPictureFiles("/nonexistent/browse/folder").readFailed);
}

TEST(BrowseGrid, ScrollMaximumAndPicturePlace) {
    const std::pair<std::size_t, int> scroll[] = {{0, 0}, {1, 0}, {4, 0}, {5, 1}, {16, 3}, {17, 4}, {500, 124}};
    for (auto [count, max] : scroll) EXPECT_EQ(ThumbnailScrollMaximum(count), max) << count;
    EXPECT_EQ(ThumbnailImageRect(640, 480), (TwipRect{300, 200, 1900, 1600}));
    EXPECT_EQ(ThumbnailImageRect(480, 640), (TwipRect{247.5, 0, 1500, 2000}));
    EXPECT_EQ(ThumbnailImageRect(500, 500), (TwipRect{-2.5, 0, 2000, 2000}));  // square counts as portrait
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

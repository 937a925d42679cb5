#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "core/browse/picture_files.h"
#include "core/browse/picture_open.h"
#include "core/browse/thumbnail_grid.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        char tmpl[] = "/tmp/browse_rules_XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    void touch(const std::string& name) const { std::ofstream(path_ / name) << "x"; }

private:
    fs::path path_;
};

TEST(BrowsePictureName, MatchesExtensionsBeginningWithJpInAnyCase) {
    struct Case {
        const char* name;
        bool listed;
    };
    const Case cases[] = {
        {"a.jpg", true},     {"A.JPG", true},   {"b.jpeg", true},    {"c.Jpe", true},   {"d.jp", true},
        {"x.y.jpg", true},   {"e.png", false},  {"f.bmp", false},    {"jpg", false},    {"g.j", false},
        {"h.jpg.bak", false}, {"i.xjpg", false}, {"._i.jpg", false}, {".jpg", false},   {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsListedPictureName(c.name), c.listed) << c.name;
}

TEST(BrowseListing, SortsByByteValueAndSkipsFoldersAndOtherFiles) {
    TempFolder dir;
    for (const char* n : {"B.jpg", "a.jpg", "A.jpeg", "notes.txt", "\xe6\x98\xa0.jpg"}) dir.touch(n);
    fs::create_directory(dir.path() / "sub.jpg");
    dir.touch("ro.JPG");
    fs::permissions(dir.path() / "ro.JPG", fs::perms::owner_read, fs::perm_options::replace);
    const PictureListing l = ListPictureFiles(dir.path());
    ASSERT_FALSE(l.readFailed);
    const std::vector<fs::path> want = {"A.jpeg", "B.jpg", "a.jpg", "ro.JPG", "\xe6\x98\xa0.jpg"};
    EXPECT_EQ(l.names, want);
    EXPECT_EQ(l.totalFound, 5u);
    EXPECT_FALSE(l.truncated());
}

TEST(BrowseListing, KeepsTheFirstNamesInOrderWhenOverTheLimitAndCountsTheRest) {
    TempFolder dir;
    for (int i = 12; i >= 0; --i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.jpg", i);
        dir.touch(name);
    }
    const PictureListing l = ListPictureFiles(dir.path(), 10);
    ASSERT_EQ(l.names.size(), 10u);
    EXPECT_EQ(l.names.front(), "f000.jpg");
    EXPECT_EQ(l.names.back(), "f009.jpg");
    EXPECT_EQ(l.totalFound, 13u);
    EXPECT_TRUE(l.truncated());
}

TEST(BrowseListing, MissingFolderGivesAnEmptyListingFlaggedAsFailed) {
    const PictureListing l = ListPictureFiles("/nonexistent/browse/folder");
    EXPECT_TRUE(l.readFailed);
    EXPECT_TRUE(l.names.empty());
    EXPECT_EQ(l.totalFound, 0u);
}

TEST(BrowseGrid, ScrollMaximumIsOneRowPerFourPictures) {
    const std::pair<std::size_t, int> cases[] = {{0, 0}, {1, 0}, {4, 0}, {5, 1}, {16, 3}, {17, 4}, {500, 124}};
    for (auto [count, max] : cases) EXPECT_EQ(ThumbnailScrollMaximum(count), max) << count;
}

TEST(BrowseGrid, CellAndPictureGeometry) {
    EXPECT_EQ(ThumbnailCellRect(0), (TwipRect{0, 0, 2555, 2295}));
    EXPECT_EQ(ThumbnailCellRect(6), (TwipRect{5070, 2280, 2555, 2295}));
    EXPECT_EQ(ThumbnailCellRect(15), (TwipRect{7610, 6840, 2555, 2295}));
    EXPECT_EQ(ThumbnailImageRect(640, 480), (TwipRect{300, 200, 1900, 1600}));
    EXPECT_EQ(ThumbnailImageRect(480, 640), (TwipRect{247.5, 0, 1500, 2000}));
    EXPECT_EQ(ThumbnailImageRect(500, 500), (TwipRect{-2.5, 0, 2000, 2000}));  // square counts as portrait
    EXPECT_EQ(TwipsToPixels(2555), 170);
    EXPECT_EQ(TwipsToPixels(247.5), 16);
}

TEST(BrowseOpenFromMain, OpensOnlyWithAFolderAFrameShownAndNoPlayback) {
    Recording rec;
    EXPECT_FALSE(PictureForMainDoubleClick(rec, "0001.jpg"));  // no folder
    rec.folder = "/cards/event 1 ";
    EXPECT_FALSE(PictureForMainDoubleClick(rec, ""));  // no frame shown
    rec.IsPlaying = true;
    EXPECT_FALSE(PictureForMainDoubleClick(rec, "0001.jpg"));
    rec.IsPlaying = false;
    EXPECT_EQ(PictureForMainDoubleClick(rec, "0001.jpg"), fs::path("/cards/event 1 /0001.jpg"));  // untrimmed
}

}  // namespace
}  // namespace drv

// drtool's picture commands: a frame as the writer makes it (through drtool sample), read back by
// an independent Exif tool, and the brightening of a frame.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/recording/recording_loader.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/hostile_pictures.h"
#include "tests/core/support/write_faults.h"

namespace drv {
namespace {

using test::Quote, test::Shell;

TEST(DrtoolSample, StderrStaysEmptyAndExiv2ReadsOurMakerNote) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    // Without a desktop session too, drtool writes nothing but its own output, also for the
    // commands that draw pictures with Qt.
    const std::string bare = "env -u XDG_RUNTIME_DIR " + test::Tool();
    const std::filesystem::path out = dir.path() / "rec";
    EXPECT_EQ(Shell(bare + " sample " + Quote(out) + " --frames 1 2>&1 >/dev/null; " + bare + " dump " + Quote(out) +
                    " 2>&1 >/dev/null")
                  .out,
              "");
    if (Shell("command -v exiv2 >/dev/null 2>&1").status != 0) GTEST_SKIP() << "exiv2 not installed";
    const std::filesystem::path frame = out / ListJpgFiles(out).at(1);
    std::istringstream bytes(Shell("exiv2 -Pv -K Exif.Photo.MakerNote " + Quote(frame) + " 2>/dev/null").out);
    std::string note;  // decimal bytes up to the terminating zero
    for (int v; bytes >> v && v != 0;) note += static_cast<char>(v);
    EXPECT_EQ(note.size(), 48u);
    EXPECT_EQ(note, ReadExifTags(frame).MakerNoteText);
}

// drtool brighten: either variant over a sample frame gives a lossless PNG; a factor the menu
// does not offer is a usage error.
TEST(DrtoolBrighten, WritesAPngOfEitherVariant) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    ASSERT_EQ(Shell(test::Tool() + " sample " + Quote(dir.path()) + " --frames 1").status, 0);
    const std::string in = Quote(dir.path() / ListJpgFiles(dir.path()).at(1));
    for (const std::string variant : {"", " --integer"}) {
        const std::filesystem::path out = dir.path() / ("out" + std::to_string(variant.size()) + ".png");
        EXPECT_EQ(Shell(test::Tool() + " brighten --factor 2.0" + variant + " " + in + " " + Quote(out)).status, 0);
        EXPECT_EQ(test::ReadFile(out).substr(0, 4), "\x89PNG") << variant;
    }
    EXPECT_EQ(
        Shell(test::Tool() + " brighten --factor 3 " + in + " " + Quote(dir.path() / "x.png") + " 2>/dev/null").status,
        2);
}

// Pictures built to hurt are refused from their header or at the scan limit, with the reason,
// and nothing is written: not the PNG, not a temporary file. A pipe named like a picture is
// refused at once rather than waited on.
TEST(DrtoolBrighten, RefusesHostilePicturesAndWritesNothing) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    test::WriteFile(dir.path() / "claims.jpg", test::ClaimedSizeJpeg(30000, 30000));
    test::WriteFile(dir.path() / "scans.jpg", test::ManyScansJpeg(20000));
    test::WriteFile(dir.path() / "text.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    ASSERT_EQ(::mkfifo((dir.path() / "pipe.jpg").c_str(), 0600), 0);
    const struct {
        const char *in, *reason;
    } cases[] = {
        {"claims.jpg", "claims 30000 x 30000 pixels, more than 4096 x 4096"},
        {"scans.jpg", "past 100 progressive scans"},
        {"text.jpg", "cannot read"},
        {"pipe.jpg", "not an ordinary picture file"},
    };
    const std::vector<std::string> before = test::Entries(dir.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        const test::ShellRun run = Shell("timeout 20 " + test::Tool() + " brighten --factor 1.5 " +
                                         Quote(dir.path() / c.in) + " " + Quote(dir.path() / "out.png") + " 2>&1");
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.out.find(c.reason), std::string::npos) << run.out;
        EXPECT_EQ(test::Entries(dir.path()), before);
    }
}

}  // namespace
}  // namespace drv

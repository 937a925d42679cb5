// Frames as the writer makes them (through drtool sample), in both byte orders, read back by an
// independent Exif tool.
#include <gtest/gtest.h>
#include <sstream>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/loading/frame_loader.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

using test::Quote, test::Shell;

TEST(DrtoolSample, Exiv2ReadsOurMakerNoteAndStderrStaysEmpty) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    const bool exiv2 = Shell("command -v exiv2 >/dev/null 2>&1").status == 0;
    // Without a desktop session too, drtool writes nothing but its own output, also for the
    // commands that draw pictures with Qt.
    const std::string bare = "env -u XDG_RUNTIME_DIR " + test::Tool();
    for (const char* order : {"II", "MM"}) {
        SCOPED_TRACE(order);
        const std::filesystem::path out = dir.path() / order;
        EXPECT_EQ(Shell(bare + " sample " + Quote(out) + " --frames 1 --byte-order " + order + " 2>&1 >/dev/null; " +
                        bare + " dump " + Quote(out) + " 2>&1 >/dev/null").out,
                  "");
        if (!exiv2) continue;
        const std::filesystem::path frame = out / ListJpgFiles(out).at(1);
        std::istringstream bytes(Shell("exiv2 -Pv -K Exif.Photo.MakerNote " + Quote(frame) + " 2>/dev/null").out);
        std::string note;  // decimal bytes up to the terminating zero
        for (int v; bytes >> v && v != 0;) note += static_cast<char>(v);
        EXPECT_EQ(note.size(), 48u);
        EXPECT_EQ(note, ReadExifTags(frame).MakerNoteText);
    }
}

}  // namespace
}  // namespace drv

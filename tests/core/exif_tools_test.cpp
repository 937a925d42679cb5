// drtool sample and dump end to end, and an independent Exif tool reading our frames.
#include <gtest/gtest.h>
#include <cctype>
#include <sstream>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/loading/frame_loader.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

using test::Quote, test::Shell, test::ShellRun;

ShellRun Dtool(const std::string& args) { return Shell(test::Tool() + " " + args + " 2>/dev/null"); }

TEST(DrtoolSample, BothByteOrdersDumpTheSameFrames) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    const std::string ii = Quote(dir.path() / "ii"), mm = Quote(dir.path() / "mm");
    const std::string opts =
        " --frames 24 --fps 7 --quality low --trigger 10 --kind switch --rotate 6 --no-pictures --start 2021-03-04T05:06:07";
    EXPECT_EQ(Dtool("sample " + ii + " --start 2021-02-30T00:00:00").status, 2);
    ASSERT_EQ(Dtool("sample " + ii + opts).status, 0);
    ASSERT_EQ(Dtool("sample " + mm + opts + " --byte-order MM").status, 0);
    const ShellRun a = Dtool("dump " + ii), b = Dtool("dump " + mm);
    const std::size_t at = a.out.find("\"frameCount\""), bt = b.out.find("\"frameCount\"");  // past the folder
    ASSERT_TRUE(a.status == 0 && at != std::string::npos && bt != std::string::npos) << a.out << b.out;
    EXPECT_EQ(a.out.substr(at), b.out.substr(bt));
    // Nothing but its own output, even without a desktop session: stderr stays empty.
    EXPECT_EQ(Shell("env -u XDG_RUNTIME_DIR " + test::Tool() + " dump " + ii + " 2>&1 >/dev/null").out, "");
    EXPECT_EQ(a.out.find("\"frameCount\": 24, \"triggerFound\": true, \"triggerPosition\": 500, "
                         "\"triggerKind\": \"外部スイッチ\", \"vehicleSignalsPresent\": true, \"noMainSpeed\": false, "
                         "\"highFrameRate\": false, \"highQuality\": false"),
              at);
    // The listing starts at file 00001 (frame 20); the time order puts frame 1 (file 00006) first.
    EXPECT_NE(a.out.find("{\"index\": 1, \"file\": \"00006.JPG\""), std::string::npos);
    EXPECT_LT(a.out.find("\"recordedAt\": \"2021/03/04 05:06:07\""), a.out.find("{\"index\": 2,"));
    EXPECT_NE(a.out.find("{\"index\": 24, \"file\": \"00005.JPG\""), std::string::npos);
}

// One tag of `exiv2 -pv`: "0x9003 Photo DateTimeOriginal Ascii 20 2007:10:10 04:18:59".
std::string Exiv2Value(const std::string& listing, const std::string& tagName) {
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string tag, group, name, type, count, rest;
        words >> tag >> group >> name >> type >> count >> std::ws;
        std::getline(words, rest);
        if (name == tagName) return rest;
    }
    return "<missing>";
}

TEST(Exiv2CrossCheck, ReadsTheSameFiveTagsFromSampleFrames) {
    DRV_REQUIRE_TOOL();
    if (Shell("command -v exiv2 >/dev/null 2>&1").status != 0) GTEST_SKIP() << "exiv2 not installed";
    test::TempFolder dir;
    for (const char* order : {"II", "MM"}) {
        const std::filesystem::path out = dir.path() / order;
        ASSERT_EQ(Dtool("sample " + Quote(out) + " --frames 2 --trigger 2 --byte-order " + order).status, 0);
        for (const auto& name : ListJpgFiles(out)) {
            if (name.empty()) continue;
            SCOPED_TRACE(std::string(order) + " " + name.string());
            const std::string file = Quote(out / name);
            const ExifTags ours = ReadExifTags(out / name);
            const ShellRun pv = Shell("exiv2 -pv " + file + " 2>/dev/null");
            ASSERT_EQ(pv.status, 0) << pv.out;
            EXPECT_EQ(Exiv2Value(pv.out, "DateTime"), ours.DateTimeText);
            EXPECT_EQ(Exiv2Value(pv.out, "DateTimeOriginal"), ours.DateTimeOriginalText);
            EXPECT_EQ(Exiv2Value(pv.out, "DateTimeDigitized"), ours.DateTimeDigitizedText);
            std::istringstream bytes(Exiv2Value(pv.out, "MakerNote"));  // decimal byte values up to the zero
            std::string note;
            for (int v; bytes >> v && v != 0;) note += static_cast<char>(v);
            EXPECT_EQ(note, ours.MakerNoteText);
            // The UserComment as a hex dump after its tag line: "  0000  00 00 ...  ....".
            std::istringstream lines(Shell("exiv2 -ph -K Exif.Photo.UserComment " + file + " 2>/dev/null").out);
            std::string line, hex;
            std::getline(lines, line);
            while (std::getline(lines, line))
                for (std::size_t k = 0; k < 16 && 8 + 3 * k + 2 <= line.size() && line[8 + 3 * k] != ' '; ++k)
                    for (std::size_t d : {8 + 3 * k, 9 + 3 * k}) hex += static_cast<char>(std::toupper(line[d]));
            EXPECT_EQ(hex, ours.UserCommentHex);
            EXPECT_EQ(ours.UserCommentHex.size(), 188u);
        }
    }
}

}  // namespace
}  // namespace drv

// drtool sample / dump end to end, and an independent Exif tool reading our frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/loading/frame_loader.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

using test::Quote;
using test::Shell;
using test::ShellRun;

ShellRun Dtool(const std::string& args) { return Shell(test::Tool() + " " + args + " 2>/dev/null"); }
ShellRun DtoolStderr(const std::string& args) { return Shell(test::Tool() + " " + args + " 2>&1 >/dev/null"); }

// The JSON without its first field (the folder), so that two folders compare.
std::string WithoutFolder(const std::string& json) { return json.substr(json.find("\"frameCount\"")); }

TEST(DrtoolSample, OptionsReachTheFlagsAndBothByteOrdersDumpAlike) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    const std::string ii = Quote(dir.path() / "ii"), mm = Quote(dir.path() / "mm");
    const std::string opts = " --frames 24 --fps 7 --quality low --trigger 10 --kind switch --rotate 6";
    ASSERT_EQ(Dtool("sample " + ii + opts).status, 0);
    ASSERT_EQ(Dtool("sample " + mm + opts + " --byte-order MM").status, 0);
    const ShellRun a = Dtool("dump " + ii);
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(WithoutFolder(a.out), WithoutFolder(Dtool("dump " + mm).out));
    EXPECT_NE(a.out.find("\"frameCount\": 24, \"triggerFound\": true, \"triggerPosition\": 500, "
                         "\"triggerKind\": \"外部スイッチ\", \"vehicleSignalsPresent\": true, \"noMainSpeed\": false, "
                         "\"highFrameRate\": false, \"highQuality\": false"),
              std::string::npos)
        << a.out.substr(0, 400);
    // The listing starts at file 00001 (frame 20); the time order puts frame 1 (file 00006) first.
    EXPECT_NE(a.out.find("{\"index\": 1, \"file\": \"00006.JPG\""), std::string::npos);
    EXPECT_NE(a.out.find("{\"index\": 24, \"file\": \"00005.JPG\""), std::string::npos);

    // The opposite flags, and more frames than the sample table holds.
    const std::string s = Quote(dir.path() / "s");
    ASSERT_EQ(Dtool("sample " + s +
                    " --frames 442 --no-pictures --kind power-cut --trigger 441 --no-vehicle-signals --no-main-speed")
                  .status,
              0);
    const ShellRun dump = Dtool("dump " + s);
    ASSERT_EQ(dump.status, 0);
    EXPECT_NE(dump.out.find("\"frameCount\": 442, \"triggerFound\": true, \"triggerPosition\": 22050, "
                            "\"triggerKind\": \"常時電源切断\", \"vehicleSignalsPresent\": false, \"noMainSpeed\": true, "
                            "\"highFrameRate\": true, \"highQuality\": true"),
              std::string::npos);
    const ShellRun csv = Dtool("dump " + s + " --format csv");
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 443);
}

TEST(DrtoolSample, RefusesBadOptionsAndFolders) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    const std::string out = Quote(dir.path() / "s");
    for (const char* bad : {" --fps 10", " --frames 0", " --kind maybe", " --byte-order XX", " --trigger 9 --frames 5",
                            " --frames", " --bogus"})
        EXPECT_NE(Dtool("sample " + out + bad).status, 0) << bad;
    EXPECT_EQ(Dtool("sample /proc/drv-no-such-place/rec --frames 2").status, 1);
    // dump: errors go to stderr with status 1.
    struct Case { std::string folder; const char* message; };
    for (const Case& c : {Case{(dir.path() / "none").string(), "no such folder"}, {dir.path().string(), "no .jpg frames"}}) {
        const ShellRun run = DtoolStderr("dump " + Quote(c.folder));
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    }
}

// exiv2 -pv lines: "0x9003 Photo DateTimeOriginal Ascii 20 2007:10:10 04:18:59".
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
        ASSERT_EQ(Dtool("sample " + Quote(out) + " --frames 3 --trigger 2 --byte-order " + order).status, 0);
        for (const auto& name : ListJpgFiles(out)) {
            if (name.empty()) continue;
            const std::string file = Quote(out / name);
            const ExifTags ours = ReadExifTags(out / name);
            const ShellRun pv = Shell("exiv2 -pv " + file);
            ASSERT_EQ(pv.status, 0) << pv.out;
            EXPECT_EQ(Exiv2Value(pv.out, "DateTime"), ours.DateTimeText);
            EXPECT_EQ(Exiv2Value(pv.out, "DateTimeOriginal"), ours.DateTimeOriginalText);
            EXPECT_EQ(Exiv2Value(pv.out, "DateTimeDigitized"), ours.DateTimeDigitizedText);
            // MakerNote as decimal byte values, ending with the zero.
            std::istringstream bytes(Exiv2Value(pv.out, "MakerNote"));
            std::string note;
            for (int b; bytes >> b && b != 0;) note += static_cast<char>(b);
            EXPECT_EQ(note, ours.MakerNoteText);
            // UserComment as a hex dump after the tag line: "  0000  00 00 ...  ....".
            std::istringstream lines(Shell("exiv2 -ph -K Exif.Photo.UserComment " + file).out);
            std::string line, hex;
            std::getline(lines, line);
            while (std::getline(lines, line)) {
                for (std::size_t k = 0; k < 16 && 8 + 3 * k + 2 <= line.size() && line[8 + 3 * k] != ' '; ++k) {
                    hex += static_cast<char>(std::toupper(line[8 + 3 * k]));
                    hex += static_cast<char>(std::toupper(line[9 + 3 * k]));
                }
            }
            EXPECT_EQ(hex, ours.UserCommentHex);
            EXPECT_EQ(ours.UserCommentHex.size(), 188u);
        }
    }
}

}  // namespace
}  // namespace drv

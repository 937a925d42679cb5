// Frames as the writer makes them (through drtool sample): the same telemetry in both byte
// orders, read back by drtool dump and by an independent Exif tool.
#include <gtest/gtest.h>
#include <cctype>
#include <sstream>
#include <string>
#include <tuple>

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
    // Nothing but its own output, even without a desktop session: stderr stays empty, also for
    // the commands that draw pictures with Qt.
    const std::string bare = "env -u XDG_RUNTIME_DIR " + test::Tool();
    EXPECT_EQ(Shell(bare + " sample " + Quote(dir.path() / "q") + " --frames 1 2>&1 >/dev/null; " + bare + " dump " + ii +
                    " 2>&1 >/dev/null").out,
              "");
    EXPECT_EQ(a.out.find("\"frameCount\": 24, \"triggerFound\": true, \"triggerPosition\": 500, "
                         "\"triggerKind\": \"外部スイッチ\", \"vehicleSignalsPresent\": true, \"noMainSpeed\": false, "
                         "\"highFrameRate\": false, \"highQuality\": false"),
              at);
    // The listing starts at file 00001 (frame 20); the time order puts frame 1 (file 00006) first.
    EXPECT_NE(a.out.find("{\"index\": 1, \"file\": \"00006.JPG\""), std::string::npos);
    EXPECT_LT(a.out.find("\"recordedAt\": \"2021/03/04 05:06:07\""), a.out.find("{\"index\": 2,"));
    EXPECT_NE(a.out.find("{\"index\": 24, \"file\": \"00005.JPG\""), std::string::npos);
}

// What exiv2 reads from a frame, in our reader's terms: the dates, the MakerNote up to its zero
// (printed as decimal bytes) and the UserComment as hex from its dump ("  0000  00 00 ...  ....").
ExifTags Exiv2Tags(const std::string& file) {
    ExifTags t;
    std::istringstream pv(Shell("exiv2 -PEkv -K Exif.Image.DateTime -K Exif.Photo.DateTimeOriginal -K "
                                "Exif.Photo.DateTimeDigitized -K Exif.Photo.MakerNote " + file + " 2>/dev/null").out);
    for (std::string line; std::getline(pv, line);) {
        const std::size_t gap = line.find(' '), at = line.find_first_not_of(' ', gap);
        const std::string key = line.substr(0, gap), value = at == std::string::npos ? "" : line.substr(at);
        if (key == "Exif.Image.DateTime") t.DateTimeText = value;
        if (key == "Exif.Photo.DateTimeOriginal") t.DateTimeOriginalText = value;
        if (key == "Exif.Photo.DateTimeDigitized") t.DateTimeDigitizedText = value;
        std::istringstream bytes(key == "Exif.Photo.MakerNote" ? value : "");
        for (int v; bytes >> v && v != 0;) t.MakerNoteText += static_cast<char>(v);
    }
    std::istringstream dump(Shell("exiv2 -ph -K Exif.Photo.UserComment " + file + " 2>/dev/null").out);
    std::string line;
    for (std::getline(dump, line); std::getline(dump, line);)
        for (char c : line.substr(std::min<std::size_t>(8, line.size()), 48))
            if (c != ' ') t.UserCommentHex += static_cast<char>(std::toupper(c));
    return t;
}

TEST(Exiv2CrossCheck, ReadsTheSameFiveTagsFromSampleFrames) {
    DRV_REQUIRE_TOOL();
    if (Shell("command -v exiv2 >/dev/null 2>&1").status != 0) GTEST_SKIP() << "exiv2 not installed";
    test::TempFolder dir;
    auto texts = [](const ExifTags& t) {
        return std::tie(t.DateTimeText, t.DateTimeOriginalText, t.DateTimeDigitizedText, t.MakerNoteText, t.UserCommentHex);
    };
    for (const char* order : {"II", "MM"}) {
        const std::filesystem::path out = dir.path() / order;
        ASSERT_EQ(Dtool("sample " + Quote(out) + " --frames 2 --trigger 2 --byte-order " + order).status, 0);
        for (const auto& name : ListJpgFiles(out)) {
            if (name.empty()) continue;
            SCOPED_TRACE(std::string(order) + " " + name.string());
            const ExifTags ours = ReadExifTags(out / name);
            ASSERT_TRUE(ours.MakerNoteText.size() == 48 && ours.UserCommentHex.size() == 188);
            EXPECT_EQ(texts(Exiv2Tags(Quote(out / name))), texts(ours));
        }
    }
}

}  // namespace
}  // namespace drv

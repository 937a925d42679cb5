// drtool sample / dump end to end, and an independent Exif tool reading our frames.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/loading/frame_loader.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

struct ShellRun {
    int status = -1;
    std::string out;
};

ShellRun Shell(const std::string& command) {
    ShellRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.out.append(buf.data(), n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Tool() {
    const char* tool = std::getenv("DRV_TOOL");
    return tool ? tool : "";
}

#define REQUIRE_TOOL() \
    if (Tool().empty()) GTEST_SKIP() << "DRV_TOOL not set"

ShellRun Dtool(const std::string& args) { return Shell(Quote(Tool()) + " " + args + " 2>/dev/null"); }

// The JSON without its first field (the folder), so that two folders compare.
std::string WithoutFolder(const std::string& json) { return json.substr(json.find("\"frameCount\"")); }

TEST(DrtoolSample, BothByteOrdersDumpToIdenticalFrames) {
    REQUIRE_TOOL();
    test::TempFolder dir;
    const std::string ii = (dir.path() / "ii").string(), mm = (dir.path() / "mm").string();
    const std::string opts = " --frames 24 --fps 7 --quality low --trigger 10 --kind switch --rotate 6";
    ASSERT_EQ(Dtool("sample " + Quote(ii) + opts).status, 0);
    ASSERT_EQ(Dtool("sample " + Quote(mm) + opts + " --byte-order MM").status, 0);
    const ShellRun a = Dtool("dump " + Quote(ii));
    const ShellRun b = Dtool("dump " + Quote(mm));
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(WithoutFolder(a.out), WithoutFolder(b.out));
    EXPECT_NE(a.out.find("\"frameCount\": 24, \"triggerFound\": true, \"triggerPosition\": 500, "
                         "\"triggerKind\": \"外部スイッチ\", \"vehicleSignalsPresent\": true, \"noMainSpeed\": false, "
                         "\"highFrameRate\": false, \"highQuality\": false"),
              std::string::npos)
        << a.out.substr(0, 400);
    // The listing starts at file 00001 (frame 20); the time order puts frame 1 (file 00006) first.
    EXPECT_NE(a.out.find("{\"index\": 1, \"file\": \"00006.JPG\""), std::string::npos);
    EXPECT_NE(a.out.find("{\"index\": 24, \"file\": \"00005.JPG\""), std::string::npos);
}

TEST(DrtoolSample, OptionsReachTheFlags) {
    REQUIRE_TOOL();
    test::TempFolder dir;
    const std::string out = (dir.path() / "s").string();
    ASSERT_EQ(Dtool("sample " + Quote(out) +
                    " --frames 442 --no-pictures --kind power-cut --trigger 441 --no-vehicle-signals --no-main-speed")
                  .status,
              0);
    const ShellRun dump = Dtool("dump " + Quote(out));
    ASSERT_EQ(dump.status, 0);
    EXPECT_NE(dump.out.find("\"frameCount\": 442, \"triggerFound\": true, \"triggerPosition\": 22050, "
                            "\"triggerKind\": \"常時電源切断\", \"vehicleSignalsPresent\": false, \"noMainSpeed\": true, "
                            "\"highFrameRate\": true, \"highQuality\": true"),
              std::string::npos);
    EXPECT_NE(dump.out.find("{\"index\": 442, "), std::string::npos);
    EXPECT_EQ(dump.out.find("\"samples\": null"), dump.out.rfind("\"samples\": null"));
    EXPECT_NE(dump.out.find("\"samples\": null}\n]}"), std::string::npos);

    const ShellRun csv = Dtool("dump " + Quote(out) + " --format csv");
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 443);
}

TEST(DrtoolSample, RefusesBadOptions) {
    REQUIRE_TOOL();
    test::TempFolder dir;
    const std::string out = Quote((dir.path() / "s").string());
    for (const char* bad : {" --fps 10", " --frames 0", " --kind maybe", " --byte-order XX", " --trigger 9 --frames 5",
                            " --frames", " --bogus"}) {
        EXPECT_NE(Dtool("sample " + out + bad).status, 0) << bad;
    }
    EXPECT_EQ(Dtool("sample /proc/drv-no-such-place/rec --frames 2").status, 1);
}

TEST(DrtoolDump, WorkedExamplesThroughTheTool) {
    REQUIRE_TOOL();
    struct Case { std::vector<std::pair<int, std::uint8_t>> marks; std::string expect; };  // (frame, kind) ...
    // kind: 6 switch, 2 shock, 0x60 power cut (second form)
    for (const Case& c :
         {Case{{{3, 6}}, "\"triggerFound\": true, \"triggerPosition\": 150, \"triggerKind\": \"外部スイッチ\""},
          Case{{{2, 0x60}, {4, 2}}, "\"triggerFound\": true, \"triggerPosition\": 100, \"triggerKind\": \"衝撃検出撮影\""},
          Case{{{2, 0x60}}, "\"triggerFound\": true, \"triggerPosition\": 100, \"triggerKind\": \"常時電源切断\""},
          Case{{}, "\"triggerFound\": false, \"triggerPosition\": 10050, \"triggerKind\": \"\""}}) {
        test::TempFolder dir;
        for (int i = 1; i <= 5; ++i) {
            FrameExif exif = test::ExampleExif(i % 2 == 0);
            for (const auto& [frame, kind] : c.marks) {
                if (frame != i) continue;
                if (kind == 0x60) {
                    exif.block(24) = 0x60;
                    exif.block(34) = 0x04;
                } else {
                    exif.block(0) = kind;
                }
            }
            const auto path = dir.path() / ("f" + std::to_string(i) + ".jpg");
            test::WriteFile(path, test::FrameBytes(exif));
            test::SetModificationTime(path, 1'000'000 + i);
        }
        const ShellRun dump = Dtool("dump " + Quote(dir.path().string()));
        ASSERT_EQ(dump.status, 0);
        EXPECT_NE(dump.out.find(c.expect), std::string::npos) << dump.out.substr(0, 300);
        EXPECT_NE(dump.out.find("\"speed\": 52.3, \"pulseSpeed\": 0, \"brake\": true, \"accelLongitudinal\": 0.25, "
                                "\"accelLateral\": 0.12, \"accelAxis3\": 0.98, \"recordedAt\": \"2007/10/10 04:18:59\", "
                                "\"latitude\": \"N  35度40分41秒2\""),
                  std::string::npos);
    }
}

TEST(DrtoolDump, ErrorsGoToStderrWithStatus1) {
    REQUIRE_TOOL();
    test::TempFolder dir;
    const ShellRun missing = Shell(Quote(Tool()) + " dump " + Quote((dir.path() / "none").string()) + " 2>&1 >/dev/null");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("no such folder"), std::string::npos);
    const ShellRun empty = Shell(Quote(Tool()) + " dump " + Quote(dir.path().string()) + " 2>&1 >/dev/null");
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.out.find("no .jpg frames"), std::string::npos);
}

// exiv2 -pv lines: "0x9003 Photo DateTimeOriginal Ascii 20 2007:10:10 04:18:59".
std::string Exiv2Value(const std::string& listing, const std::string& tagName) {
    std::istringstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string tag, group, name, type, count, rest;
        words >> tag >> group >> name >> type >> count >> std::ws;
        std::getline(words, rest);
        if (name == tagName) return rest;
    }
    return "<missing>";
}

TEST(Exiv2CrossCheck, ReadsTheSameFiveTagsFromSampleFrames) {
    REQUIRE_TOOL();
    if (Shell("command -v exiv2 >/dev/null 2>&1").status != 0) GTEST_SKIP() << "exiv2 not installed";
    test::TempFolder dir;
    for (const char* order : {"II", "MM"}) {
        const std::filesystem::path out = dir.path() / order;
        ASSERT_EQ(Dtool("sample " + Quote(out.string()) + " --frames 3 --trigger 2 --byte-order " + order).status, 0);
        for (const auto& name : ListJpgFiles(out)) {
            if (name.empty()) continue;
            const std::string file = Quote((out / name).string());
            const ExifTags ours = ReadExifTags(out / name);
            const ShellRun pv = Shell("exiv2 -pv " + file);
            ASSERT_EQ(pv.status, 0) << pv.out;
            EXPECT_EQ(Exiv2Value(pv.out, "DateTime"), ours.DateTimeText);
            EXPECT_EQ(Exiv2Value(pv.out, "DateTimeOriginal"), ours.DateTimeOriginalText);
            EXPECT_EQ(Exiv2Value(pv.out, "DateTimeDigitized"), ours.DateTimeDigitizedText);
            // MakerNote as decimal byte values, ending with the zero.
            std::istringstream bytes(Exiv2Value(pv.out, "MakerNote"));
            std::string note;
            int b;
            while (bytes >> b && b != 0) note += static_cast<char>(b);
            EXPECT_EQ(note, ours.MakerNoteText);
            // UserComment as a hex dump: "  0000  00 00 ...  ....".
            const ShellRun ph = Shell("exiv2 -ph -K Exif.Photo.UserComment " + file);
            std::istringstream lines(ph.out);
            std::string line, hex;
            std::getline(lines, line);  // the tag line
            while (std::getline(lines, line)) {
                for (std::size_t k = 0; k < 16 && 8 + 3 * k + 2 <= line.size(); ++k) {
                    const std::string pair = line.substr(8 + 3 * k, 2);
                    if (pair == "  ") break;
                    hex += static_cast<char>(std::toupper(pair[0]));
                    hex += static_cast<char>(std::toupper(pair[1]));
                }
            }
            EXPECT_EQ(hex, ours.UserCommentHex) << ph.out;
            EXPECT_EQ(ours.UserCommentHex.size(), 188u);
        }
    }
}

}  // namespace
}  // namespace drv

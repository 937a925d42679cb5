#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/recording/recording_loader.h"
#include "core/settings/setup_file.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/hostile_pictures.h"
#include "tests/core/support/write_faults.h"

namespace drv {
namespace {

namespace fs = std::filesystem;
using test::Quote, test::Shell;

TEST(DrtoolWrites, AFullDiskKeepsTheOlderFile) {
    DRV_REQUIRE_TOOL();
    test::SmallDisk disk(64 * 1024);
    DRV_REQUIRE_SMALL_DISK(disk);
    const test::TempFolder dir;
    const fs::path rec = dir.path() / "rec";
    ASSERT_EQ(Shell(test::Tool() + " sample " + Quote(rec) + " --frames 3").status, 0);
    const std::string frame = Quote(rec / ListJpgFiles(rec).at(1));
    const struct {
        const char* name;
        std::string args;
    } cases[] = {
        {"out.png", " brighten --factor 2.0 " + frame + " "},
        {"setup.dat", " setup encode --pre 10 "},
        {"out.csv", " export " + Quote(rec) + " --format csv -o "},
    };
    for (const auto& c : cases) test::WriteText(disk.path() / c.name, std::string("older ") + c.name);
    Shell("cat /dev/zero > " + Quote(disk.path() / "filler") + " 2>/dev/null");  // every byte left on the disk
    const auto before = test::Entries(disk.path());
    for (const auto& c : cases) {
        EXPECT_EQ(Shell(test::Tool() + c.args + Quote(disk.path() / c.name) + " 2>/dev/null").status, 1) << c.name;
        EXPECT_EQ(test::ReadFile(disk.path() / c.name), std::string("older ") + c.name);
        EXPECT_EQ(test::Entries(disk.path()), before);
    }
}

TEST(DrtoolWrites, SampleNeverLeavesATruncatedFrame) {
    DRV_REQUIRE_TOOL();
    test::SmallDisk disk(96 * 1024);
    DRV_REQUIRE_SMALL_DISK(disk);
    const fs::path rec = disk.path() / "rec";
    EXPECT_EQ(Shell(test::Tool() + " sample " + Quote(rec) + " --frames 20 2>/dev/null").status, 1);
    for (const std::string& name : test::Entries(rec)) {
        const std::string bytes = test::ReadFile(rec / name);
        ASSERT_GE(bytes.size(), 4u) << name;
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9") << name << " is cut short";
        EXPECT_NE(name[0], '.') << name << " is a temporary file left behind";
    }
}

TEST(DrtoolWrites, EveryCommandAnswersHelp) {
    DRV_REQUIRE_TOOL();
    std::istringstream list(Shell(test::Tool() + " help").out);
    int commands = 0;
    for (std::string line; std::getline(list, line);) {
        const std::string prefix = "  drtool ";
        if (line.rfind(prefix, 0) != 0 || line[prefix.size()] == '-' || line.substr(prefix.size()) == "help") continue;
        std::string name = line.substr(prefix.size());
        name = name.substr(0, name.find(' '));
        SCOPED_TRACE(name);
        ++commands;
        for (const std::string ask : {" -h", " x --help"}) {
            const test::ShellRun run = Shell("cd /tmp && " + test::Tool() + " " + name + ask + " 2>&1");
            EXPECT_EQ(run.status, 0) << ask;
            EXPECT_EQ(run.out.rfind("usage: drtool " + name, 0), 0u) << ask << ": " << run.out;
        }
        EXPECT_EQ(Shell(test::Tool() + " help " + name).status, 0);
    }
    EXPECT_GE(commands, 7);
    EXPECT_EQ(Shell(test::Tool() + " help nosuchcommand 2>/dev/null").status, 2);
}

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
// does not offer is a usage error. Pictures built to hurt are refused from their header or at the
// scan limit, with the reason, and nothing is written: not the PNG, not a temporary file. A pipe
// named like a picture is refused at once rather than waited on.
TEST(DrtoolBrighten, WritesAPngOrRefusesWithTheReasonAndWritesNothing) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    ASSERT_EQ(Shell(test::Tool() + " sample " + Quote(dir.path() / "rec") + " --frames 1").status, 0);
    test::WriteFile(dir.path() / "claims.jpg", test::ClaimedSizeJpeg(30000, 30000));
    test::WriteText(dir.path() / "text.jpg", "not a pic");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe.jpg").c_str(), 0600), 0);
    const std::string frame = Quote(fs::path("rec") / ListJpgFiles(dir.path() / "rec").at(1));
    const struct {
        std::string args;
        int status;
        const char* reason;
    } cases[] = {
        {"2.0 " + frame, 0, ""},
        {"2.0 --integer " + frame, 0, ""},
        {"3 " + frame, 2, ""},
        {"1.5 claims.jpg", 1, "claims 30000 x 30000 pixels, more than 4096 x 4096"},
        {"1.5 text.jpg", 1, "cannot read"},
        {"1.5 pipe.jpg", 1, "not an ordinary picture file"},
    };
    const std::vector<std::string> before = test::Entries(dir.path());
    for (const auto& c : cases) {
        const test::ShellRun run = Shell("cd " + Quote(dir.path()) + " && timeout 20 " + test::Tool() +
                                         " brighten --factor " + c.args + " out.png 2>&1");
        EXPECT_EQ(run.status, c.status) << c.args << ": " << run.out;
        EXPECT_NE(run.out.find(c.reason), std::string::npos) << run.out;
        if (c.status == 0) {
            EXPECT_EQ(test::ReadFile(dir.path() / "out.png").substr(0, 4), "\x89PNG");
            fs::remove(dir.path() / "out.png");
        }
        EXPECT_EQ(test::Entries(dir.path()), before);
    }
}

test::ShellRun RunSetup(const std::string& args, const std::filesystem::path& file) {
    return test::Shell(test::Tool() + " setup " + args + " " + test::Quote(file) + " 2>/dev/null");
}

TEST(SettingsTool, EncodeDecodeAndRefusals) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    const auto file = dir.path() / "setup.dat";
    ASSERT_EQ(RunSetup("encode --danger 15 --shock 16 --speed-pulse 5 --buzzer 0 --external-switch 0 --drive-unit 1 "
                       "--fps 14 --quality high --pre 7 --post 5 --clock 2007-10-10T12:34:56",
                       file)
                  .status,
              0);
    EXPECT_EQ(test::ReadFile<SetupBytes>(file),
              (SetupBytes{0xFF, 0, 0, 0x5F, 0xC4, 0x57, 0, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0xFA}));
    EXPECT_NE(RunSetup("decode", file).out.find("\"ClockRequest\": \"2007-10-10T12:34:56\""), std::string::npos);
    // A value that cannot be stored writes nothing; a short file is no setup.
    const auto bad = dir.path() / "bad.dat";
    EXPECT_EQ(RunSetup("encode --pre 16", bad).status, 1);
    EXPECT_FALSE(std::filesystem::exists(bad));
    test::WriteFile(bad, {0x07, 0, 0, 0x11, 0x02});
    EXPECT_EQ(RunSetup("decode", bad).status, 1);
}

}  // namespace
}  // namespace drv

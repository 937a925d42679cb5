// drtool's writes as a user meets them: a full disk, a sample cut short, and every command's --help.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "core/recording/recording_loader.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/write_faults.h"

namespace drv {
namespace {

namespace fs = std::filesystem;
using test::Quote, test::Shell;

// Takes every byte left on the disk, so that the next write fails with ENOSPC.
void FillUp(const fs::path& disk) {
    const int fd = ::open((disk / "filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
}

// On a full disk each command fails, keeps the older file whole and leaves no temporary file.
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
    FillUp(disk.path());
    const auto before = test::Entries(disk.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Shell(test::Tool() + c.args + Quote(disk.path() / c.name) + " 2>/dev/null").status, 1);
        EXPECT_EQ(test::ReadFile(disk.path() / c.name), std::string("older ") + c.name);
        EXPECT_EQ(test::Entries(disk.path()), before);
    }
}

// A sample that runs out of room stops with an error; every frame it leaves is whole.
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

// Every command, those added later included, answers --help with its usage and status 0,
// without running.
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

}  // namespace
}  // namespace drv

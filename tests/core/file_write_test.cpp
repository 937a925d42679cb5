// The one writer: whole or nothing, through links, keeping permissions, never over a device.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/common/file_write.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/write_faults.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// Every way a write can fail once its temporary file exists: the older file stays whole, keeps
// its mode, and no temporary file is left beside it.
TEST(FileWrite, AFailureAfterTheTemporaryFileExistsLeavesTheTargetAndNoTemporary) {
    const auto failWith = [](int error) { return [error](auto...) { return errno = error, -1; }; };
    const std::string big(100000, 'x');
    const struct {
        const char* name;
        WriteCalls calls;
        int errorNumber;
    } cases[] = {
        {"disk full at once", test::DiskFullAfter(0), ENOSPC},
        {"disk full midway", test::DiskFullAfter(5000), ENOSPC},
        {"write takes nothing", {.write = [](int, const void*, std::size_t) -> ssize_t { return 0; }}, ENOSPC},
        {"card pulled during write", {.write = failWith(EIO)}, EIO},
        {"flush fails", {.fsync = failWith(ENOSPC)}, ENOSPC},
        {"close fails", {.close = [](int fd) { return ::close(fd), errno = EIO, -1; }}, EIO},
        {"rename refused", {.rename = failWith(EACCES)}, EACCES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::TempFolder dir;
        const fs::path target = dir.path() / "out.png";
        test::WriteText(target, "old");
        ::chmod(target.c_str(), 0600);
        Status status;
        {
            const ScopedWriteCalls faults(c.calls);
            status = ReplaceFileContents(target, big);
        }
        EXPECT_FALSE(status.ok);
        EXPECT_EQ(status.errorNumber, c.errorNumber) << status.message;
        EXPECT_EQ(test::ReadFile(target), "old");
        EXPECT_EQ(modeOf(target), 0600u);
        EXPECT_EQ(test::Entries(dir.path()), std::vector<std::string>{"out.png"});
    }
}

// The streaming form: a failed chunk sticks, commit refuses, and dropping the object (Cancel,
// an early return) removes the temporary file.
TEST(FileWrite, StreamingFailuresAndAbandonmentLeaveNothing) {
    const test::TempFolder dir;
    const fs::path target = dir.path() / "video.mp4";
    {
        ReplacingFile file;
        ASSERT_TRUE(file.open(target));
        EXPECT_TRUE(fs::exists(file.temporaryPath()));
        ASSERT_TRUE(file.write("part one"));
    }
    EXPECT_TRUE(test::Entries(dir.path()).empty());
    {
        ReplacingFile file;
        ASSERT_TRUE(file.open(target));
        const ScopedWriteCalls faults(test::DiskFullAfter(4));
        EXPECT_FALSE(file.write("12345678"));
        EXPECT_EQ(file.write("more").errorNumber, ENOSPC);  // the first failure sticks
        EXPECT_EQ(file.commit().errorNumber, ENOSPC);
    }
    EXPECT_TRUE(test::Entries(dir.path()).empty());
    ReplacingFile file;
    ASSERT_TRUE(file.open(target));
    file.fail(Status::Failure("the encoder's seek failed", EIO));
    EXPECT_EQ(file.commit().message, "the encoder's seek failed");
    EXPECT_TRUE(test::Entries(dir.path()).empty());
    ASSERT_TRUE(file.open(target));
    ASSERT_TRUE(file.write("whole"));
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(test::ReadFile(target), "whole");
    EXPECT_EQ(test::Entries(dir.path()), std::vector<std::string>{"video.mp4"});
}

// A link is written through: the file it leads to is replaced in its own folder and the link
// stays a link. A fixed name that refuses links leaves both as they were.
TEST(FileWrite, LinksAreWrittenThroughOrRefused) {
    const struct {
        const char* name;
        const char* link;     // what "out" in the write folder points to
        const char* written;  // the file that must hold the new bytes, relative to the base
        LinkPolicy policy;
        bool ok;
    } cases[] = {
        {"relative link", "../data/real.csv", "data/real.csv", LinkPolicy::WriteThrough, true},
        {"absolute link", "@/data/real.csv", "data/real.csv", LinkPolicy::WriteThrough, true},
        {"chain of links", "../data/hop", "data/real.csv", LinkPolicy::WriteThrough, true},
        {"dangling link makes its file", "../data/new.csv", "data/new.csv", LinkPolicy::WriteThrough, true},
        {"loop", "out", nullptr, LinkPolicy::WriteThrough, false},
        {"fixed name refuses a link", "../data/real.csv", nullptr, LinkPolicy::Refuse, false},
        {"link to a pipe", "../data/pipe", nullptr, LinkPolicy::WriteThrough, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::TempFolder base;
        fs::create_directory(base.path() / "write");
        fs::create_directory(base.path() / "data");
        test::WriteText(base.path() / "data" / "real.csv", "old");
        ::chmod((base.path() / "data" / "real.csv").c_str(), 0640);
        fs::create_symlink("real.csv", base.path() / "data" / "hop");
        ASSERT_EQ(::mkfifo((base.path() / "data" / "pipe").c_str(), 0600), 0);
        std::string link = c.link;
        if (link[0] == '@') link = base.path().string() + link.substr(1);
        const fs::path out = base.path() / "write" / "out";
        fs::create_symlink(link, out);

        const Status status = ReplaceFileContents(out, "new", c.policy);
        EXPECT_EQ(status.ok, c.ok) << status.message;
        EXPECT_TRUE(fs::is_symlink(out));
        EXPECT_EQ(fs::read_symlink(out), link);
        EXPECT_EQ(test::Entries(base.path() / "write"), std::vector<std::string>{"out"});
        if (c.written) {
            EXPECT_EQ(test::ReadFile(base.path() / c.written), "new");
            if (fs::path(c.written).filename() == "real.csv") {
                EXPECT_EQ(modeOf(base.path() / c.written), 0640u);
            }
        } else {
            EXPECT_EQ(test::ReadFile(base.path() / "data" / "real.csv"), "old");
        }
        EXPECT_TRUE(fs::is_fifo(base.path() / "data" / "pipe"));
    }
}

// Only a regular file is replaced: a folder, a pipe or a device in the way is refused and
// stays; a missing folder is an error. A replaced file keeps its mode; a new one follows umask.
TEST(FileWrite, TargetsAndModes) {
    const test::TempFolder dir;
    fs::create_directory(dir.path() / "sub");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
    for (const fs::path& bad :
         {dir.path() / "sub", dir.path() / "pipe", fs::path("/dev/null"), dir.path() / "none" / "x.csv", fs::path()}) {
        const Status status = ReplaceFileContents(bad, "x");
        EXPECT_FALSE(status.ok) << bad;
        EXPECT_FALSE(status.message.empty()) << bad;
    }
    EXPECT_TRUE(fs::is_fifo(dir.path() / "pipe"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(test::Entries(dir.path()), (std::vector<std::string>{"pipe", "sub"}));

    for (const mode_t mode : {0600u, 0640u, 0755u, 0444u}) {
        const fs::path file = dir.path() / ("m" + std::to_string(mode));
        test::WriteText(file, "old");
        ::chmod(file.c_str(), mode);
        ASSERT_TRUE(ReplaceFileContents(file, "new text"));
        EXPECT_EQ(test::ReadFile(file), "new text");
        EXPECT_EQ(modeOf(file), mode);
    }
    const mode_t previous = ::umask(027);
    const bool made = ReplaceFileContents(dir.path() / "fresh", "x").ok;
    ::umask(previous);
    ASSERT_TRUE(made);
    EXPECT_EQ(modeOf(dir.path() / "fresh"), 0640u);
}

// A really full file system, where this machine lets a test mount one.
TEST(FileWrite, ARealFullDiskKeepsTheOlderFile) {
    test::SmallDisk disk(64 * 1024);
    DRV_REQUIRE_SMALL_DISK(disk);
    const fs::path target = disk.path() / "out.csv";
    ASSERT_TRUE(ReplaceFileContents(target, "old"));
    const Status status = ReplaceFileContents(target, std::string(256 * 1024, 'x'));
    EXPECT_EQ(status.errorNumber, ENOSPC) << status.message;
    EXPECT_EQ(test::ReadFile(target), "old");
    EXPECT_EQ(test::Entries(disk.path()), std::vector<std::string>{"out.csv"});
}

}  // namespace
}  // namespace drv

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "core/events/recording_copy.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/write_faults.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

// Every entry below `folder` (hidden ones included) with a file's size and modification time.
std::map<std::string, std::string> tree(const fs::path& folder) {
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        // A folder's own time changes when a test moves it away and back.
        out[fs::relative(it->path(), folder).native()] =
            it->is_directory() ? "folder"
                               : std::to_string(it->file_size()) + "@" +
                                     std::to_string(it->last_write_time().time_since_epoch().count());
    }
    return out;
}

class RecordingCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteRecording(card() / "EVT1", 3, [](int) { return test::ExampleExif(); });
        test::WriteRecording(card() / "EVT2", 2, [](int) { return test::ExampleExif(true); });
        test::WriteText(card() / "EVT2" / "notes.txt", std::string(300000, 'n'));  // larger than one block
        test::WriteText(card() / "EVT2" / "._00001.jpg", "macOS twin");
        fs::create_directories(card() / "EVT2" / "sub");
        fs::create_directories(dest() / "EVT1");  // taken: the copy becomes "EVT1 (2)"
        before_ = tree(card());
    }
    fs::path card() const { return dir_.path() / "card"; }
    fs::path dest() const { return dir_.path() / "dest"; }
    std::vector<fs::path> sources() const { return {card() / "EVT1", card() / "EVT2"}; }
    // The card as it was, and only whole recordings in the destination.
    void expectCardUntouchedAndNoHalfCopies(std::vector<std::string> folders) {
        EXPECT_EQ(tree(card()), before_);
        folders.insert(folders.begin(), "EVT1");
        EXPECT_EQ(test::Entries(dest()), folders);
    }

    test::TempFolder dir_;
    std::map<std::string, std::string> before_;
};

TEST_F(RecordingCopyTest, CopiesVerifiedIntoFoldersOfTheirOwn) {
    std::vector<std::uint64_t> progress;
    CopyCallbacks cb;
    cb.progress = [&](std::uint64_t done, std::uint64_t total, int) {
        progress.push_back(done), progress.push_back(total);
    };
    const CopyResult r = CopyRecordings(sources(), dest(), cb);
    ASSERT_EQ(r.end, CopyEnd::Complete) << r.failedAt << ": " << r.reason;
    ASSERT_EQ(r.copied.size(), 2u);
    EXPECT_EQ(r.copied[0].destination, dest() / "EVT1 (2)");
    EXPECT_EQ(r.copied[1].destination, dest() / "EVT2");
    EXPECT_EQ(r.copied[1].files, 3);
    expectCardUntouchedAndNoHalfCopies({"EVT1 (2)", "EVT2"});
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), progress[progress.size() - 2]) << "ends at the total";

    // Names, bytes and times kept; no hidden file, no subfolder; the checksums check.
    for (const auto& [from, to] :
         {std::pair{card() / "EVT1", dest() / "EVT1 (2)"}, {card() / "EVT2", dest() / "EVT2"}}) {
        auto copied = tree(to);
        ASSERT_EQ(copied.count(kChecksumFileName), 1u);
        copied.erase(kChecksumFileName);
        auto original = tree(from);
        original.erase("._00001.jpg"), original.erase("sub");
        EXPECT_EQ(copied, original) << to;
        for (const auto& [name, _] : original)
            EXPECT_EQ(test::ReadFile(to / name), test::ReadFile(from / name)) << name;
        EXPECT_EQ(test::Shell("cd " + test::Quote(to) + " && sha256sum -c --quiet SHA256SUMS && echo ok").out, "ok\n");
    }
}

// Each failure stops the copy with its reason, keeps the recordings finished before it, and leaves
// neither a half-copied recording nor a temporary file behind.
TEST_F(RecordingCopyTest, FailuresLeaveNoHalfCopy) {
    struct Case {
        const char* name;
        CopyEnd end;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {"card pulled", CopyEnd::SourceUnreadable, {"EVT1 (2)"}},
        {"disk full", CopyEnd::DestinationFull, {"EVT1 (2)"}},
        {"bad write", CopyEnd::Mismatch, {}},
        {"cancel", CopyEnd::Cancelled, {"EVT1 (2)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        CopyCallbacks cb;
        bool moved = false;
        if (name == "card pulled") {
            cb.progress = [&](std::uint64_t, std::uint64_t, int recording) {
                if (recording == 1 && !moved) moved = true, fs::rename(card() / "EVT2", dir_.path() / "away");
            };
        } else if (name == "disk full") {
            cb.write = test::DiskFullAfter(100000).write;
        } else if (name == "bad write") {
            cb.write = [](int fd, const void* data, std::size_t size) -> ssize_t {
                std::string bytes(static_cast<const char*>(data), size);
                bytes[size / 2] ^= 1;
                return ::write(fd, bytes.data(), size);
            };
        } else {
            cb.cancelled = [&] { return moved; };
            cb.progress = [&](std::uint64_t, std::uint64_t, int recording) { moved = moved || recording == 1; };
        }
        const CopyResult r = CopyRecordings(sources(), dest(), cb);
        if (moved && name == "card pulled") fs::rename(dir_.path() / "away", card() / "EVT2");
        EXPECT_EQ(r.end, c.end) << r.failedAt << ": " << r.reason;
        EXPECT_EQ(r.copied.size(), c.kept.size());
        expectCardUntouchedAndNoHalfCopies(c.kept);
        for (const std::string& kept : c.kept) fs::remove_all(dest() / kept);
    }
}

// A real full disk: a small tmpfs, where the machine lets the test mount one.
TEST_F(RecordingCopyTest, ARealFullDisk) {
    test::SmallDisk disk(128 * 1024);
    DRV_REQUIRE_SMALL_DISK(disk);
    const fs::path& small = disk.path();
    const CopyResult r = CopyRecordings(sources(), small);
    EXPECT_EQ(r.end, CopyEnd::DestinationFull) << r.failedAt << ": " << r.reason;
    EXPECT_EQ(r.copied.size(), 1u) << "the small recording fits";
    EXPECT_EQ(tree(small).size(), 5u) << "EVT1 with 3 frames and SHA256SUMS, nothing else";
}

TEST(RecordingCopy, ToolCopiesEveryRecordingBelowARoot) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    test::WriteRecording(dir.path() / "card/A/EVT", 2, [](int) { return test::ExampleExif(); });
    test::WriteRecording(dir.path() / "card/B/EVT", 2, [](int) { return test::ExampleExif(); });
    const test::ShellRun run = test::Shell(test::Tool() + " copy " + test::Quote(dir.path() / "card") + " -o " +
                                           test::Quote(dir.path() / "out"));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("/out/EVT (2) (2 files, verified)\n"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(dir.path() / "out/EVT/SHA256SUMS") && fs::exists(dir.path() / "out/EVT (2)/00002.jpg"));
    EXPECT_EQ(test::Shell(test::Tool() + " copy " + test::Quote(dir.path() / "none") + " -o x 2>/dev/null").status, 1);
}

}  // namespace
}  // namespace drv

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "core/events/event_report.h"
#include "core/events/event_scan.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

void writeRecording(const fs::path& dir, int frames) {
    test::WriteRecording(dir, frames, [](int) { return test::ExampleExif(); });
}

// A card with every kind of folder the walk must survive, made once: creating thousands of
// files is slow on some disks. Tests that take a folder away put it back.
class EventWalkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new test::TempFolder;
        const fs::path r = dir_->path() / "card";
        writeRecording(r, 1);  // the root itself is a recording
        writeRecording(r / "A", 2);
        writeRecording(r / "A/B/C/D/E/F", 3);    // six levels down
        writeRecording(r / "A/B/C/D/E/F/G", 4);  // seven: too deep
        writeRecording(r / ".hidden/rec", 2);
        writeRecording(r / "gone", 2);
        writeRecording(r / "\xFF\xFE", 2);  // not UTF-8
        fs::create_directories(r / "empty");
        fs::create_directories(r / "junk");
        for (int i = 0; i < 2000; ++i) test::WriteText(r / "junk" / ("note" + std::to_string(i) + ".txt"), "");
        test::WriteText(r / "junk" / "photo.jpeg", "not a frame by name");
        writeRecording(r / "damaged", 2);
        test::WriteText(r / "damaged" / "00003.jpg", "no JPEG here");
        fs::create_directory_symlink(".", r / "loop");
        fs::create_directory_symlink("..", r / "A" / "up");
        fs::create_directory_symlink("A", r / "link");
    }
    static void TearDownTestSuite() { delete dir_; }
    static fs::path root() { return dir_->path() / "card"; }
    static fs::path away() { return dir_->path() / "away"; }

    struct Scan {
        ScanResult result;
        std::vector<EventSummary> rows;
        std::vector<fs::path> reported;  // through the unreadable callback
        std::vector<std::string> folders() const {
            std::vector<std::string> out;
            for (const auto& r : rows) out.push_back(r.folder.native() + ":" + std::to_string(r.frames));
            return out;
        }
    };
    // `seam` runs before each folder is read, with the count read so far.
    Scan scan(int maxDepth, const std::function<void(int)>& seam = {}, const fs::path& from = root()) {
        Scan s;
        ScanCallbacks cb;
        cb.row = [&](EventSummary&& e) { s.rows.push_back(std::move(e)); };
        cb.unreadable = [&](const fs::path& f) { s.reported.push_back(f); };
        cb.progress = [&](int done, int) {
            if (seam) seam(done);
        };
        s.result = ScanEvents(from, maxDepth, cb);
        return s;
    }

    static inline test::TempFolder* dir_ = nullptr;
};

TEST_F(EventWalkTest, OneRowPerRecordingInNameOrderWithinTheDepth) {
    struct Case {
        int depth;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {6, {".:1", "A:2", "A/B/C/D/E/F:3", "damaged:3", "gone:2", "\xFF\xFE:2"}},
        {1, {".:1", "A:2", "damaged:3", "gone:2", "\xFF\xFE:2"}},
        {0, {".:1"}},
    };
    for (const Case& c : cases) {
        const Scan s = scan(c.depth);
        EXPECT_EQ(s.result.end, ScanEnd::Complete);
        EXPECT_EQ(s.folders(), c.rows) << "depth " << c.depth;
        EXPECT_TRUE(s.result.unreadable.empty());
    }
    const Scan s = scan(6);
    EXPECT_EQ(s.rows[3].damagedFrames, 1);  // a text file named like a frame
}

// A folder removed between the walk and its reading is counted and the scan goes on; a root that
// is no folder is no scan. The event list's test pulls the card and cancels while a scan runs.
TEST_F(EventWalkTest, FoldersThatGoAreCountedAndAnUnreadableRootIsNoScan) {
    Scan s = scan(6, [&](int done) {
        if (done == 0) fs::rename(root() / "gone", away());
    });
    fs::rename(away(), root() / "gone");
    EXPECT_EQ(s.result.end, ScanEnd::Complete);
    EXPECT_EQ(s.result.unreadable, std::vector<fs::path>{"gone"});
    EXPECT_EQ(s.reported, s.result.unreadable);
    EXPECT_EQ(s.rows.size(), 5u);
    for (const fs::path& bad : {root() / "junk/note1.txt/sub", root() / "junk/note1.txt", root() / "missing"}) {
        s = scan(6, {}, bad);
        EXPECT_EQ(s.result.end, ScanEnd::RootUnreadable) << bad;
        EXPECT_TRUE(s.rows.empty() && s.result.unreadable.empty());
    }
}

// The event list as JSON (drtool events prints it); names that are not UTF-8 are replaced.
TEST_F(EventWalkTest, ScanAsJson) {
    EXPECT_EQ(EventsToJson("/r", scan(0).rows, {"gone", "a\xFF"}),
              "{\"root\": \"/r\", \"recordings\": [\n"
              "{\"folder\": \".\", \"frames\": 1, \"firstShotAt\": \"2007-10-10T04:18:59\", "
              "\"lengthSeconds\": 0.14285714285714285, \"highFrameRate\": false, \"highQuality\": false, "
              "\"triggerFound\": false, \"triggerKind\": \"\", \"triggerFrame\": 0, \"triggerAt\": null, "
              "\"speedAtTrigger\": null, \"maxSpeed\": 52.3, \"peakAccelLongitudinal\": 0.25, "
              "\"peakAccelLateral\": 0.12, \"brakeAfterTrigger\": null, \"brakeBeforeTrigger\": null, \"latitude\": "
              "null, \"longitude\": null, "
              "\"damagedFrames\": 0}\n], \"unreadableFolders\": [\"gone\", \"a\xEF\xBF\xBD\"]}\n");
}

// Frames that exist but cannot be opened make a folder unreadable, not a recording of damaged
// frames; drtool names it on stderr and succeeds, and fails only on a root it cannot read. Run
// as an ordinary user, since root opens any file.
TEST(EventScanPermissions, FramesThatCannotBeOpenedMakeAnUnreadableFolder) {
    DRV_REQUIRE_TOOL();
    std::string asUser;
    if (::geteuid() == 0) {
        if (::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "root without setpriv";
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    test::TempFolder dir;
    const fs::path card = dir.path() / "card";
    writeRecording(card / "locked", 2);
    writeRecording(card / "ok", 2);
    for (const auto& e : fs::directory_iterator(card / "locked")) fs::permissions(e.path(), fs::perms::none);
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const fs::path err = dir.path() / "stderr";
    auto events = [&](const std::string& options) {
        return test::Shell(asUser + test::Tool() + " events " + options + " " + test::Quote(card) + " 2>" +
                           test::Quote(err));
    };
    test::ShellRun run = events("--format csv");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
    EXPECT_NE(run.out.find("\r\nok,2,"), std::string::npos) << run.out;
    EXPECT_EQ(test::ReadFile<std::string>(err),
              "drtool events: cannot read the folder " + (card / "locked").string() + "\n");
    run = events("--format json");
    EXPECT_NE(run.out.find("\"unreadableFolders\": [\"locked\"]"), std::string::npos) << run.out;

    fs::permissions(card, fs::perms::none);
    run = events("--format csv");
    fs::permissions(card, fs::perms::owner_all);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty());
}

}  // namespace
}  // namespace drv

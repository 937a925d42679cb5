#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/events/event_cache.h"
#include "core/events/event_scan.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

// Overwrites the start of `file` in place with as many bytes of junk, then puts its time back:
// the folder's signature stays, so only a cache hit still shows the frame as whole.
void spoilKeepingAttributes(const fs::path& file) {
    const auto size = fs::file_size(file);
    { std::fstream(file, std::ios::in | std::ios::out | std::ios::binary) << std::string(64, 'x'); }
    ASSERT_EQ(fs::file_size(file), size);
    test::SetModificationTime(file, 1700000000L + 1);  // WriteRecording's time of frame 1
}

// Marks the stored summaries, so that a row taken from the cache tells itself from one read again.
void markCache(const fs::path& file) {
    EventCache::Entries entries = *EventCache::Parse(test::ReadFile(file));
    for (auto& [path, e] : entries) e.summary.maxSpeed = 999.0f;
    test::WriteText(file, EventCache::Serialize(entries));
}

struct Scan {
    std::vector<EventSummary> provisional;  // shown before any row
    std::vector<EventSummary> rows;
    ScanResult result;
};

Scan scan(const fs::path& root, EventCache* cache, FolderWatch* watch = nullptr) {
    Scan s;
    ScanCallbacks cb;
    cb.cache = cache;
    cb.watch = watch;
    cb.provisional = [&](std::vector<EventSummary>&& rows) {
        EXPECT_TRUE(s.rows.empty() && s.provisional.empty());
        s.provisional = std::move(rows);
    };
    cb.row = [&](EventSummary&& e) { s.rows.push_back(std::move(e)); };
    s.result = ScanEvents(root, kDefaultEventDepth, cb);
    return s;
}

// A card of one recording, scanned once into a fresh cache file (and the watch, if given).
struct CachedCard {
    explicit CachedCard(FolderWatch* watch = nullptr, const std::function<void(const CachedCard&)>& before = {}) {
        test::WriteRecording(root() / "rec", 3, [](int) { return test::ExampleExif(); });
        if (before) before(*this);
        EventCache first(cacheFile());
        EXPECT_FALSE(first.loaded());
        scan(root(), &first, watch);
        EXPECT_TRUE(first.save(false));
    }
    fs::path root() const { return dir.path() / "card"; }
    fs::path cacheFile() const { return dir.path() / "cache/events.cache"; }
    fs::path frame(int i) const { return root() / ("rec/0000" + std::to_string(i) + ".jpg"); }

    test::TempFolder dir;
};

// What makes a folder be read again: any change to its frame files' names, sizes or times, and
// any write to one (its change time), even with its modification time put back. The stored row
// is shown first whatever changed, and the row that follows it is the checked one. With a
// watch kept since the first scan, an untouched folder is confirmed by the watch alone, and
// what the watch cannot see (another folder put at the path, a frame changed through another
// name) is checked as without one.
TEST(EventCache, OnlyChangedFoldersAreReadAgain) {
    using Change = std::function<void(const CachedCard&)>;
    struct Case {
        const char* name;
        Change change;
        bool readAgain;
        Change before = {};
        bool watchOnly = false;
        bool watchConfirms = false;  // the watch alone vouches for the folder
    };
    auto recordingElsewhere = [](const CachedCard& t) {
        fs::rename(t.root(), t.dir.path() / "card-before");
        test::WriteRecording(t.root() / "rec", 3, [](int) { return test::ExampleExif(); });
    };
    const Case cases[] = {
        {"nothing", [](const CachedCard&) {}, false, {}, false, true},
        {"another kind of file added", [](const CachedCard& t) { test::WriteText(t.root() / "rec/notes.txt", "x"); },
         false},
        {"a frame's time", [](const CachedCard& t) { test::SetModificationTime(t.frame(1), 1700000000L + 99); }, true},
        {"a frame's size", [](const CachedCard& t) { std::ofstream(t.frame(2), std::ios::app) << "more"; }, true},
        {"a frame added", [](const CachedCard& t) { test::WriteText(t.root() / "rec/00004.JPG", "x"); }, true},
        {"a frame renamed", [](const CachedCard& t) { fs::rename(t.frame(3), t.root() / "rec/00009.jpg"); }, true},
        {"a frame removed", [](const CachedCard& t) { fs::remove(t.frame(3)); }, true},
        {"a frame replaced by a copy",
         [](const CachedCard& t) {
             fs::copy_file(t.frame(2), t.root() / "rec/tmp"), fs::rename(t.root() / "rec/tmp", t.frame(2));
             test::SetModificationTime(t.frame(2), 1700000000L + 2);
         },
         true},
        {"a frame rewritten in place, its time put back",
         [](const CachedCard& t) { spoilKeepingAttributes(t.frame(1)); }, true},
        {"every frame removed",
         [](const CachedCard& t) { fs::remove(t.frame(1)), fs::remove(t.frame(2)), fs::remove(t.frame(3)); }, true},
        {"the card moved away and another put at its path", recordingElsewhere, true, {}, true},
        {"a frame with a second name, rewritten through it",
         [](const CachedCard& t) { spoilKeepingAttributes(t.dir.path() / "second-name.jpg"); }, true,
         [](const CachedCard& t) { fs::create_hard_link(t.frame(1), t.dir.path() / "second-name.jpg"); }, true},
    };
    for (const bool watched : {false, true}) {
        for (const Case& c : cases) {
            if (c.watchOnly && !watched) continue;
            SCOPED_TRACE(std::string(c.name) + (watched ? ", watched" : ""));
            FolderWatch watch;
            FolderWatch* w = watched ? &watch : nullptr;
            const CachedCard card(w, c.before);
            markCache(card.cacheFile());
            c.change(card);
            EventCache cache(card.cacheFile());
            ASSERT_TRUE(cache.loaded());
            const Scan s = scan(card.root(), &cache, w);
            ASSERT_EQ(s.provisional.size(), 1u);
            EXPECT_EQ(s.provisional[0].maxSpeed, 999.0f);
            EXPECT_EQ(s.provisional[0].folder, "rec");
            if (fs::is_empty(card.root() / "rec")) {
                EXPECT_TRUE(s.rows.empty()) << "no longer a recording: the stored row is not confirmed";
                continue;
            }
            ASSERT_EQ(s.rows.size(), 1u);
            EXPECT_EQ(s.rows[0].maxSpeed != 999.0f, c.readAgain);
            EXPECT_EQ(s.rows[0].folder, "rec");
            EXPECT_EQ(s.rows[0].path, card.root() / "rec");
            EXPECT_EQ(s.result.confirmedByWatch, watched && c.watchConfirms ? 1 : 0);
        }
    }
}

// A rescan that changes nothing leaves the file alone; one that finds a recording gone drops it.
TEST(EventCache, SavedOnlyWhenItsEntriesChange) {
    const CachedCard card;
    auto fileNumber = [&] {
        struct stat st {};
        return ::stat(card.cacheFile().c_str(), &st) == 0 ? st.st_ino : 0;
    };
    const auto before = fileNumber();
    EventCache same(card.cacheFile());
    scan(card.root(), &same);
    ASSERT_TRUE(same.save(false));
    EXPECT_EQ(fileNumber(), before) << "not replaced";
    fs::remove_all(card.root() / "rec");
    EventCache gone(card.cacheFile());
    scan(card.root(), &gone);
    ASSERT_TRUE(gone.save(false));
    EXPECT_EQ(EventCache(card.cacheFile()).size(), 0u);
}

// A cache file that is not exactly what this program wrote is ignored, and the next save replaces it.
TEST(EventCache, ADamagedOrForeignFileIsIgnoredAndRewritten) {
    const CachedCard card;
    const std::string good = test::ReadFile(card.cacheFile());
    EventCache::Entries entries = *EventCache::Parse(good);
    ASSERT_EQ(entries.size(), 1u);
    EventCache::Entries outOfRange = entries;
    outOfRange.begin()->second.summary.triggerFrame = 4;  // past the last frame, with a right digest
    EventCache::Entries halfPosition = entries;
    halfPosition.begin()->second.summary.latitude = 35.0;
    std::string flipped = good;
    flipped[40] ^= 1;
    const std::string cases[] = {
        "",
        "foreign text\n",
        good.substr(0, good.size() - 1),
        flipped,
        good + "x",
        EventCache::Serialize(outOfRange),
        EventCache::Serialize(halfPosition),
        std::string(good).replace(good.find('\t'), 1, "\t\t"),
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 60));
        test::WriteText(card.cacheFile(), text);
        EventCache cache(card.cacheFile());
        EXPECT_FALSE(cache.loaded());
        EXPECT_EQ(cache.size(), 0u);
        spoilKeepingAttributes(card.frame(1));
        EXPECT_EQ(scan(card.root(), &cache).rows.at(0).damagedFrames, 1) << "read, not taken from the file";
        ASSERT_TRUE(cache.save(false));
        EXPECT_TRUE(EventCache(card.cacheFile()).loaded());
    }
    EXPECT_EQ(EventCache::Serialize(entries), good) << "parsing keeps every value";
}

}  // namespace
}  // namespace drv

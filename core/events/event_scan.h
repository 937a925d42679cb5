#pragma once
// Finding every recording below a folder (a card's root) and summarising each one.
#include <filesystem>
#include <functional>
#include <vector>

#include "core/events/event_cache.h"
#include "core/events/event_summary.h"
#include "core/events/folder_watch.h"

namespace drv {

inline constexpr int kDefaultEventDepth = 6;

// The folders below `root`, the root first, each folder before its subfolders and
// siblings in byte order of their names (relative paths; the root is "."). Goes down
// `maxDepth` levels, skips folders whose names begin with '.', never follows a symbolic
// link to a folder, and lists the folders it cannot read without stopping.
struct FolderWalk {
    std::vector<std::filesystem::path> folders;
    std::vector<std::filesystem::path> unreadable;
    bool rootReadable = false;
    bool cancelled = false;
};
FolderWalk FindFolders(const std::filesystem::path& root, int maxDepth, const std::function<bool()>& cancelled = {});

enum class ScanEnd {
    Complete,
    Cancelled,       // rows read before the request are kept
    RootUnreadable,  // nothing could be read
    RootVanished,    // the root went away (a card pulled out): rows read before are kept
};

struct ScanCallbacks {
    std::function<void(EventSummary&&)> row;                       // each recording as soon as it is read
    std::function<void(int done, int total)> progress;             // before each folder and at the end
    std::function<bool()> cancelled;                               // asked between folder entries and frames
    std::function<void(const std::filesystem::path&)> unreadable;  // each folder that cannot be read
    // Summaries of earlier scans: a folder whose frame files are unchanged is not read again,
    // and every folder read is stored. The caller saves it.
    EventCache* cache = nullptr;
    // With a cache, right after the walk: the stored summaries of the folders found, in walk
    // order, before any is checked, so that a list can show them at once. They are not to be
    // trusted: `row` then brings every recording checked or read, in the same order, and a
    // stored one that `row` passes over is no longer a recording.
    std::function<void(std::vector<EventSummary>&&)> provisional;
    // With a cache: the folders checked by an earlier scan of this session and watched since;
    // those it vouches for are confirmed without their files' attributes. It keeps watching
    // every folder this scan checks or reads.
    FolderWatch* watch = nullptr;
};

struct ScanResult {
    ScanEnd end = ScanEnd::Complete;
    std::vector<std::filesystem::path> unreadable;  // relative, in walk order
    int recordings = 0;
    int confirmedByWatch = 0;  // rows confirmed by the watch alone
};

// Whether folder `a` comes before `b` in the walk's order (relative paths, "." first).
bool WalkOrderLess(const std::filesystem::path& a, const std::filesystem::path& b);

// Every folder that holds a frame by the Open listing's rules becomes a row, read as the
// viewer's Open reads it (listing, time order, each frame's telemetry once).
ScanResult ScanEvents(const std::filesystem::path& root, int maxDepth, const ScanCallbacks& callbacks);

}  // namespace drv

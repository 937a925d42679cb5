#include "core/events/event_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "core/common/file_names.h"
#include "core/recording/recording_loader.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

const fs::path kRootFolder = ".";

bool byName(const fs::path& a, const fs::path& b) { return a.native() < b.native(); }

bool canOpen(const fs::path& folder) {
    std::error_code ec;
    const fs::directory_iterator it(folder, ec);
    return !ec;
}

// The root as it was when the scan began: a card that is pulled out and mounted again,
// or whose mount point stays behind empty, is not the same folder.
class RootWatch {
public:
    explicit RootWatch(const fs::path& root) : root_(root) { known_ = identify(dev_, ino_); }
    bool stillThere() const {
        dev_t dev = 0;
        ino_t ino = 0;
        return known_ && identify(dev, ino) && dev == dev_ && ino == ino_ && canOpen(root_);
    }

private:
    bool identify(dev_t& dev, ino_t& ino) const {
        struct stat st {};
        if (::stat(root_.c_str(), &st) != 0) return false;
        dev = st.st_dev, ino = st.st_ino;
        return true;
    }
    fs::path root_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    bool known_ = false;
};

struct Walker {
    const fs::path& root;
    int maxDepth;
    const std::function<bool()>& cancelled;
    FolderWalk& out;

    bool stop() {
        if (!out.cancelled && cancelled && cancelled()) out.cancelled = true;
        return out.cancelled;
    }

    // False when the folder cannot be read. POSIX rather than std::filesystem here: the
    // listing's types tell folders from the thousands of files beside them without a path
    // object or a stat per entry.
    bool visit(const fs::path& relative, int depth) {
        const fs::path folder = relative == kRootFolder ? root : root / relative;
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) {
            out.unreadable.push_back(relative);
            return false;
        }
        std::vector<fs::path> children;
        bool failed = false;
        while (depth < maxDepth && !stop()) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                failed = errno != 0;
                break;
            }
            // ".", ".." and hidden folders alike.
            if (IsHiddenName(std::string_view(entry->d_name))) continue;
            // A link may lead back up the tree or off the card: never followed.
            bool folderEntry = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat st {};
                folderEntry =
                    ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            }
            if (folderEntry) children.emplace_back(entry->d_name);
        }
        ::closedir(dir);
        if (failed) {
            out.unreadable.push_back(relative);
            return false;
        }
        if (out.cancelled) return true;
        out.folders.push_back(relative);
        std::sort(children.begin(), children.end(), byName);
        for (const fs::path& child : children) {
            if (stop()) return true;
            visit(relative == kRootFolder ? child : relative / child, depth + 1);
        }
        return true;
    }
};

}  // namespace

bool WalkOrderLess(const fs::path& a, const fs::path& b) {
    // Each folder before its subfolders, siblings by the bytes of their names: the order of
    // the paths' components compared one by one.
    if (b == kRootFolder) return false;
    if (a == kRootFolder) return true;
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byName);
}

FolderWalk FindFolders(const fs::path& root, int maxDepth, const std::function<bool()>& cancelled) {
    FolderWalk out;
    Walker walker{root, maxDepth, cancelled, out};
    out.rootReadable = walker.visit(kRootFolder, 0);
    if (!out.rootReadable) out.unreadable.clear();
    return out;
}

ScanResult ScanEvents(const fs::path& root, int maxDepth, const ScanCallbacks& cb) {
    ScanResult result;
    auto cancelled = [&cb] { return cb.cancelled && cb.cancelled(); };
    auto finish = [&result](ScanEnd end) {
        // Folders found unreadable by the walk and later by the reading, in one order.
        std::sort(result.unreadable.begin(), result.unreadable.end());
        result.end = end;
        return result;
    };
    const RootWatch watch(root);
    FolderWalk walk = FindFolders(root, maxDepth, cb.cancelled);
    if (!walk.rootReadable) return finish(ScanEnd::RootUnreadable);
    result.unreadable = std::move(walk.unreadable);
    if (cb.unreadable)
        for (const fs::path& folder : result.unreadable) cb.unreadable(folder);
    if (walk.cancelled) return finish(ScanEnd::Cancelled);

    const int total = static_cast<int>(walk.folders.size());
    if (cb.cache && cb.provisional) {
        std::vector<EventSummary> known;
        for (const fs::path& relative : walk.folders) {
            if (std::optional<EventSummary> s = cb.cache->stored(relative == kRootFolder ? root : root / relative)) {
                s->folder = relative;
                known.push_back(std::move(*s));
            }
        }
        if (!known.empty()) cb.provisional(std::move(known));
    }
    for (int i = 0; i < total; ++i) {
        if (cb.progress) cb.progress(i, total);
        if (cancelled()) return finish(ScanEnd::Cancelled);
        const fs::path& relative = walk.folders[static_cast<std::size_t>(i)];
        const fs::path folder = relative == kRootFolder ? root : root / relative;
        std::string signature;
        bool watched = false;
        if (cb.cache) {
            std::optional<std::string> unchanged = cb.watch ? cb.watch->unchanged(folder) : std::nullopt;
            if (unchanged) {
                signature = std::move(*unchanged);
            } else {
                // Watched before its attributes are read, so that a change made meanwhile is seen.
                watched = cb.watch && cb.watch->watch(folder);
                bool watchable = false;
                signature = FolderSignature(folder, &watchable);
                watched = watched && watchable;
            }
            if (std::optional<EventSummary> known = cb.cache->find(folder, signature)) {
                if (watched) cb.watch->remember(folder, signature);
                if (unchanged) ++result.confirmedByWatch;
                known->folder = relative;
                ++result.recordings;
                if (cb.row) cb.row(std::move(*known));
                continue;
            }
        }
        FileNameList names = ListJpgFiles(folder);
        if (names.size() <= 1) {
            // Empty, or gone since the walk: a folder that went alone is counted, a root
            // that went ends the scan.
            if (!canOpen(folder)) {
                if (!watch.stillThere()) return finish(ScanEnd::RootVanished);
                result.unreadable.push_back(relative);
                if (cb.unreadable) cb.unreadable(relative);
            }
            continue;
        }
        OrderFilesByTime(folder, names);
        std::optional<EventSummary> summary = SummarizeRecording(folder, names, cb.cancelled);
        if (!summary) return finish(ScanEnd::Cancelled);
        // Frames that failed because the card went are not a recording's damage.
        if (summary->damagedFrames > 0 && !watch.stillThere()) return finish(ScanEnd::RootVanished);
        // Listed but not one file could be opened (permissions): no recording to judge.
        if (summary->unopenedFrames == summary->frames) {
            result.unreadable.push_back(relative);
            if (cb.unreadable) cb.unreadable(relative);
            continue;
        }
        // Frames that could not be opened may open next time: such a summary is not kept.
        if (cb.cache && summary->unopenedFrames == 0) {
            cb.cache->store(folder, signature, *summary);
            if (watched) cb.watch->remember(folder, signature);
        }
        summary->folder = relative;
        ++result.recordings;
        if (cb.row) cb.row(std::move(*summary));
    }
    if (cb.progress) cb.progress(total, total);
    return finish(ScanEnd::Complete);
}

}  // namespace drv

#pragma once
// Vouches that a recording folder has not changed since it was last checked, for as long as
// this process has watched it (inotify) ever since: a second scan in the same session then
// needs neither its files nor their attributes. Whatever it cannot vouch for reads as
// changed: a folder never watched, one whose watch was lost (moved, deleted, unmounted, too
// many events), one that is now another folder at the same path, a network or FUSE file
// system (changes made elsewhere are not reported), and frames that are links (a change
// through another name is not reported to this folder).
#include <sys/types.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace drv {

class FolderWatch {
public:
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // The signature `folder` had when it was last checked, if nothing in it has changed since.
    std::optional<std::string> unchanged(const std::filesystem::path& folder);

    // Watches `folder` from now on, forgetting what was known of it. Call it before reading what
    // `remember` will describe, so that a change made meanwhile is seen. False when the folder
    // cannot be watched.
    bool watch(const std::filesystem::path& folder);
    // What the reading after `watch` found; kept only if nothing changed since `watch`.
    void remember(const std::filesystem::path& folder, const std::string& signature);

private:
    struct Folder {
        int wd = -1;
        bool clean = false;
        dev_t dev = 0;
        ino_t ino = 0;
        std::string signature;
    };
    void drainLocked();
    void forgetAllLocked();

    std::mutex mutex_;
    int fd_ = -1;
    std::unordered_map<std::string, Folder> folders_;                 // by path
    std::unordered_map<int, std::vector<std::string>> pathsOfWatch_;  // one folder may have two paths
};

}  // namespace drv

#include "core/events/folder_watch.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace drv {
namespace {

// Every change to the folder's entries or to a file in it, and the folder itself going away.
constexpr std::uint32_t kMask = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// Watches are a per-user budget shared with every other program (often 8192): a card of more
// folders than this is checked by attributes beyond it.
constexpr std::size_t kMaxFolders = 4096;

// File systems whose files can change without this kernel seeing it: watches stay silent there.
bool changesElsewhere(const std::filesystem::path& folder) {
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) != 0) return true;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x65735546:  // FUSE (sshfs, phones over MTP, ...)
        case 0x00C36400:  // Ceph
        case 0x01021997:  // 9P
        case 0x5346414F:  // AFS
        case 0x73757245:  // Coda
        case 0x01161970:  // GFS2
        case 0x7461636F:  // OCFS2
            return true;
        default: return false;
    }
}

bool identify(const std::filesystem::path& folder, dev_t& dev, ino_t& ino) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    dev = st.st_dev, ino = st.st_ino;
    return true;
}

}  // namespace

FolderWatch::FolderWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderWatch::~FolderWatch() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> FolderWatch::unchanged(const std::filesystem::path& folder) {
    const std::lock_guard lock(mutex_);
    drainLocked();
    const auto it = folders_.find(folder.native());
    if (it == folders_.end() || !it->second.clean || it->second.signature.empty()) return std::nullopt;
    // A parent renamed or mounted over moves no event into this watch: the path must still
    // lead to the folder watched.
    dev_t dev = 0;
    ino_t ino = 0;
    if (!identify(folder, dev, ino) || dev != it->second.dev || ino != it->second.ino) return std::nullopt;
    return it->second.signature;
}

bool FolderWatch::watch(const std::filesystem::path& folder) {
    const std::lock_guard lock(mutex_);
    drainLocked();
    folders_.erase(folder.native());
    Folder f;
    // The identity before the watch: a folder swapped in between then fails the check in
    // `unchanged` instead of being trusted under the old one's watch.
    if (fd_ < 0 || folders_.size() >= kMaxFolders || changesElsewhere(folder) || !identify(folder, f.dev, f.ino))
        return false;
    f.wd = ::inotify_add_watch(fd_, folder.c_str(), kMask);
    if (f.wd < 0) return false;
    f.clean = true;
    std::vector<std::string>& paths = pathsOfWatch_[f.wd];
    if (std::find(paths.begin(), paths.end(), folder.native()) == paths.end()) paths.push_back(folder.native());
    folders_.emplace(folder.native(), std::move(f));
    return true;
}

void FolderWatch::remember(const std::filesystem::path& folder, const std::string& signature) {
    const std::lock_guard lock(mutex_);
    drainLocked();
    const auto it = folders_.find(folder.native());
    if (it != folders_.end() && it->second.clean) it->second.signature = signature;
}

void FolderWatch::drainLocked() {
    if (fd_ < 0) return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // EAGAIN: nothing more pending
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                forgetAllLocked();
                continue;
            }
            const auto watch = pathsOfWatch_.find(event->wd);
            if (watch == pathsOfWatch_.end()) continue;
            for (const std::string& path : watch->second) {
                const auto it = folders_.find(path);
                if (it != folders_.end() && it->second.wd == event->wd) it->second.clean = false;
            }
            // The watch is gone (folder deleted, moved away, unmounted): its number may come back.
            if (event->mask & IN_IGNORED) pathsOfWatch_.erase(watch);
        }
    }
}

void FolderWatch::forgetAllLocked() {
    for (auto& [path, f] : folders_) f.clean = false;
}

}  // namespace drv

#include "core/common/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "core/common/file_write_seam.h"

namespace drv {

namespace fs = std::filesystem;

namespace {

std::atomic<const WriteCalls*> g_calls{nullptr};

ssize_t callWrite(int fd, const void* data, std::size_t size) {
    const WriteCalls* calls = g_calls.load();
    return calls && calls->write ? calls->write(fd, data, size) : ::write(fd, data, size);
}
int callFsync(int fd) {
    const WriteCalls* calls = g_calls.load();
    return calls && calls->fsync ? calls->fsync(fd) : ::fsync(fd);
}
int callClose(int fd) {
    const WriteCalls* calls = g_calls.load();
    return calls && calls->close ? calls->close(fd) : ::close(fd);
}
int callRename(const char* from, const char* to) {
    const WriteCalls* calls = g_calls.load();
    return calls && calls->rename ? calls->rename(from, to) : ::rename(from, to);
}

// The same limit the kernel puts on a chain of links.
constexpr int kMaxLinkHops = 40;
// A file name's limit on Linux file systems; the temporary name adds a dot and ".XXXXXX".
constexpr std::size_t kMaxNameBytes = 255;

mode_t currentUmask() {
    // /proc tells it without changing it; umask() itself can only be read by setting it, which
    // another thread creating a file at that moment would feel.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

Status notRegular(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return Status::FromErrno(EISDIR, "");
    return Status::Failure("not a regular file");
}

}  // namespace

ScopedWriteCalls::ScopedWriteCalls(WriteCalls calls) : calls_(std::move(calls)), previous_(g_calls.load()) {
    g_calls.store(&calls_);
}

ScopedWriteCalls::~ScopedWriteCalls() { g_calls.store(previous_); }

Status ResolveWriteTarget(const fs::path& target, LinkPolicy links, fs::path& resolved) {
    if (target.empty()) return Status::FromErrno(ENOENT, "");
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && links == LinkPolicy::Refuse)
        return Status::Failure("a symbolic link, which is not followed here", ELOOP);
    // What the name finally leads to must be an ordinary file, or nothing yet.
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return notRegular(st);
    } else if (errno != ENOENT) {
        return Status::FromErrno(errno, "");
    }
    fs::path at = target;
    for (int hops = 0;; ++hops) {
        if (::lstat(at.c_str(), &st) != 0) {
            if (errno == ENOENT) break;  // a new file (possibly at the end of a dangling link)
            return Status::FromErrno(errno, "");
        }
        if (!S_ISLNK(st.st_mode)) break;
        if (hops == kMaxLinkHops) return Status::FromErrno(ELOOP, "");
        std::string link(4096, '\0');
        const ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
        if (n < 0) return Status::FromErrno(errno, "");
        if (static_cast<std::size_t>(n) >= link.size()) return Status::FromErrno(ENAMETOOLONG, "");
        link.resize(static_cast<std::size_t>(n));
        const fs::path next(link);
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    if (S_ISDIR(st.st_mode) || at.filename().empty()) return Status::FromErrno(EISDIR, "");
    resolved = std::move(at);
    return Status::Success();
}

// ------------------------------------------------------------------------------ ReplacingFile

ReplacingFile::ReplacingFile(ReplacingFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      temporary_(std::move(other.temporary_)),
      target_(std::move(other.target_)),
      failure_(std::move(other.failure_)) {
    other.temporary_.clear();
}

ReplacingFile& ReplacingFile::operator=(ReplacingFile&& other) noexcept {
    if (this != &other) {
        abort();
        fd_ = std::exchange(other.fd_, -1);
        temporary_ = std::move(other.temporary_);
        other.temporary_.clear();
        target_ = std::move(other.target_);
        failure_ = std::move(other.failure_);
    }
    return *this;
}

ReplacingFile::~ReplacingFile() { abort(); }

Status ReplacingFile::open(const fs::path& target, LinkPolicy links) {
    abort();
    failure_ = Status::Success();
    fs::path resolved;
    if (Status s = ResolveWriteTarget(target, links, resolved); !s) return s;

    std::string name = resolved.filename().native();
    const std::size_t room = kMaxNameBytes - std::strlen(".") - std::strlen(".XXXXXX");
    if (name.size() > room) name.resize(room);
    // A dot name: should the temporary file ever outlive us (power cut), no folder listing of
    // the program takes it for a frame or a recording.
    std::string pattern = (resolved.parent_path() / ("." + name + ".XXXXXX")).native();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return Status::FromErrno(errno, "");
    fd_ = fd;
    temporary_ = pattern;
    target_ = std::move(resolved);

    // A replaced file keeps its mode and, where allowed (as root), its owner; a new file gets
    // what open() would give it. mkstemp made the file private (0600) meanwhile.
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0) {
        if ((existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) &&
            ::fchown(fd_, existing.st_uid, existing.st_gid) != 0) {
            // Not ours to give away: the file becomes the writer's, as any rewrite would.
        }
        ::fchmod(fd_, existing.st_mode & 07777);
    } else {
        ::fchmod(fd_, 0666 & ~currentUmask());
    }
    return Status::Success();
}

Status ReplacingFile::write(const void* data, std::size_t size) {
    if (!failure_) return failure_;
    if (fd_ < 0) return Status::FromErrno(EBADF, "");
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = callWrite(fd_, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failure_ = Status::FromErrno(errno, "");
            return failure_;
        }
        // A write that takes nothing makes no progress; the system says why only on the next.
        if (n == 0) {
            failure_ = Status::FromErrno(ENOSPC, "");
            return failure_;
        }
        done += static_cast<std::size_t>(n);
    }
    return Status::Success();
}

void ReplacingFile::fail(Status failure) {
    if (failure_ && !failure) failure_ = std::move(failure);
}

Status ReplacingFile::commit() {
    if (fd_ < 0) return failure_ ? Status::FromErrno(EBADF, "") : failure_;
    if (!failure_) {
        const Status failure = failure_;
        abort();
        return failure;
    }
    // Many file systems report a full disk or a pulled card only when the data reaches them.
    Status result;
    if (callFsync(fd_) != 0 && errno != EINVAL) result = Status::FromErrno(errno, "");
    const int closed = callClose(fd_);
    fd_ = -1;
    if (closed != 0 && result) result = Status::FromErrno(errno, "");
    if (result && callRename(temporary_.c_str(), target_.c_str()) != 0) result = Status::FromErrno(errno, "");
    if (!result) {
        abort();
        return result;
    }
    temporary_.clear();
    // The rename itself is durable once the folder is flushed (a card pulled right after a
    // save keeps the new file); the file is whole either way, so a failure here is no error.
    const fs::path folder = target_.parent_path().empty() ? fs::path(".") : target_.parent_path();
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return result;
}

void ReplacingFile::abort() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

// ------------------------------------------------------------------------------ whole files

Status ReplaceFileContents(const fs::path& target, std::string_view bytes, LinkPolicy links) {
    ReplacingFile file;
    if (Status s = file.open(target, links); !s) return s;
    if (Status s = file.write(bytes); !s) return s;
    return file.commit();
}

TemporaryFile CreateTemporaryBeside(const fs::path& target) {
    TemporaryFile temp;
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        temp.errorNumber = S_ISDIR(existing.st_mode) ? EISDIR : 0;
        temp.error = temp.errorNumber ? std::strerror(temp.errorNumber) : "not a regular file";
        return temp;
    }
    std::string path = target.native() + ".XXXXXX";
    temp.fd = ::mkstemp(path.data());
    if (temp.fd < 0) {
        temp.errorNumber = errno;
        temp.error = std::strerror(temp.errorNumber);
        return temp;
    }
    temp.path = std::move(path);
    ::fchmod(temp.fd, 0666 & ~currentUmask());
    return temp;
}

}  // namespace drv

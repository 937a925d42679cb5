#include "core/events/recording_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/common/file_write.h"
#include "core/common/sha256.h"
#include "core/events/folder_files.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBlock = 1 << 20;

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int release() {
        const int f = fd;
        fd = -1;
        return f;
    }
};

// Reading leaves the card's access times alone where the kernel lets us (files we own).
int openForReading(const fs::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd;
}

// The hash of what `fd` holds from its current offset to its end; false on a read error.
bool hashRest(int fd, std::string& hex, const std::function<bool()>& cancelled = {}) {
    Sha256 sha;
    std::vector<char> buffer(kBlock);
    for (;;) {
        if (cancelled && cancelled()) return false;
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        sha.update(buffer.data(), static_cast<std::size_t>(n));
    }
    hex = sha.finishHex();
    return true;
}

struct SourceFile {
    std::string name;
    std::uint64_t size = 0;
};

// The ordinary, visible files of a recording folder in name order; false when it cannot be listed.
bool listFiles(const fs::path& folder, std::vector<SourceFile>& out) {
    // Our own checksum file is made afresh for what is copied.
    const auto files = ListFolderFiles(folder, false, [](std::string_view name) { return name != kChecksumFileName; });
    if (!files) return false;
    for (const FolderFile& f : *files)
        if (S_ISREG(f.st.st_mode)) out.push_back({f.name, static_cast<std::uint64_t>(f.st.st_size)});
    return true;
}

class Copier {
public:
    Copier(const CopyCallbacks& cb, CopyResult& result) : cb_(cb), result_(result), buffer_(kBlock) {}

    std::uint64_t total = 0;
    int recording = 0;

    bool copyRecording(const fs::path& source, const std::vector<SourceFile>& files, const fs::path& destination) {
        const fs::path name = source.filename().empty() ? source.parent_path().filename() : source.filename();
        std::string temp = (destination / ("." + name.native() + ".copy-XXXXXX")).native();
        if (!::mkdtemp(temp.data())) return destinationError(destination);
        temp_ = temp;
        std::string sums;
        CopiedRecording done{source, {}, 0, 0};
        for (const SourceFile& f : files) {
            std::string hex;
            if (!copyFile(source / f.name, temp_ / f.name, hex)) return abandon();
            sums += Sha256SumsLine(hex, f.name);
            ++done.files;
            done.bytes += f.size;
        }
        if (const Status written = ReplaceFileContents(temp_ / kChecksumFileName, sums); !written) {
            fail(written.errorNumber == ENOSPC ? CopyEnd::DestinationFull : CopyEnd::DestinationFailed,
                 temp_ / kChecksumFileName, written.message);
            return abandon();
        }
        syncFolder(temp_);
        // The folder keeps the recording's time too.
        struct stat st {};
        if (::stat(source.c_str(), &st) == 0) {
            const timespec times[2] = {st.st_atim, st.st_mtim};
            ::utimensat(AT_FDCWD, temp_.c_str(), times, 0);
        }
        ::chmod(temp_.c_str(), 0777 & ~currentUmask());
        // Never onto an existing folder: a name taken meanwhile moves on to the next one.
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const fs::path target = FreeFolderName(destination, name);
            if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
                syncFolder(destination);
                done.destination = target;
                result_.copied.push_back(done);
                temp_.clear();
                return true;
            }
            if (errno != EEXIST) break;
        }
        destinationError(destination);
        return abandon();
    }

    bool fail(CopyEnd end, const fs::path& at, const std::string& reason) {
        if (result_.end == CopyEnd::Complete) {
            result_.end = end;
            result_.failedAt = at;
            result_.reason = reason;
        }
        return false;
    }

    bool abandon() {
        if (!temp_.empty()) {
            std::error_code ec;
            fs::remove_all(temp_, ec);
            temp_.clear();
        }
        return false;
    }

private:
    static mode_t currentUmask() {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return mask;
    }

    bool destinationError(const fs::path& at) {
        const int e = errno;
        return fail(e == ENOSPC ? CopyEnd::DestinationFull : CopyEnd::DestinationFailed, at, std::strerror(e));
    }

    static void syncFolder(const fs::path& folder) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) ::fsync(fd), ::close(fd);
    }

    bool cancelled() {
        if (cb_.cancelled && cb_.cancelled()) return fail(CopyEnd::Cancelled, {}, {}), true;
        return false;
    }

    bool writeAll(int fd, const char* data, std::size_t size, const fs::path& target) {
        while (size > 0) {
            const ssize_t n = cb_.write ? cb_.write(fd, data, size) : ::write(fd, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0) errno = ENOSPC;
                return destinationError(target);
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    // Copies one file through a temporary file beside `target`, with its times, and compares
    // the bytes read back from the destination with those read from the source.
    bool copyFile(const fs::path& source, const fs::path& target, std::string& hex) {
        Fd in(openForReading(source));
        struct stat st {};
        if (in.fd < 0 || ::fstat(in.fd, &st) != 0) return fail(CopyEnd::SourceUnreadable, source, std::strerror(errno));
        TemporaryFile temp = CreateTemporaryBeside(target);
        if (temp.fd < 0) {
            errno = temp.errorNumber;
            return destinationError(target);
        }
        Fd out(temp.fd);
        auto discard = [&temp] {
            ::unlink(temp.path.c_str());
            return false;
        };
        Sha256 sha;
        for (;;) {
            if (cancelled()) return discard();
            const ssize_t n = ::read(in.fd, buffer_.data(), buffer_.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return fail(CopyEnd::SourceUnreadable, source, std::strerror(errno)), discard();
            if (n == 0) break;
            sha.update(buffer_.data(), static_cast<std::size_t>(n));
            if (!writeAll(out.fd, buffer_.data(), static_cast<std::size_t>(n), target)) return discard();
            done_ += static_cast<std::uint64_t>(n);
            if (cb_.progress) cb_.progress(std::min(done_, total), total, recording);
        }
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (::fsync(out.fd) != 0 || ::futimens(out.fd, times) != 0) return destinationError(target), discard();
        // Read back from the disk, not from the copy the page cache still holds.
        ::posix_fadvise(out.fd, 0, 0, POSIX_FADV_DONTNEED);
        std::string written;
        if (::lseek(out.fd, 0, SEEK_SET) != 0 || !hashRest(out.fd, written)) return destinationError(target), discard();
        hex = sha.finishHex();
        if (written != hex) return fail(CopyEnd::Mismatch, target, "SHA-256 differs"), discard();
        if (::close(out.release()) != 0) return destinationError(target), discard();
        if (::rename(temp.path.c_str(), target.c_str()) != 0) return destinationError(target), discard();
        return true;
    }

    const CopyCallbacks& cb_;
    CopyResult& result_;
    std::vector<char> buffer_;
    fs::path temp_;
    std::uint64_t done_ = 0;
};

}  // namespace

fs::path FreeFolderName(const fs::path& folder, const fs::path& name) {
    for (int n = 1;; ++n) {
        const fs::path candidate = folder / (n == 1 ? name.native() : name.native() + " (" + std::to_string(n) + ")");
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) != 0 && errno == ENOENT) return candidate;
    }
}

CopyResult CopyRecordings(const std::vector<fs::path>& sources, const fs::path& destination,
                          const CopyCallbacks& callbacks) {
    CopyResult result;
    Copier copier(callbacks, result);
    struct stat st {};
    if (::stat(destination.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        copier.fail(CopyEnd::DestinationFailed, destination, std::strerror(errno ? errno : ENOTDIR));
        return result;
    }
    // Everything is listed first, for a total that the bar can count against.
    std::vector<std::vector<SourceFile>> files(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!listFiles(sources[i], files[i])) {
            copier.fail(CopyEnd::SourceUnreadable, sources[i], std::strerror(errno ? errno : EIO));
            return result;
        }
        for (const SourceFile& f : files[i]) copier.total += f.size;
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
        copier.recording = static_cast<int>(i);
        if (!copier.copyRecording(sources[i], files[i], destination)) break;
    }
    if (result.end == CopyEnd::Complete && callbacks.progress)
        callbacks.progress(copier.total, copier.total, static_cast<int>(sources.size()));
    return result;
}

}  // namespace drv

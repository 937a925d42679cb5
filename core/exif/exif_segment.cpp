#include "core/exif/exif_segment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace drv {

namespace {

// Reads up to `length` bytes at `offset`, fewer only where the file ends; -1 on an error.
std::int64_t readAt(int fd, std::uint8_t* out, std::uint64_t offset, std::uint64_t length) {
    std::uint64_t done = 0;
    while (done < length) {
        const ssize_t got =
            ::pread(fd, out + done, static_cast<std::size_t>(length - done), static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::uint64_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

}  // namespace

ExifSegmentFile::ExifSegmentFile(const std::filesystem::path& path) {
    if (path.empty()) return;
    // Non-blocking, so that a pipe or device named like a frame cannot stall the open.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) {
        status_ = errno == ENOENT || errno == ENOTDIR || errno == ELOOP ? ExifStatus::NotAFile : ExifStatus::Unreadable;
        return;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        status_ = ExifStatus::Unreadable;
        return;
    }
    if (!S_ISREG(st.st_mode)) return;

    // The first page holds the SOI and, in every frame the recorder writes, all of the Exif data.
    std::uint8_t first[kPage];
    std::uint64_t size = static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0));
    const std::int64_t got = readAt(fd_, first, 0, std::min(size, kPage));
    if (got < 0) {
        status_ = ExifStatus::Unreadable;
        return;
    }
    bytesRead_ = static_cast<std::uint64_t>(got);
    if (bytesRead_ < std::min(size, kPage)) size = bytesRead_;  // it shrank since fstat
    if (size >= kExifTiffHeaderOffset + 2) std::memcpy(mark_, first + kExifTiffHeaderOffset, 2);
    limit_ = std::min<std::uint64_t>(size, kExifReadLimit);
    buffer_.reset(new std::uint8_t[static_cast<std::size_t>(limit_)]);
    std::memcpy(buffer_.get(), first, static_cast<std::size_t>(std::min(limit_, kPage)));
    loaded_ = 1;
    status_ = ExifStatus::Ok;
}

ExifSegmentFile::~ExifSegmentFile() {
    if (fd_ >= 0) ::close(fd_);
}

const std::uint8_t* ExifSegmentFile::bytes(std::uint64_t offset, std::uint64_t length) {
    if (status_ != ExifStatus::Ok || offset > limit_ || length > limit_ - offset) return nullptr;
    if (length > 0 && !load(static_cast<int>(offset / kPage), static_cast<int>((offset + length - 1) / kPage + 1)))
        return nullptr;
    return buffer_.get() + offset;
}

bool ExifSegmentFile::load(int firstPage, int endPage) {
    for (int p = firstPage; p < endPage;) {
        if (loaded_ >> p & 1u) {
            ++p;
            continue;
        }
        int q = p;  // one read for the run of missing pages p..q-1
        while (q < endPage && !(loaded_ >> q & 1u)) ++q;
        const std::uint64_t from = std::uint64_t(p) * kPage;
        const std::uint64_t to = std::min(std::uint64_t(q) * kPage, limit_);
        const std::int64_t got = readAt(fd_, buffer_.get() + from, from, to - from);
        if (got > 0) bytesRead_ += static_cast<std::uint64_t>(got);
        if (got != static_cast<std::int64_t>(to - from)) {  // failed, or the file shrank
            status_ = ExifStatus::Unreadable;
            return false;
        }
        for (int k = p; k < q; ++k) loaded_ |= 1u << k;
        p = q;
    }
    return true;
}

}  // namespace drv

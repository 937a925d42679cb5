#include "core/common/file_write.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace drv {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TemporaryFile CreateTemporaryBeside(const std::filesystem::path& target) {
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
    // mkstemp makes the file private. Should the mode not take, the file is still whole.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(temp.fd, 0666 & ~mask);
    return temp;
}

bool WriteFileReplacing(const std::filesystem::path& target, std::string_view bytes, std::string& error) {
    const TemporaryFile temp = CreateTemporaryBeside(target);
    if (temp.fd < 0) {
        error = temp.error;
        return false;
    }
    bool ok = writeAll(temp.fd, bytes) && ::fsync(temp.fd) == 0;
    const int savedErrno = errno;
    ok = ::close(temp.fd) == 0 && ok;
    if (ok && ::rename(temp.path.c_str(), target.c_str()) == 0) return true;
    error = std::strerror(ok ? errno : savedErrno);
    ::unlink(temp.path.c_str());
    return false;
}

}  // namespace drv

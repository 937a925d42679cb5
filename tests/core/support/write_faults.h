#pragma once
// Writes that fail as a full disk makes them fail: through the writer's seam (always), and on a
// real small file system (where the test may mount one).
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>

#include "core/common/file_write_seam.h"
#include "tests/core/support/frame_files.h"

namespace drv::test {

// A disk with `room` bytes left: a write beyond it takes what fits, the next fails with ENOSPC.
inline WriteCalls DiskFullAfter(std::size_t room) {
    auto left = std::make_shared<std::size_t>(room);
    WriteCalls calls;
    calls.write = [left](int fd, const void* data, std::size_t size) -> ssize_t {
        if (*left == 0) return errno = ENOSPC, -1;
        const std::size_t n = std::min(size, *left);
        const ssize_t written = ::write(fd, data, n);
        if (written > 0) *left -= static_cast<std::size_t>(written);
        return written;
    };
    return calls;
}

// A tmpfs of `bytes` mounted over a fresh folder; unmounted with the object. Mounting needs
// root and a system that allows it: check mounted() (DRV_REQUIRE_SMALL_DISK) before use.
class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes) {
        if (folder_.path().empty()) return;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        mounted_ = ::mount("tmpfs", folder_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(folder_.path().c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return folder_.path(); }

private:
    TempFolder folder_;
    bool mounted_ = false;
};

#define DRV_REQUIRE_SMALL_DISK(disk) \
    if (!(disk).mounted()) GTEST_SKIP() << "mounting a small tmpfs is not allowed here"

// The names in `folder`, sorted, to compare what a failed write left behind.
inline std::vector<std::string> Entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace drv::test

#pragma once
// The system calls behind every writer of file_write.h, replaceable so that a test can play a
// full disk, a failing flush or a rename that is refused without needing such a disk. Only
// tests install them, before the writers they watch start.
#include <sys/types.h>

#include <cstddef>
#include <functional>

namespace drv {

struct WriteCalls {
    // Each empty member keeps the system's call.
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write{};
    std::function<int(int fd)> fsync{};
    std::function<int(int fd)> close{};
    std::function<int(const char* from, const char* to)> rename{};
};

// Installs `calls` for every writer in the process until it goes out of scope.
class ScopedWriteCalls {
public:
    explicit ScopedWriteCalls(WriteCalls calls);
    ~ScopedWriteCalls();
    ScopedWriteCalls(const ScopedWriteCalls&) = delete;
    ScopedWriteCalls& operator=(const ScopedWriteCalls&) = delete;

private:
    WriteCalls calls_;
    const WriteCalls* previous_;
};

}  // namespace drv

#pragma once
// Whether an operation worked and, when it did not, why. One small shape for every failure core
// reports: a sentence for people and, for a failure the system reported, its errno, so that a
// caller can show the reason and still tell a full disk (ENOSPC) from a missing folder (ENOENT).
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace drv {

struct Status {
    bool ok = true;
    std::string message;  // what failed and why; empty when ok
    int errorNumber = 0;  // the system's errno for a failure it reported, else 0

    explicit operator bool() const { return ok; }

    static Status Success() { return {}; }
    static Status Failure(std::string message, int errorNumber = 0) { return {false, std::move(message), errorNumber}; }
    // "<what>: <the system's text for errorNumber>".
    static Status FromErrno(int errorNumber, std::string_view what) {
        std::string message(what);
        if (!message.empty()) message += ": ";
        message += std::strerror(errorNumber);
        return {false, std::move(message), errorNumber};
    }
};

}  // namespace drv

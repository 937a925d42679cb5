#pragma once
// Monotonic milliseconds, behind an interface so that playback pacing is tested in no time.
#include <chrono>
#include <cstdint>

namespace drv {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() const = 0;
};

class SteadyClock final : public Clock {
public:
    std::int64_t nowMs() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

}  // namespace drv

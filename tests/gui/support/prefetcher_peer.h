#pragma once
// A friend of the frame prefetcher: what the tests and the benchmark look at or set inside it.
#include <algorithm>
#include <mutex>

#include "gui/viewer/frame_prefetcher.h"

namespace drv::test {

class PrefetcherPeer {
public:
    static std::size_t cachedFrames(const FramePrefetcher& p) {
        std::lock_guard lock(p.mutex_);
        return p.cache_.size();
    }
    // 0 turns reading ahead off; whatever was cached or wished for is dropped.
    static void setDepth(FramePrefetcher& p, int frames) {
        std::lock_guard lock(p.mutex_);
        p.limits_.frames = std::max(0, frames);
        p.dropLocked();
    }
};

}  // namespace drv::test

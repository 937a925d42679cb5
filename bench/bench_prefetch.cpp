// Playback at level 2 of a 14 fps recording whose files come from a slow reader (a delay per
// file, as on a card reader), in the real main window offscreen: the frames per second reached
// with the frames decoded ahead and without, in the same run, against the recording's own 14.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "gui/app/main_window.h"
#include "gui/common/app_paths.h"
#include "gui/common/sample_recording.h"
#include "gui/viewer/frame_prefetcher.h"
#include "bench/support/window_rig.h"
#include "tests/gui/support/prefetcher_peer.h"

namespace {

using SteadyTime = std::chrono::steady_clock;
constexpr int kFrames = 70;  // five seconds at 14 fps

// Also counts the reads the interface thread makes itself: the frames not found read ahead.
class DelayedSource : public drv::FrameSource {
public:
    explicit DelayedSource(int delayMs) : delayMs_(delayMs) {}
    QByteArray read(const std::filesystem::path& file) const override {
        if (std::this_thread::get_id() == interfaceThread_) ++interfaceReads;
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
        return drv::FileFrameSource().read(file);
    }
    mutable std::atomic<int> interfaceReads{0};

private:
    int delayMs_;
    std::thread::id interfaceThread_ = std::this_thread::get_id();
};

struct PrefetchRig : drv::bench::WindowRig {
    PrefetchRig() : WindowRig(kFrames) {}
};

PrefetchRig& rig() {
    static PrefetchRig r;
    return r;
}

struct PlayResult {
    double fps = 0;
    double longestStallMs = 0;  // the longest time the event loop could not answer the user
    int stallsOver50Ms = 0;
};

// Plays the whole recording at level 2: the frames shown per second of the loop (the start shot
// of 100 ms left out: it comes before the first frame of the loop), and how long the window was
// blocked at most, seen by a 2 ms timer.
PlayResult playAll(drv::MainWindow& w, int depth) {
    drv::test::PrefetcherPeer::setDepth(w.prefetcher(), depth);
    w.cmdPlay(0)->click();
    w.setSpeedLevel(2);
    const auto start = SteadyTime::now();
    w.mnuStart_Click();
    QEventLoop loop;
    QTimer poll;
    PlayResult result;
    auto last = SteadyTime::now();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const auto now = SteadyTime::now();
        const double gapMs = std::chrono::duration<double, std::milli>(now - last).count();
        result.longestStallMs = std::max(result.longestStallMs, gapMs);
        result.stallsOver50Ms += gapMs > 50 ? 1 : 0;
        last = now;
        if (!w.playback().isActive()) loop.quit();
    });
    poll.start(2);
    loop.exec();
    const double seconds = std::chrono::duration<double>(SteadyTime::now() - start).count() -
                           static_cast<double>(drv::StartDelayMs(true)) / 1000.0;
    result.fps = kFrames / seconds;
    return result;
}

void BM_PrefetchPaceLevel2(benchmark::State& state) {
    drv::MainWindow& w = *rig().window;
    const auto source = std::make_shared<DelayedSource>(static_cast<int>(state.range(0)));
    w.prefetcher().setSource(source);
    for (auto _ : state) {
        const int reads0 = source->interfaceReads;
        const PlayResult off = playAll(w, 0);
        const int reads1 = source->interfaceReads;
        const PlayResult on = playAll(w, drv::FramePrefetcher::Limits{}.frames);
        const double without = off.fps, with = on.fps;
        state.counters["stall_ms_without"] = off.longestStallMs;
        state.counters["stall_ms_with"] = on.longestStallMs;
        state.counters["stalls50_without"] = off.stallsOver50Ms;
        state.counters["stalls50_with"] = on.stallsOver50Ms;
        state.counters["fps_without"] = without;
        state.counters["fps_with"] = with;
        state.counters["pace_without"] = without / 14.0;
        state.counters["pace_with"] = with / 14.0;
        state.counters["x_with_vs_without"] = with / without;
        state.counters["ui_reads_without"] = reads1 - reads0;
        state.counters["ui_reads_with"] = source->interfaceReads - reads1;
    }
    w.prefetcher().setSource(std::make_shared<drv::FileFrameSource>());
    drv::test::PrefetcherPeer::setDepth(w.prefetcher(), drv::FramePrefetcher::Limits{}.frames);
}
BENCHMARK(BM_PrefetchPaceLevel2)
    ->ArgName("delay_ms")
    ->Arg(0)
    ->Arg(40)
    ->Arg(90)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

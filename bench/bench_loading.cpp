// Loading a recording's telemetry against the least any loader must do: open each
// frame, read its first 4 KiB, close it. Budget: at most 2.0 times the baseline.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/loading/frame_loader.h"
#include "gui/common/sample_recording.h"

namespace {

namespace fs = std::filesystem;

// A 441-frame recording with real pictures, made once per run.
struct Folder {
    fs::path dir;
    drv::FileNameList names;
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "drv-bench-XXXXXX").string();
        dir = ::mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
        drv::SampleOptions options;
        options.frames = 441;
        options.trigger = 200;
        std::string error;
        if (dir.empty() || !drv::MakeSampleRecording(dir, options, &error)) std::abort();
        names = drv::ListJpgFiles(dir);
        drv::OrderFilesByTime(dir, names);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const Folder& folder() {
    static const Folder f;
    return f;
}

void baselineRead(const Folder& f) {
    char buf[4096];
    for (std::size_t i = 1; i < f.names.size(); ++i) {
        const int fd = ::open((f.dir / f.names[i]).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) std::abort();
        benchmark::DoNotOptimize(::read(fd, buf, sizeof buf));
        ::close(fd);
    }
}

void loadAll(const Folder& f, drv::FrameTable& frames, drv::RecordingState& state) {
    int last = 0;
    drv::LoadAllFrames(f.dir, f.names, frames, state, [&](int p) { last = p; });
    benchmark::DoNotOptimize(last);
}

void BM_LoadAllFrames441(benchmark::State& state) {
    const Folder& f = folder();
    drv::FrameTable frames;
    drv::RecordingState recording;
    loadAll(f, frames, recording);  // warm the cache
    for (auto _ : state) loadAll(f, frames, recording);
}
BENCHMARK(BM_LoadAllFrames441)->Unit(benchmark::kMillisecond);

void BM_Open4KiBClose441Baseline(benchmark::State& state) {
    const Folder& f = folder();
    baselineRead(f);
    for (auto _ : state) baselineRead(f);
}
BENCHMARK(BM_Open4KiBClose441Baseline)->Unit(benchmark::kMillisecond);

// Both, interleaved in each iteration so that machine noise hits them alike; the
// counter "ratio" is load time / baseline time (budget 2.0).
void BM_LoadAllFramesRatio(benchmark::State& state) {
    const Folder& f = folder();
    drv::FrameTable frames;
    drv::RecordingState recording;
    loadAll(f, frames, recording);
    baselineRead(f);
    using Clock = std::chrono::steady_clock;
    Clock::duration load{}, base{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        baselineRead(f);
        const auto t1 = Clock::now();
        loadAll(f, frames, recording);
        const auto t2 = Clock::now();
        base += t1 - t0;
        load += t2 - t1;
    }
    state.counters["ratio"] = std::chrono::duration<double>(load).count() / std::chrono::duration<double>(base).count();
    state.counters["load_ms"] =
        std::chrono::duration<double, std::milli>(load).count() / static_cast<double>(state.iterations());
    state.counters["baseline_ms"] =
        std::chrono::duration<double, std::milli>(base).count() / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LoadAllFramesRatio)->Unit(benchmark::kMillisecond);

}  // namespace

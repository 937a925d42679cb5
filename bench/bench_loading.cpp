// Loading a recording's telemetry against the least any loader must do: open each
// frame, read its first 4 KiB, close it. Budget: at most 2.0 times the baseline.
// And reading a hostile frame against reading a normal one.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/exif/exif_reader.h"
#include "core/exif/frame_writer.h"
#include "core/recording/recording_loader.h"
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

// Frames made to exhaust a reader (little-endian, from our own frame writer):
// 0: a sparse 3 GB file whose MakerNote lies 3 GB in, behind the largest segment;
// 1: 32767 UserComment entries of 64 KiB each (the IFD runs far past the segment);
// 2: 4000 UserComment entries of 12000 bytes each, all inside the segment.
struct HostileFrame {
    fs::path file;
    explicit HostileFrame(int kind) {
        file = folder().dir.parent_path() /
               ("drv-bench-hostile-" + std::to_string(::getpid()) + "-" + std::to_string(kind) + ".jpg");
        drv::ExifLayout l;
        const auto body = drv::TinyJpegBody();
        std::vector<std::uint8_t> b = drv::BuildFrame(drv::FrameExif{}, body.data(), body.size(), &l);
        auto put = [&b](std::size_t at, std::uint32_t v, int size) {
            if (b.size() < at + static_cast<std::size_t>(size)) b.resize(at + static_cast<std::size_t>(size));
            for (int i = 0; i < size; ++i)
                b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        auto userComments = [&](std::size_t ifd, std::uint32_t n, std::uint32_t count, std::uint32_t value) {
            put(ifd, n, 2);
            for (std::size_t k = 0; k < n; ++k) {
                put(ifd + 2 + 12 * k, drv::kTagUserComment, 2), put(ifd + 4 + 12 * k, 7, 2);
                put(ifd + 6 + 12 * k, count, 4), put(ifd + 10 + 12 * k, value, 4);
            }
        };
        const std::size_t exifIfd = drv::ExifLayout::kTiffBase + l.exifIfd;
        std::uint64_t sparseSize = 0;
        if (kind == 0) {
            put(l.exifEntry(2) + 8, 3'000'000'000u, 4);
            b[4] = b[5] = 0xFF;
            sparseSize = 3'000'000'100u;
        } else if (kind == 1) {
            userComments(exifIfd, 32767, 65536, static_cast<std::uint32_t>(exifIfd + 2 + 32767 * 12 - 12));
            b.resize(exifIfd + 2 + 32767 * 12 + 65536, 0x5A);
        } else {
            b.resize(4 + 0xFFFF, 0x5A);  // the largest segment, its tail the shared value
            b[4] = b[5] = 0xFF;
            userComments(exifIfd, 4000, 12000, static_cast<std::uint32_t>(b.size() - 12000 - 12));
        }
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, b.data(), b.size()) != static_cast<ssize_t>(b.size()) ||
            (sparseSize && ::ftruncate(fd, static_cast<off_t>(sparseSize)) != 0))
            std::abort();
        ::close(fd);
    }
    ~HostileFrame() {
        std::error_code ec;
        fs::remove(file, ec);
    }
};

// Each iteration reads the first frame of the sample recording and the hostile frame; the
// counter "ratio" is hostile time / normal time, and bytes_read / buffer_bytes what the
// hostile read took from the file and held at most.
void BM_HostileFrameRatio(benchmark::State& state) {
    const Folder& f = folder();
    const HostileFrame hostile(static_cast<int>(state.range(0)));
    const fs::path normal = f.dir / f.names[1];
    using Clock = std::chrono::steady_clock;
    Clock::duration hostileTime{}, normalTime{};
    drv::ExifReadCost cost;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(drv::ReadExifTags(normal));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(drv::ReadExifTags(hostile.file, &cost));
        const auto t2 = Clock::now();
        normalTime += t1 - t0;
        hostileTime += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ratio"] =
        std::chrono::duration<double>(hostileTime).count() / std::chrono::duration<double>(normalTime).count();
    state.counters["hostile_us"] = std::chrono::duration<double, std::micro>(hostileTime).count() / n;
    state.counters["normal_us"] = std::chrono::duration<double, std::micro>(normalTime).count() / n;
    state.counters["bytes_read"] = static_cast<double>(cost.bytesRead);
    state.counters["buffer_bytes"] = static_cast<double>(cost.bufferBytes);
}
BENCHMARK(BM_HostileFrameRatio)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

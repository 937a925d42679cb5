// Brightening runs on every frame of a brightened playback: its budget is twice the JPEG
// decode of the same 640 x 480 frame, measured here in the same run.
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "bench/support/night_frame.h"
#include "core/viewer/brightness.h"

namespace {

const QByteArray& frameJpeg() { return drv::bench::NightFrameJpeg(); }

QImage decodeFrame() { return QImage::fromData(frameJpeg(), "JPEG"); }

// Thread CPU time: the machines are shared, and waiting for a core is not our cost.
double cpuNanos() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

double decodeNanos() {
    std::vector<double> times;
    for (int i = 0; i < 31; ++i) {
        const double t0 = cpuNanos();
        benchmark::DoNotOptimize(decodeFrame());
        times.push_back(cpuNanos() - t0);
    }
    std::nth_element(times.begin(), times.begin() + 15, times.end());
    return times[15];
}

void BM_DecodeJpeg640x480(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(decodeFrame());
}
BENCHMARK(BM_DecodeJpeg640x480)->Unit(benchmark::kMicrosecond);

// The brightening of one frame; the counter "xDecode" is its time over the median decode
// time measured just before it.
template <void (*Fn)(std::uint8_t*, std::size_t, std::size_t, bool)>
void brightenBench(benchmark::State& state) {
    const QImage frame = decodeFrame().convertToFormat(QImage::Format_BGR888);
    const std::size_t stride = std::size_t(frame.bytesPerLine()), rows = std::size_t(frame.height());
    const std::vector<std::uint8_t> original(frame.constBits(), frame.constBits() + stride * rows);
    std::vector<std::uint8_t> work(original.size());
    const double decodeNs = decodeNanos();
    const double t0 = cpuNanos();
    for (auto _ : state) {
        std::memcpy(work.data(), original.data(), work.size());  // never brighten twice
        Fn(work.data(), stride, rows, state.range(0) != 0);
        benchmark::DoNotOptimize(work.data());
    }
    state.counters["xDecode"] = (cpuNanos() - t0) / double(state.iterations()) / decodeNs;
    state.counters["jpegBytes"] = double(frameJpeg().size());
}

void BM_BrightenFloat(benchmark::State& state) { brightenBench<drv::BrightenPicture>(state); }
BENCHMARK(BM_BrightenFloat)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_BrightenInteger(benchmark::State& state) { brightenBench<drv::BrightenPictureInteger>(state); }
BENCHMARK(BM_BrightenInteger)->Arg(1)->Unit(benchmark::kMicrosecond);

// The direct per-pixel loop with library rounding, for scale.
void naiveFloat(std::uint8_t* buf, std::size_t stride, std::size_t rows, bool x2) {
    const double ky = x2 ? 2.0 : 1.6, cbG = x2 ? 0.481 : 0.412, cbB = x2 ? 2.48 : 2.126;
    for (std::size_t y = 0; y < rows; ++y) {
        for (std::size_t x = 0; x + 3 <= stride; x += 3) {
            std::uint8_t* p = buf + y * stride + x;
            const float b = p[0], g = p[1], r = p[2];
            const float yy = float(0.299 * r + 0.587 * g + 0.114 * b);
            const float cb = float(-0.169 * r - 0.332 * g + 0.5 * b);
            const float cr = float(0.5 * r - 0.419 * g - 0.081 * b);
            const float o[3] = {float(ky * yy + cbB * cb), float(ky * yy - cbG * cb - 0.856 * cr),
                                float(ky * yy + 1.682 * cr)};
            for (int i = 0; i < 3; ++i) p[i] = std::uint8_t(std::nearbyint(std::clamp(o[i], 0.0f, 255.0f)));
        }
    }
}
void BM_BrightenNaiveBaseline(benchmark::State& state) { brightenBench<naiveFloat>(state); }
BENCHMARK(BM_BrightenNaiveBaseline)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

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

#include "core/viewer/brightness.h"

namespace {

// A dark road-like scene with sensor noise, so the JPEG carries about as much detail as a
// night frame from the recorder (a smooth gradient would decode unrealistically fast).
const QByteArray& frameJpeg() {
    static const QByteArray data = [] {
        QImage img(640, 480, QImage::Format_RGB888);
        QPainter p(&img);
        QLinearGradient sky(0, 0, 0, 480);
        sky.setColorAt(0, QColor(20, 24, 40));
        sky.setColorAt(0.5, QColor(60, 55, 50));
        sky.setColorAt(1, QColor(35, 35, 35));
        p.fillRect(img.rect(), sky);
        p.setBrush(QColor(90, 90, 80));
        p.drawPolygon(QPolygon({QPoint(0, 480), QPoint(280, 240), QPoint(360, 240), QPoint(640, 480)}));
        p.setPen(QPen(QColor(200, 190, 120), 6));
        p.drawLine(320, 250, 320, 480);
        p.end();
        std::mt19937 rng(7);
        for (int y = 0; y < 480; ++y) {
            uchar* row = img.scanLine(y);
            for (int x = 0; x < 640 * 3; ++x) row[x] = uchar(std::clamp(int(row[x]) + int(rng() % 17) - 8, 0, 255));
        }
        QByteArray out;
        QBuffer buf(&out);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "JPEG", 85);
        return out;
    }();
    return data;
}

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

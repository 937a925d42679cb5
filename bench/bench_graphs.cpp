// The chart during playback: a cursor step must cost no more than decoding the frame it
// belongs to (a 640 x 480 JPEG), and a zoom's full redraw must stay well under 50 ms.
// Each chart benchmark reports "x_decode", its time per step over the decode time
// measured in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <memory>

#include "bench/support/night_frame.h"
#include "core/graphs/chart_drawing.h"
#include "core/graphs/raster_canvas.h"
#include "gui/graphs/chart_view.h"

namespace {

using Clock = std::chrono::steady_clock;

const QByteArray& sampleJpeg() { return drv::bench::NightFrameJpeg(); }

double decodeSeconds() {
    static const double seconds = [] {
        QImage warm;
        warm.loadFromData(sampleJpeg(), "JPEG");
        constexpr int n = 60;
        const auto start = Clock::now();
        for (int i = 0; i < n; ++i) {
            QImage img;
            img.loadFromData(sampleJpeg(), "JPEG");
            benchmark::DoNotOptimize(img.constBits());
        }
        return std::chrono::duration<double>(Clock::now() - start).count() / n;
    }();
    return seconds;
}

class BenchHost final : public drv::ChartHost {
public:
    int current = 1;
    bool folderOpen() const override { return true; }
    bool playEnabled() const override { return false; }
    int currentFrame() const override { return current; }
    int frameCount() const override { return drv::kGraphSampleCount; }
    void setCurrentFrame(int f) override { current = f; }
    void ShowFrame() override {}
    void UpdateDataPanel(int) override {}
};

drv::RecordingState benchRecording() {
    drv::RecordingState rec;
    for (int k = 0; k < drv::kGraphSampleCount; ++k) {
        rec.GraphSamples[0][k] = static_cast<std::int32_t>(std::lround(110 * std::sin(k / 11.0)));
        rec.GraphSamples[1][k] = static_cast<std::int32_t>(std::lround(80 * std::cos(k / 7.0)));
        rec.GraphSamples[2][k] = -120 + k % 240;
        rec.GraphSamples[3][k] = (k / 20) % 2 ? 70 : 0;
    }
    rec.TriggerPosition = drv::kUnitsPerFrame * 220;
    return rec;
}

struct ChartFixture {
    BenchHost host;
    drv::RecordingState rec = benchRecording();
    std::unique_ptr<drv::ChartView> view;
    ChartFixture() {
        view = std::make_unique<drv::ChartView>(host, rec, nullptr);
        view->setGraphWidth(drv::kUnitsPerFrame * drv::kGraphSampleCount);
        view->SetUpGraphs();
        view->ShowDefaultChannels();
        view->show();
        QApplication::processEvents();
    }
};

void reportRatio(benchmark::State& state, double seconds, std::int64_t steps) {
    const double perStep = seconds / static_cast<double>(steps);
    state.counters["ms_per_step"] = perStep * 1e3;
    state.counters["x_decode"] = perStep / decodeSeconds();
}

// One playback step of the chart, including painting the viewport.
void BM_UpdateGraphCursor441(benchmark::State& state) {
    ChartFixture f;
    decodeSeconds();
    int frame = 1;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        f.host.current = frame;
        f.view->UpdateGraphCursor(frame);
        f.view->viewport()->repaint();
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        frame = frame % drv::kGraphSampleCount + 1;
    }
    reportRatio(state, seconds, state.iterations());
}
BENCHMARK(BM_UpdateGraphCursor441)->Unit(benchmark::kMillisecond);

// A zoom press: two redraws of every layer at the new scale, then the viewport painted.
void BM_ZoomFullRedraw(benchmark::State& state) {
    ChartFixture f;
    f.host.current = 200;
    f.view->UpdateGraphCursor(200);
    decodeSeconds();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        f.view->cbH_Click();
        f.view->viewport()->repaint();
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    reportRatio(state, seconds, state.iterations());
}
BENCHMARK(BM_ZoomFullRedraw)->Unit(benchmark::kMillisecond);

// What every step would cost without the cache: all layers painted from scratch at 3x.
void BM_UncachedRedraw441(benchmark::State& state) {
    drv::ChartState s;
    drv::InitGraphState(s);
    s.GraphWidth = drv::kUnitsPerFrame * drv::kGraphSampleCount;
    s.HZoomIndex = 2;
    s.HScale = s.PrevHScale = 3;
    s.ChannelVisible = {1, 1, 1, 1, 0};
    const drv::RecordingState rec = benchRecording();
    QImage image(drv::unitsToPixelExtent(63495), drv::unitsToPixelExtent(3060), QImage::Format_RGB32);
    decodeSeconds();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        drv::RasterCanvas canvas(reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
                                 static_cast<std::size_t>(image.bytesPerLine()) / 4);
        canvas.clear(drv::kBlack);
        drv::PaintGraphs(canvas, s, rec.GraphSamples, rec.TriggerPosition);
        benchmark::DoNotOptimize(image.constBits());
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    reportRatio(state, seconds, state.iterations());
}
BENCHMARK(BM_UncachedRedraw441)->Unit(benchmark::kMillisecond);

}  // namespace

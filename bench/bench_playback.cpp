// One playback step of the real main window (ShowFrame with x2.0 brightening, the chart
// cursor, the panel, and painting them offscreen) against the bare decode of the same
// frame's JPEG file, measured in the same run: budget 4.0 x decode. And the processor
// time of ten seconds of playback at level 0, which must stay far below the ten seconds.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>
#include <QEventLoop>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/resource.h>
#include <time.h>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "gui/app/main_window.h"
#include "gui/common/app_paths.h"
#include "gui/common/sample_recording.h"
#include "gui/graphs/chart_view.h"
#include "gui/viewer/picture_view.h"
#include "bench/support/window_rig.h"

namespace {

using Clock = std::chrono::steady_clock;

// Processor time of this thread: the machine is shared, and wall time would count the other
// programs' turns on both sides of a ratio at different rates.
struct ThreadClock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<ThreadClock, duration>;
    static time_point now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec));
    }
};
constexpr int kFrames = 60;

// A drawn 640 x 480 recording, made once per run.
struct PlaybackRig : drv::bench::WindowRig {
    PlaybackRig() : WindowRig(kFrames) {}
    QByteArray fileBytes(int frame) const {
        std::ifstream in(window->recording().framePath(frame), std::ios::binary);
        return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
    }
};

PlaybackRig& rig() {
    static PlaybackRig r;
    return r;
}

// Reading and decoding the frame file: what the step cannot do without.
double decodeOnce(int frame) {
    const auto start = ThreadClock::now();
    QImage img;
    img.loadFromData(rig().fileBytes(frame));
    benchmark::DoNotOptimize(img.constBits());
    return std::chrono::duration<double>(ThreadClock::now() - start).count();
}

void BM_PlaybackFrameDecode(benchmark::State& state) {
    int frame = 1;
    for (auto _ : state) {
        decodeOnce(frame);
        frame = frame % kFrames + 1;
    }
    state.counters["x_decode"] = 1.0;
}
BENCHMARK(BM_PlaybackFrameDecode)->Unit(benchmark::kMillisecond);

void BM_PlaybackStepX20(benchmark::State& state) {
    drv::MainWindow& w = *rig().window;
    w.mnuHi20_Click();
    decodeOnce(1);
    int frame = 1;
    // The bare decode of the same frame is timed beside every step, so that a load that
    // comes and goes on the shared machine falls on both sides of the ratio.
    double stepSeconds = 0, decodeTotal = 0;
    double parts[3] = {};
    for (auto _ : state) {
        decodeTotal += decodeOnce(frame);
        const auto start = ThreadClock::now();
        w.setCurrentFrame(frame);
        w.ShowFrame();
        const auto shown = ThreadClock::now();
        w.UpdateGraphCursor(frame);
        w.UpdateDataPanel(frame);
        const auto updated = ThreadClock::now();
        w.image1()->repaint();
        w.chart()->viewport()->repaint();
        const auto painted = ThreadClock::now();
        parts[0] += std::chrono::duration<double>(shown - start).count();
        parts[1] += std::chrono::duration<double>(updated - shown).count();
        parts[2] += std::chrono::duration<double>(painted - updated).count();
        stepSeconds += std::chrono::duration<double>(painted - start).count();
        frame = frame % kFrames + 1;
    }
    w.mnuOrg_Click();
    const double n = static_cast<double>(state.iterations());
    state.counters["ms_step"] = stepSeconds / n * 1e3;
    state.counters["ms_decode"] = decodeTotal / n * 1e3;
    state.counters["x_decode"] = stepSeconds / decodeTotal;
    // Where the time goes: ShowFrame (read, decode, brighten), cursor and panel, painting.
    state.counters["ms_show"] = parts[0] / n * 1e3;
    state.counters["ms_cursor_panel"] = parts[1] / n * 1e3;
    state.counters["ms_paint"] = parts[2] / n * 1e3;
}
BENCHMARK(BM_PlaybackStepX20)->Unit(benchmark::kMillisecond);

double cpuSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(use.ru_utime) + s(use.ru_stime);
}

// Ten seconds of playback at level 0 (wait 200 ms after each frame at 14 fps).
void BM_PlaybackLevel0Cpu10s(benchmark::State& state) {
    drv::MainWindow& w = *rig().window;
    for (auto _ : state) {
        w.cmdPlay(0)->click();
        w.setSpeedLevel(0);
        const double cpu0 = cpuSeconds();
        const auto wall0 = Clock::now();
        const int shown0 = w.recording().LastShownFrame;
        w.mnuStart_Click();
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        w.mnuStop_Click();
        state.counters["cpu_s"] = cpuSeconds() - cpu0;
        state.counters["wall_s"] = std::chrono::duration<double>(Clock::now() - wall0).count();
        state.counters["frames"] = w.recording().LastShownFrame - shown0 + 1;
    }
}
BENCHMARK(BM_PlaybackLevel0Cpu10s)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

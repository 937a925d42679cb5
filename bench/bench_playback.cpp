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
#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "gui/app/main_window.h"
#include "gui/common/app_paths.h"
#include "gui/common/sample_recording.h"
#include "gui/graphs/chart_view.h"
#include "gui/viewer/picture_view.h"
#include "tests/gui/support/fake_dialogs.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 60;

// A drawn 640 x 480 recording, made once per run.
struct PlaybackRig {
    QTemporaryDir dir;
    std::filesystem::path folder;
    drv::test::FakeDialogs dialogs;
    std::unique_ptr<drv::FixedAppPaths> paths;
    std::unique_ptr<drv::MainWindow> window;

    PlaybackRig() {
        folder = std::filesystem::path(dir.path().toStdString()) / "rec";
        drv::SampleOptions o;
        o.frames = kFrames;
        std::string error;
        if (!drv::MakeSampleRecording(folder, o, &error)) throw std::runtime_error(error);
        paths = std::make_unique<drv::FixedAppPaths>(dir.path().toStdString(), dir.path().toStdString());
        window = std::make_unique<drv::MainWindow>(dialogs, *paths);
        window->show();
        dialogs.folders.push_back(folder);
        window->mnuOpen_Click();
        QApplication::processEvents();
    }
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
    const auto start = Clock::now();
    QImage img;
    img.loadFromData(rig().fileBytes(frame));
    benchmark::DoNotOptimize(img.constBits());
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double decodeSeconds() {
    static const double seconds = [] {
        decodeOnce(1);
        double total = 0;
        constexpr int n = 3 * kFrames;
        for (int i = 0; i < n; ++i) total += decodeOnce(i % kFrames + 1);
        return total / n;
    }();
    return seconds;
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
    decodeSeconds();
    int frame = 1;
    double seconds = 0;
    double parts[5] = {};
    for (auto _ : state) {
        const auto start = Clock::now();
        w.setCurrentFrame(frame);
        w.ShowFrame();
        auto t1 = Clock::now(); parts[0] += std::chrono::duration<double>(t1 - start).count();
        w.UpdateGraphCursor(frame);
        auto t2 = Clock::now(); parts[1] += std::chrono::duration<double>(t2 - t1).count();
        w.UpdateDataPanel(frame);
        auto t3 = Clock::now(); parts[2] += std::chrono::duration<double>(t3 - t2).count();
        w.image1()->repaint();
        auto t4 = Clock::now(); parts[3] += std::chrono::duration<double>(t4 - t3).count();
        w.chart()->viewport()->repaint();
        auto t5 = Clock::now(); parts[4] += std::chrono::duration<double>(t5 - t4).count();
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        frame = frame % kFrames + 1;
    }
    w.mnuOrg_Click();
    const double perStep = seconds / static_cast<double>(state.iterations());
    state.counters["ms_per_step"] = perStep * 1e3;
    state.counters["x_decode"] = perStep / decodeSeconds();
    const char* names[5] = {"show", "cursor", "panel", "paintPic", "paintChart"};
    for (int i = 0; i < 5; ++i) state.counters[names[i]] = parts[i] / static_cast<double>(state.iterations()) * 1e3;
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

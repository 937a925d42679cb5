// Hostile pictures in a recording: frame 1 a progressive JPEG of 20,000 scans, frame 2 a
// 5700 x 5700 picture. Each figure is measured against the same recording without them, in the
// same run:
// - the viewer's start to its window (drviewer FOLDER, headless, to the end of its start-up);
// - the longest stall of the interface thread while the thumbnail list shows its first page;
// - the memory the picture window takes for a frame (peak resident size over the size before).
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

#include "gui/browse/picture_window.h"
#include "gui/browse/thumbnail_list.h"
#include "gui/common/sample_recording.h"
#include "tests/core/support/hostile_pictures.h"

namespace {

struct Recordings {
    QTemporaryDir dir;
    std::filesystem::path normal, hostile;
    Recordings() {
        const std::filesystem::path root = dir.path().toStdString();
        normal = root / "normal";
        hostile = root / "hostile";
        drv::SampleOptions o;
        o.frames = 32;
        std::string error;
        if (!drv::MakeSampleRecording(normal, o, &error) || !drv::MakeSampleRecording(hostile, o, &error)) std::abort();
        drv::test::PlantPicture(hostile / drv::SampleFileName(o, 1), drv::test::ManyScansJpeg(20000));
        drv::test::PlantPicture(hostile / drv::SampleFileName(o, 2), drv::test::HugeJpeg(5700, 5700));
    }
    const std::filesystem::path& pick(bool bad) const { return bad ? hostile : normal; }
};

const Recordings& recordings() {
    static const Recordings r;
    return r;
}

// Viewer start (process start) to the end of its start-up with the recording open and its
// window up: the headless start exits right there.
void BM_HostileViewerStartToWindow(benchmark::State& state) {
    const QString viewer = QCoreApplication::applicationDirPath() + QStringLiteral("/../drviewer");
    const bool bad = state.range(0) == 1;
    const QString folder = QString::fromStdString(recordings().pick(bad).string());
    double worst = 0;
    for (auto _ : state) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DRV_SMOKE_TEST"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedOutputChannel);  // stderr: the smoke report, dropped below
        p.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        p.start(viewer, {folder});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            state.SkipWithError("drviewer did not start");
            return;
        }
        const double s = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        worst = std::max(worst, s);
        state.SetIterationTime(s);
    }
    state.counters["worst_s"] = worst;
    state.SetLabel(bad ? "hostile frames 1 and 2" : "baseline");
}
BENCHMARK(BM_HostileViewerStartToWindow)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The longest gap between 1 ms ticks of the interface thread while the list opens the
// recording and its first page of thumbnails is decoded.
void BM_HostileThumbnailListStall(benchmark::State& state) {
    const bool bad = state.range(0) == 1;
    double longest = 0;
    double allMs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        qint64 last = 0;
        double iterationLongest = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            iterationLongest = std::max(iterationLongest, static_cast<double>(now - last) / 1e6);
            last = now;
        });
        clock.start();
        tick.start();
        {
            drv::ThumbnailList list;
            list.show();
            list.OpenFolderList(recordings().pick(bad));
            while (list.pendingThumbnails() > 0) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            allMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        }
        tick.stop();
        longest = std::max(longest, iterationLongest);
    }
    state.counters["longest_stall_ms"] = longest;
    state.counters["page_ms"] = allMs / static_cast<double>(state.iterations());
    state.SetLabel(bad ? "hostile frames 1 and 2" : "baseline");
}
BENCHMARK(BM_HostileThumbnailListStall)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

long statusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    return 0;
}

// The picture window on frame 1 and 2, one after the other: the peak resident size it adds
// (the kernel's peak is reset first), and the process's peak as a whole. Arg 2: the same two
// frame through the reader the window used before (Qt's, whole picture), for scale.
void BM_HostilePictureWindowMemory(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const std::filesystem::path folder = recordings().pick(mode != 0);
    drv::SampleOptions o;
    o.frames = 32;
    double added = 0, peak = 0;
    for (auto _ : state) {
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from the current size
        const long before = statusKiB("VmRSS:");
        for (int frame : {1, 2}) {
            const std::filesystem::path file = folder / drv::SampleFileName(o, frame);
            if (mode == 2) {
                // Only the large frame: the scans would take Qt's reader many seconds.
                if (frame == 2) benchmark::DoNotOptimize(QImage(QString::fromStdString(file.string())));
                continue;
            }
            auto window = std::make_unique<drv::PictureWindow>(file, false, drv::BrightnessMode::X20);
            while (window->loading()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const long hwm = statusKiB("VmHWM:");
        added = std::max(added, static_cast<double>(hwm - before) / 1024.0);
        peak = std::max(peak, static_cast<double>(hwm) / 1024.0);
    }
    state.counters["added_MiB"] = added;
    state.counters["process_peak_MiB"] = peak;
    state.SetLabel(mode == 0   ? "baseline"
                   : mode == 1 ? "hostile frames 1 and 2"
                               : "hostile, Qt's whole decode (before)");
}
BENCHMARK(BM_HostilePictureWindowMemory)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

// The pace of real playback: a whole 441-frame recording at the middle level in the real main
// window (offscreen, so painting stays light and the frame clock is what is measured), with the
// Qt timer and the steady clock, against the time its frames last on the recorder's own clock
// (31.5 s at 14 fps, 63 s at 7 fps); and the same with the map window open, against the pace
// without it in the same run. Each run takes that long, so these run only when the filter
// names them: drbench --benchmark_filter=PlaybackPace
#include <benchmark/benchmark.h>

#include <QEvent>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <chrono>
#include <map>
#include <memory>
#include <string_view>

#include "bench/support/window_rig.h"
#include "core/viewer/playback.h"
#include "gui/app/main_window.h"
#include "gui/map/map_launcher.h"
#include "gui/map/map_window.h"

namespace {

constexpr int kFrames = 441;

drv::MainWindow& window(int fps) {
    static std::map<int, std::unique_ptr<drv::bench::WindowRig>> rigs;
    auto& rig = rigs[fps];
    if (!rig) {
        drv::SampleOptions o;
        o.frames = kFrames, o.fps = fps;
        rig = std::make_unique<drv::bench::WindowRig>(o);
    }
    return *rig->window;
}

// Quits the loop the moment playback gives the buttons back (the play button comes on).
class EndWatch : public QObject {
public:
    EndWatch(QPushButton* play, QEventLoop& loop) : loop_(loop) { play->installEventFilter(this); }
    std::chrono::steady_clock::time_point end;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange && static_cast<QWidget*>(object)->isEnabled()) {
            end = std::chrono::steady_clock::now();
            loop_.quit();
        }
        return false;
    }

private:
    QEventLoop& loop_;
};

// Plays the whole recording at the middle level; the seconds from the first frame of the loop
// (the start shot comes before it) to the end of the last.
double playWhole(drv::MainWindow& w, int fps) {
    w.cmdPlay(0)->click();
    w.setSpeedLevel(2);
    QEventLoop loop;
    EndWatch watch(w.cmdPlay(2), loop);
    const auto start = std::chrono::steady_clock::now();
    w.mnuStart_Click();
    loop.exec();
    return std::chrono::duration<double>(watch.end - start).count() -
           static_cast<double>(drv::StartDelayMs(fps == 14)) / 1000.0;
}

// Arguments: frames per second, brightness raised (x1.5) or standard.
void BM_PlaybackPaceLevel2(benchmark::State& state) {
    const int fps = static_cast<int>(state.range(0));
    drv::MainWindow& w = window(fps);
    if (state.range(1)) w.mnuHi15_Click();
    else w.mnuOrg_Click();
    for (auto _ : state) {
        const double seconds = playWhole(w, fps);
        const double ideal = static_cast<double>(kFrames) / fps;
        state.counters["seconds"] = seconds;
        state.counters["ideal_s"] = ideal;
        state.counters["x_ideal"] = seconds / ideal;
        state.counters["frames"] = w.recording().LastShownFrame;
    }
    w.mnuOrg_Click();
}

// The map window open beside the playing window (its marker follows every frame), against the
// same playback with the map closed, one after the other.
void BM_PlaybackPaceWithMap(benchmark::State& state) {
    const int fps = 14;
    drv::MainWindow& w = window(fps);
    w.mnuOrg_Click();
    QTemporaryDir config, cache;
    for (auto _ : state) {
        const double without = playWhole(w, fps);
        drv::MapLauncher launcher(w, config.path() + QStringLiteral("/map.ini"), cache.path());
        launcher.mnuMap_Click();
        const double with = playWhole(w, fps);
        launcher.window()->close();
        state.counters["seconds"] = with;
        state.counters["without_s"] = without;
        state.counters["x_without"] = with / without;
        state.counters["frames"] = w.recording().LastShownFrame;
    }
}

}  // namespace

namespace drv::bench {

void RegisterPaceBenchmarks(std::string_view filter) {
    if (filter.find("PlaybackPace") == std::string_view::npos) return;
    benchmark::RegisterBenchmark("BM_PlaybackPaceLevel2", BM_PlaybackPaceLevel2)
        ->ArgNames({"fps", "raised"})
        ->Args({14, 0})
        ->Args({7, 1})
        ->Args({7, 0})
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("BM_PlaybackPaceWithMap", BM_PlaybackPaceWithMap)
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
}

}  // namespace drv::bench

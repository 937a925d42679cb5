// The map's budgets against the viewer's own playback step, timed side by side in the same
// loop: a full redraw of a 1280 x 1024 map with a 441-frame track and its tiles in memory
// (budget 8 ms), and moving the marker on the window's map (budget 1 ms), which playback
// pays at every frame.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <time.h>
#include <chrono>
#include <cmath>
#include <numbers>

#include "bench/support/window_rig.h"
#include "draw/map/map_picture.h"
#include "gui/graphs/chart_view.h"
#include "gui/map/track_map.h"
#include "gui/viewer/picture_view.h"

namespace {

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

constexpr int kFrames = 60;

drv::bench::WindowRig& rig() {
    static drv::bench::WindowRig r(kFrames);
    return r;
}

// One playback step of the real main window, as bench_playback times it (standard brightness).
double playbackStep(int frame) {
    drv::MainWindow& w = *rig().window;
    const double start = threadSeconds();
    w.setCurrentFrame(frame);
    w.ShowFrame();
    w.UpdateGraphCursor(frame);
    w.UpdateDataPanel(frame);
    w.image1()->repaint();
    w.chart()->viewport()->repaint();
    return threadSeconds() - start;
}

// 441 frames round a 1 km circle in Tokyo, with a gap and braking, as a recording gives them.
drv::Track benchTrack() {
    std::vector<drv::TrackSample> s(441);
    for (int i = 0; i < 441; ++i) {
        const double a = 2 * std::numbers::pi * i / 441;
        s[static_cast<std::size_t>(i)] = {i < 200 || i > 210, 35.68 + 0.0045 * std::sin(a),
                                          139.76 + 0.0055 * std::cos(a), static_cast<float>(40 + 30 * std::sin(3 * a)),
                                          i % 50 < 10};
    }
    return drv::BuildTrack(std::move(s), 220);
}

// Every tile at hand, as after the fetcher has filled its memory.
class AllTiles : public drv::MapTileLookup {
public:
    AllTiles() : tile_(256, 256, QImage::Format_RGB32) {
        tile_.fill(QColor(235, 230, 220));
        QPainter p(&tile_);
        p.setPen(QPen(QColor(255, 255, 255), 6));
        for (int k = 0; k < 256; k += 37) p.drawLine(0, k, 256, 255 - k);
    }
    const QImage* tile(const drv::TileId&) const override { return &tile_; }

private:
    QImage tile_;
};

void BM_MapFullRedraw1280x1024(benchmark::State& state) {
    const drv::Track track = benchTrack();
    AllTiles tiles;
    drv::MapScene scene;
    scene.track = &track;
    scene.server = *drv::TileServerByName("gsi");  // only its name: the tiles are in memory
    scene.view = drv::FitTrack(track, 1280, 1024);
    QImage image(1280, 1024, QImage::Format_RGB32);
    playbackStep(1);
    double redraw = 0, step = 0;
    int frame = 1;
    for (auto _ : state) {
        step += playbackStep(frame);
        const double start = threadSeconds();
        QPainter p(&image);
        drv::DrawMapBase(p, scene, &tiles);
        drv::DrawMapMarker(p, track, scene.view, frame * 7);
        p.end();
        redraw += threadSeconds() - start;
        frame = frame % kFrames + 1;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ms_redraw"] = redraw / n * 1e3;
    state.counters["ms_step"] = step / n * 1e3;
    state.counters["x_step"] = redraw / step;
}
BENCHMARK(BM_MapFullRedraw1280x1024)->Unit(benchmark::kMillisecond);

void BM_MapMarkerMove(benchmark::State& state) {
    drv::TrackMap map(nullptr);
    map.resize(1280, 1024);
    map.show();
    map.setTrack(benchTrack(), 1);
    map.repaint();  // the base is drawn once; from here on only the marker moves
    playbackStep(1);
    double move = 0, step = 0;
    int frame = 1;
    for (auto _ : state) {
        step += playbackStep(frame % kFrames + 1);
        const int next = frame % 441 + 1;
        const double start = threadSeconds();
        QRect dirty = drv::MapMarkerBounds(map.track(), map.view(), frame);
        map.setCurrentFrame(next);
        dirty |= drv::MapMarkerBounds(map.track(), map.view(), next);
        map.repaint(dirty);
        move += threadSeconds() - start;
        frame = next;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ms_marker"] = move / n * 1e3;
    state.counters["ms_step"] = step / n * 1e3;
    state.counters["x_step"] = move / step;
}
BENCHMARK(BM_MapMarkerMove)->Unit(benchmark::kMillisecond);

}  // namespace

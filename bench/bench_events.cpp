// The event list on a card of 300 recordings x 441 frames, made once per run:
//  - summarising every recording against loading each one once with the viewer's loader
//    (listing, time order, LoadAllFrames), interleaved in each iteration (budget 1.3 x);
//  - the longest time the interface thread cannot answer while the list window scans the
//    card, seen by a 1 ms timer (budget 50 ms);
//  - how long the worker goes on reading after Cancel (budget 100 ms);
//  - a rescan of the unchanged card from the summaries' cache against the first scan, which
//    reads every folder and fills the cache: until every row can be shown (the stored rows,
//    budget 5 %), and until each has been checked: in the same session, where the folders
//    have been watched since (F5, or the root opened again; budget 5 %), and in a new
//    session, against each frame file's attributes (reported).
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <ctime>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/events/event_cache.h"
#include "core/events/event_scan.h"
#include "core/recording/recording_loader.h"
#include "gui/common/sample_recording.h"
#include "gui/events/event_list_window.h"
#include "gui/events/event_scan_job.h"
#include "gui/events/event_table_model.h"
#include "tests/gui/support/fake_dialogs.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRecordings = 300;
constexpr int kFrames = 441;

struct Card {
    fs::path root;
    std::vector<fs::path> folders;
    Card() {
        // 132,300 files: about a millisecond each to make on some disks, nothing on a tmpfs.
        // Both sides of the ratio read the same files, from the page cache after the first pass.
        std::error_code ec;
        const fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                                  ? fs::path("/dev/shm")
                                  : fs::temp_directory_path();
        std::string pattern = (base / "drv-bench-card-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        root = pattern;
        for (int r = 0; r < kRecordings; ++r) {
            drv::SampleOptions o;
            o.frames = kFrames;
            o.drawPictures = false;  // the pictures are never decoded by either side
            o.startTime += r * 600;
            const fs::path folder = root / ("DCIM/EVT" + std::to_string(1000 + r));
            std::string error;
            if (!drv::MakeSampleRecording(folder, o, &error)) std::abort();
            folders.push_back(folder);
        }
    }
    ~Card() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

const Card& card() {
    static const Card c;
    return c;
}

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void loadEach(const Card& c) {
    drv::FrameTable frames;
    for (const fs::path& folder : c.folders) {
        drv::RecordingState state;
        drv::FileNameList names = drv::ListJpgFiles(folder);
        drv::OrderFilesByTime(folder, names);
        drv::LoadAllFrames(folder, names, frames, state);
        benchmark::DoNotOptimize(state.TriggerPosition);
    }
}

int summariseAll(const Card& c) {
    int rows = 0;
    drv::ScanCallbacks cb;
    cb.row = [&rows](drv::EventSummary&&) { ++rows; };
    drv::ScanEvents(c.root, drv::kDefaultEventDepth, cb);
    if (rows != kRecordings) std::abort();
    return rows;
}

// Sets `shown` when the stored rows arrive, if they do.
template <typename TimePoint>
int scanWithCache(const Card& c, const fs::path& cacheFile, TimePoint& shown, drv::FolderWatch* watch = nullptr) {
    int rows = 0;
    drv::EventCache cache(cacheFile);
    drv::ScanCallbacks cb;
    cb.cache = &cache;
    cb.watch = watch;
    cb.provisional = [&](std::vector<drv::EventSummary>&& stored) {
        if (stored.size() == kRecordings) shown = TimePoint::clock::now();
    };
    cb.row = [&rows](drv::EventSummary&&) { ++rows; };
    drv::ScanEvents(c.root, drv::kDefaultEventDepth, cb);
    if (rows != kRecordings || !cache.save(false)) std::abort();
    return rows;
}

void BM_EventsRescanRatio(benchmark::State& state) {
    const Card& c = card();
    const QTemporaryDir dir;
    const fs::path cacheFile = drv::QStringToPath(dir.path()) / "events.cache";
    summariseAll(c);  // the card in the page cache for both
    using Clock = std::chrono::steady_clock;
    Clock::duration first{}, shown{}, watched{}, unwatched{};
    for (auto _ : state) {
        fs::remove(cacheFile);
        drv::FolderWatch session;
        Clock::time_point none{}, rows{};
        const auto t0 = Clock::now();
        scanWithCache(c, cacheFile, none, &session);
        const auto t1 = Clock::now();
        scanWithCache(c, cacheFile, rows, &session);
        const auto t2 = Clock::now();
        drv::FolderWatch nextSession;
        scanWithCache(c, cacheFile, none, &nextSession);
        const auto t3 = Clock::now();
        if (rows == Clock::time_point{}) std::abort();
        first += t1 - t0;
        shown += rows - t1;
        watched += t2 - t1;
        unwatched += t3 - t2;
    }
    auto ms = [&](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count() / static_cast<double>(state.iterations());
    };
    state.counters["shown_ratio"] = ms(shown) / ms(first);
    state.counters["checked_ratio"] = ms(watched) / ms(first);
    state.counters["new_session_ratio"] = ms(unwatched) / ms(first);
    state.counters["first_scan_ms"] = ms(first);
    state.counters["rescan_shown_ms"] = ms(shown);
    state.counters["rescan_checked_ms"] = ms(watched);
    state.counters["new_session_ms"] = ms(unwatched);
}
BENCHMARK(BM_EventsRescanRatio)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_EventsSummaryVsLoadRatio(benchmark::State& state) {
    const Card& c = card();
    loadEach(c);  // warm the cache for both
    summariseAll(c);
    using Clock = std::chrono::steady_clock;
    Clock::duration scan{}, load{};
    double scanCpu = 0, loadCpu = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double c0 = threadCpuMs();
        loadEach(c);
        const auto t1 = Clock::now();
        const double c1 = threadCpuMs();
        benchmark::DoNotOptimize(summariseAll(c));
        const auto t2 = Clock::now();
        load += t1 - t0;
        scan += t2 - t1;
        loadCpu += c1 - c0;
        scanCpu += threadCpuMs() - c1;
    }
    auto ms = [&](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count() / static_cast<double>(state.iterations());
    };
    state.counters["ratio"] = ms(scan) / ms(load);
    // Processor time of the thread: the same comparison without the waits of a busy machine.
    state.counters["cpu_ratio"] = scanCpu / loadCpu;
    state.counters["summary_ms"] = ms(scan);
    state.counters["load_ms"] = ms(load);
}
BENCHMARK(BM_EventsSummaryVsLoadRatio)->Unit(benchmark::kMillisecond)->Iterations(3);

// A 1 ms timer on the interface thread: the longest gap between two of its ticks, and the
// most processor time the thread spent within one gap (its own work, as opposed to
// waiting for a processor on a busy machine).
struct Ticker {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    double lastCpu = 0;
    double longestMs = 0;
    double busiestMs = 0;
    Ticker() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            const double cpu = threadCpuMs();
            longestMs = std::max(longestMs, static_cast<double>(now - last) / 1e6);
            busiestMs = std::max(busiestMs, cpu - lastCpu);
            last = now;
            lastCpu = cpu;
        });
        clock.start();
        lastCpu = threadCpuMs();
        timer.start();
    }
};

// The list window scanning the card, against the same window idle for as long (the
// machine's own scheduling delays), in each iteration.
void BM_EventsWindowStall(benchmark::State& state) {
    const Card& c = card();
    drv::test::FakeDialogs dialogs;
    double longest = 0, busiest = 0, idleLongest = 0, scanMs = 0;
    for (auto _ : state) {
        drv::EventListWindow window(dialogs);
        window.setCacheFolder({});  // every scan reads the card
        window.show();
        QApplication::processEvents();
        QElapsedTimer whole;
        {
            Ticker ticker;
            whole.start();
            window.scan(c.root);
            while (window.scanning()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (window.model()->rowCount() != kRecordings) std::abort();
            longest = std::max(longest, ticker.longestMs);
            busiest = std::max(busiest, ticker.busiestMs);
        }
        const qint64 scanned = whole.elapsed();
        scanMs += static_cast<double>(scanned);
        Ticker idle;
        while (idle.clock.elapsed() < scanned) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        idleLongest = std::max(idleLongest, idle.longestMs);
    }
    state.counters["longest_stall_ms"] = longest;
    state.counters["busiest_gap_cpu_ms"] = busiest;
    state.counters["idle_longest_stall_ms"] = idleLongest;
    state.counters["scan_ms"] = scanMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EventsWindowStall)->Unit(benchmark::kMillisecond)->Iterations(3);

// Cancel as the first row arrives, then a scan of an empty folder: it starts only when the
// cancelled worker has returned, so its end bounds the time that worker went on reading.
void BM_EventsCancelStop(benchmark::State& state) {
    const Card& c = card();
    const QTemporaryDir empty;
    drv::test::FakeDialogs dialogs;
    double longest = 0, total = 0;
    for (auto _ : state) {
        drv::EventListWindow window(dialogs);
        window.setCacheFolder({});
        QElapsedTimer sinceCancel;
        QObject::connect(&window.job(), &drv::EventScanJob::rowRead, &window, [&] {
            if (sinceCancel.isValid()) return;
            window.cancelButton()->click();
            sinceCancel.start();
        });
        window.scan(c.root);
        while (!sinceCancel.isValid()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        window.scan(drv::QStringToPath(empty.path()));
        while (window.scanning()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const auto ms = static_cast<double>(sinceCancel.nsecsElapsed()) / 1e6;
        longest = std::max(longest, ms);
        total += ms;
    }
    state.counters["worker_end_after_cancel_ms"] = total / static_cast<double>(state.iterations());
    state.counters["worker_end_after_cancel_max_ms"] = longest;
}
BENCHMARK(BM_EventsCancelStop)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

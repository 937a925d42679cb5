#include "gui/events/event_scan_job.h"

#include <sys/resource.h>
#include <unistd.h>

#include <optional>

namespace drv {
namespace {

constexpr int kScanNice = 10;

}  // namespace

EventScanJob::EventScanJob(QObject* parent) : QObject(parent) {
    // One scan reads the card at a time; a new one waits for a cancelled one to notice.
    pool_.setMaxThreadCount(1);
}

EventScanJob::~EventScanJob() {
    if (cancel_) cancel_->store(true);
    pool_.waitForDone();
}

template <typename F>
void EventScanJob::post(int generation, F deliver) {
    // This object outlives the worker (its destructor waits), so `this` is safe to name here;
    // a call still queued when it goes is dropped with it.
    QMetaObject::invokeMethod(
        this,
        [this, generation, deliver = std::move(deliver)]() mutable {
            if (generation == generation_ && running_) deliver();
        },
        Qt::QueuedConnection);
}

void EventScanJob::start(const std::filesystem::path& root, int maxDepth, const std::filesystem::path& cacheFile) {
    if (running_) cancel();
    const int generation = ++generation_;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    running_ = true;
    if (!watch_) watch_ = std::make_shared<FolderWatch>();
    pool_.start([this, root, maxDepth, cacheFile, generation, cancel = cancel_, watch = watch_] {
        // A scan from the page cache keeps a processor busy; the interface thread and
        // playback come first (on Linux the nice value is per thread).
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kScanNice);
        ScanCallbacks cb;
        cb.cancelled = [cancel] { return cancel->load(std::memory_order_relaxed); };
        cb.row = [&](EventSummary&& s) { post(generation, [this, s = std::move(s)] { emit rowRead(s); }); };
        cb.provisional = [&](std::vector<EventSummary>&& rows) {
            post(generation, [this, rows = std::move(rows)] { emit provisionalRows(rows); });
        };
        cb.unreadable = [&](const std::filesystem::path& folder) {
            post(generation, [this, folder] { emit folderUnreadable(folder); });
        };
        cb.progress = [&](int done, int total) {
            post(generation, [this, done, total] { emit progress(done, total); });
        };
        std::optional<EventCache> cache;
        if (!cacheFile.empty()) cb.cache = &cache.emplace(cacheFile), cb.watch = watch.get();
        const ScanResult result = ScanEvents(root, maxDepth, cb);
        if (cache && result.end != ScanEnd::RootUnreadable) {
            // Folders not reached by an interrupted scan keep their entries for the next one.
            cache->save(result.end != ScanEnd::Complete);  // a cache that cannot be written is only slower
        }
        post(generation, [this, end = result.end] {
            running_ = false;
            emit finished(end);
        });
    });
}

void EventScanJob::cancel() {
    if (!running_) return;
    cancel_->store(true);
    ++generation_;
    running_ = false;
    emit finished(ScanEnd::Cancelled);
}

}  // namespace drv

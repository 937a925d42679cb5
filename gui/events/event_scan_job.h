#pragma once
// Runs the scan of a root on a worker thread and hands rows, progress and the end back to
// the interface thread as values. Cancel takes effect at once on this side; the worker
// stops at its next check (between directory entries and frames).
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <filesystem>
#include <memory>

#include "core/events/event_scan.h"

namespace drv {

class EventScanJob : public QObject {
    Q_OBJECT
public:
    explicit EventScanJob(QObject* parent = nullptr);
    // Cancels and waits for the worker, which ends at its next check.
    ~EventScanJob() override;

    // Starts scanning `root`; a scan still running is cancelled first. With a `cacheFile`,
    // folders unchanged since the scan that wrote it are not read again, and the file is
    // rewritten at the end; folders this job has checked and watched since need no check.
    void start(const std::filesystem::path& root, int maxDepth = kDefaultEventDepth,
               const std::filesystem::path& cacheFile = {});
    // No signal of the scan arrives after this; finished(Cancelled) is emitted now.
    void cancel();
    bool running() const { return running_; }
    // The watch the scans check folders against: one kept for the whole session lets a list
    // window opened again confirm the folders checked before it at once.
    void shareWatch(std::shared_ptr<FolderWatch> watch) { watch_ = std::move(watch); }

signals:
    // The cache's rows for the folders found, before any is checked (see ScanCallbacks).
    void provisionalRows(const std::vector<drv::EventSummary>& rows);
    void rowRead(const drv::EventSummary& summary);
    void folderUnreadable(const std::filesystem::path& folder);
    void progress(int done, int total);
    void finished(drv::ScanEnd end);

private:
    // Runs `deliver` on this thread unless the scan it belongs to has been replaced or cancelled.
    template <typename F>
    void post(int generation, F deliver);

    QThreadPool pool_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::shared_ptr<FolderWatch> watch_;
    int generation_ = 0;
    bool running_ = false;
};

}  // namespace drv

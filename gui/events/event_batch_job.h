#pragma once
// Runs a copy of recordings off the card (or any other batch over the selected rows) on a
// worker thread, with a progress window whose Cancel stops it at the next block.
#include <QObject>
#include <QProgressDialog>
#include <QPointer>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>

class QWidget;

namespace drv {

class EventBatchJob : public QObject {
    Q_OBJECT
public:
    // `progress(done, total)` reports; `cancelled()` asks. Both may be called from the worker.
    struct Control {
        std::function<void(qint64 done, qint64 total)> progress;
        std::function<bool()> cancelled;
    };
    using Work = std::function<void(const Control& control)>;

    explicit EventBatchJob(QObject* parent = nullptr);
    // Waits for the worker, which ends at its next check.
    ~EventBatchJob() override;

    // Shows a progress window titled `caption` over `owner` and runs `work`; `done` runs on this
    // thread when it has returned (also after Cancel). False while another batch runs.
    bool start(QWidget* owner, const QString& caption, Work work, std::function<void()> done);
    bool running() const { return running_; }
    void cancel();
    QProgressDialog* progressWindow() const { return dialog_.data(); }

signals:
    void finished();

private:
    QThreadPool pool_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    QPointer<QProgressDialog> dialog_;
    bool running_ = false;
};

}  // namespace drv

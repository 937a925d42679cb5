#include "gui/events/event_batch_job.h"

#include <QProgressDialog>

namespace drv {

EventBatchJob::EventBatchJob(QObject* parent) : QObject(parent) { pool_.setMaxThreadCount(1); }

EventBatchJob::~EventBatchJob() {
    if (cancel_) cancel_->store(true);
    pool_.waitForDone();
}

bool EventBatchJob::start(QWidget* owner, const QString& caption, Work work, std::function<void()> done) {
    if (running_) return false;
    running_ = true;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    auto* dialog = new QProgressDialog(caption, QStringLiteral("中止"), 0, 1000, owner);
    dialog->setWindowTitle(caption);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setValue(0);
    connect(dialog, &QProgressDialog::canceled, this, &EventBatchJob::cancel);
    dialog_ = dialog;
    dialog->show();

    const auto cancel = cancel_;
    pool_.start([this, cancel, work = std::move(work), done = std::move(done)] {
        Control control;
        control.cancelled = [cancel] { return cancel->load(std::memory_order_relaxed); };
        // The latest figures only: a queued update per block would flood the interface thread.
        auto pending = std::make_shared<std::atomic<bool>>(false);
        auto latest = std::make_shared<std::atomic<qint64>>(0);
        auto total = std::make_shared<std::atomic<qint64>>(0);
        control.progress = [this, pending, latest, total](qint64 d, qint64 t) {
            latest->store(d), total->store(t);
            if (pending->exchange(true)) return;
            QMetaObject::invokeMethod(
                this,
                [this, pending, latest, total] {
                    pending->store(false);
                    if (!dialog_ || total->load() <= 0) return;
                    dialog_->setValue(static_cast<int>(latest->load() * 1000 / total->load()));
                },
                Qt::QueuedConnection);
        };
        work(control);
        // This object outlives the worker: its destructor waits.
        QMetaObject::invokeMethod(
            this,
            [this, done] {
                running_ = false;
                if (dialog_) dialog_->close();
                if (done) done();
                emit finished();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void EventBatchJob::cancel() {
    if (cancel_) cancel_->store(true);
}

}  // namespace drv

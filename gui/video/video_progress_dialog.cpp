#include "gui/video/video_progress_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/ui_font.h"

namespace drv {

VideoProgressDialog::VideoProgressDialog(const Recording& recording, VideoExportRequest request, QWidget* owner)
    : QDialog(owner), recording_(recording), request_(std::move(request)) {
    setObjectName(QStringLiteral("frmVideoProgress"));
    setWindowTitle(QStringLiteral("動画を書き出しています..."));
    setFont(JapaneseUiFont());
    setModal(false);

    label_ = new QLabel(QStringLiteral("書き出し中: 0 / %1 コマ").arg(request_.range.count()), this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setFormat(QStringLiteral("%p%"));
    bar_->setMinimumWidth(320);
    cancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(cancel_, &QPushButton::clicked, this, &VideoProgressDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    setFixedSize(sizeHint());
}

VideoProgressDialog::~VideoProgressDialog() {
    cancelled_ = true;
    if (worker_.joinable()) worker_.join();
}

void VideoProgressDialog::start() {
    if (worker_.joinable()) return;
    worker_ = std::thread([this] {
        int shown = -1;
        const VideoExportResult result = ExportVideo(recording_, request_, [this, &shown](int done, int total) {
            // One update per percent keeps the interface thread's queue short.
            const int percent = done * 100 / total;
            if (percent != shown) {
                shown = percent;
                QMetaObject::invokeMethod(
                    this, [this, done, total] { showProgress(done, total); }, Qt::QueuedConnection);
            }
            return !cancelled_.load();
        });
        QMetaObject::invokeMethod(
            this, [this, result] { workerDone(result); }, Qt::QueuedConnection);
    });
}

void VideoProgressDialog::showProgress(int done, int total) {
    bar_->setValue(done * 100 / total);
    if (!cancelled_) label_->setText(QStringLiteral("書き出し中: %1 / %2 コマ").arg(done).arg(total));
}

void VideoProgressDialog::reject() {
    if (!worker_.joinable()) {
        QDialog::reject();
        return;
    }
    // The worker stops at its next frame and reports back; the dialog closes then.
    cancelled_ = true;
    cancel_->setEnabled(false);
    label_->setText(QStringLiteral("キャンセルしています..."));
}

void VideoProgressDialog::closeEvent(QCloseEvent* event) {
    if (worker_.joinable()) {
        reject();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void VideoProgressDialog::workerDone(const VideoExportResult& result) {
    if (worker_.joinable()) worker_.join();
    hide();
    emit exportFinished(result);
}

}  // namespace drv

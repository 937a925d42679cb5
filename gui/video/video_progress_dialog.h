#pragma once
// The progress of one MP4 export: percentage and Cancel, while the export runs on a worker
// thread over its own copy of the recording, so the main window stays free.
#include <QDialog>
#include <atomic>
#include <thread>

#include "gui/video/video_export.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace drv {

class VideoProgressDialog final : public QDialog {
    Q_OBJECT
public:
    VideoProgressDialog(const Recording& recording, VideoExportRequest request, QWidget* owner);
    ~VideoProgressDialog() override;  // cancels a running export and waits for it

    // Starts the worker; exportFinished follows, also after Cancel.
    void start();
    bool running() const { return worker_.joinable(); }
    const VideoExportRequest& request() const { return request_; }

    QProgressBar* progressBar() const { return bar_; }
    QLabel* statusLabel() const { return label_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    // Cancel, Escape and closing the window all stop the export; the file is not kept.
    void reject() override;

signals:
    void exportFinished(const drv::VideoExportResult& result);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showProgress(int done, int total);
    void workerDone(const VideoExportResult& result);

    Recording recording_;
    VideoExportRequest request_;
    std::thread worker_;
    std::atomic<bool> cancelled_{false};
    QProgressBar* bar_ = nullptr;
    QLabel* label_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace drv

// The main window's MP4 export: the menu entries, the choices, the worker's progress and the
// closing message.
#include <QAction>

#include "gui/app/main_window.h"
#include "gui/common/dialogs.h"
#include "gui/video/video_export_dialog.h"
#include "gui/video/video_progress_dialog.h"

namespace drv {

namespace {

const QString kVideoDone = QStringLiteral("動画を書き出しました。\r\n%1");
const QString kVideoDiskFull =
    QStringLiteral("ディスクの空き容量が足りないため、動画を書き出せませんでした。\r\n%1\r\n(%2)");
const QString kVideoCannotWrite =
    QStringLiteral("書き出し先に書き込めないため、動画を書き出せませんでした。\r\n%1\r\n(%2)");
const QString kVideoFailed = QStringLiteral("動画を作成できませんでした。\r\n%1\r\n(%2)");

}  // namespace

void MainWindow::mnuExportVideo_Click() {
    if (!stoppedWithRecording() || videoExport_) return;
    VideoExportDialog choices(dialogs_, recording_, brightnessMode(), saveFolder(), this);
    if (choices.exec() != QDialog::Accepted) return;
    startVideoExport(choices.request());
}

bool MainWindow::startVideoExport(const VideoExportRequest& request) {
    if (!stoppedWithRecording() || videoExport_ || request.target.empty()) return false;
    // The worker gets a copy of the recording: the window may open another one meanwhile.
    videoExport_ = new VideoProgressDialog(recording_, request, this);
    connect(videoExport_, &VideoProgressDialog::exportFinished, this, &MainWindow::videoExportFinished);
    updateCommands();
    videoExport_->show();
    videoExport_->start();
    return true;
}

void MainWindow::videoExportFinished(const VideoExportResult& outcome) {
    const std::filesystem::path target = videoExport_->request().target;
    videoExport_->deleteLater();
    videoExport_ = nullptr;
    updateCommands();

    const QString file = PathToQString(target);
    const QString detail = QString::fromLocal8Bit(outcome.result.detail);
    QString text;
    switch (outcome.result.status) {
        case VideoStatus::Ok:
            saveFolder_ = target.parent_path();
            text = kVideoDone.arg(file);
            if (const std::string note = VideoExportNote(outcome, true); !note.empty())
                text += QStringLiteral("\r\n") +
                        QString::fromStdString(note).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
            dialogs_.message(this, text, kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            return;
        case VideoStatus::Cancelled: return;  // the user knows; nothing was kept
        case VideoStatus::DiskFull: text = kVideoDiskFull.arg(file, detail); break;
        case VideoStatus::CannotWrite: text = kVideoCannotWrite.arg(file, detail); break;
        case VideoStatus::EncoderFailed:
        case VideoStatus::FrameGone: text = kVideoFailed.arg(file, detail); break;
    }
    dialogs_.message(this, text, kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
}

}  // namespace drv

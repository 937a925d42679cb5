#include "gui/video/batch_video_export.h"

#include <QDir>
#include <memory>

#include "core/recording/recording_dump.h"
#include "gui/common/dialogs.h"
#include "gui/video/video_export.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

const QString kTitle = QStringLiteral("動画として保存");
// Progress steps per recording: the bar moves within a recording by its frames.
constexpr qint64 kSteps = 1000;
constexpr int kListed = 10;

QString folderName(const fs::path& folder) {
    const fs::path name = folder.filename().empty() ? folder.parent_path().filename() : folder.filename();
    return PathToQString(name);
}

QString reasonOf(const VideoResult& result) {
    QString reason;
    switch (result.status) {
        case VideoStatus::Ok:
        case VideoStatus::Cancelled: break;
        case VideoStatus::DiskFull: reason = QStringLiteral("ディスクの空き容量が足りません"); break;
        case VideoStatus::CannotWrite: reason = QStringLiteral("書き出し先に書き込めません"); break;
        case VideoStatus::FrameGone: reason = QStringLiteral("コマのファイルが読めなくなりました"); break;
        case VideoStatus::EncoderFailed: reason = QStringLiteral("動画を作成できませんでした"); break;
    }
    if (!result.detail.empty()) reason += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(result.detail));
    return reason;
}

QString listed(const QStringList& items) {
    QString text = items.mid(0, kListed).join(QStringLiteral("\r\n"));
    if (items.size() > kListed) text += QStringLiteral("\r\n... (ほか %1 件)").arg(items.size() - kListed);
    return text;
}

}  // namespace

fs::path VideoBatchTarget(const fs::path& destination, const fs::path& folder) {
    fs::path name = folder.filename().empty() ? folder.parent_path().filename() : folder.filename();
    if (name.empty()) name = "video";
    fs::path target = destination / (name.native() + ".mp4");
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(target, ec)); ++n)
        target = destination / (name.native() + " (" + std::to_string(n) + ").mp4");
    return target;
}

VideoBatchResult ExportVideos(const std::vector<fs::path>& folders, const VideoChoices& choices,
                              const fs::path& destination, const EventBatchJob::Control& control) {
    VideoBatchResult out;
    const qint64 total = static_cast<qint64>(folders.size()) * kSteps;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const QString name = folderName(folders[i]);
        const qint64 base = static_cast<qint64>(i) * kSteps;
        if (control.cancelled()) {
            out.cancelled = true;
            break;
        }
        control.progress(base, total);
        Recording recording;
        if (const Status loaded = LoadRecordingFolder(folders[i], recording); !loaded) {
            out.failed << name + QStringLiteral(": ") + QString::fromLocal8Bit(loaded.message);
            continue;
        }
        const VideoExportRequest request =
            VideoRequestFor(recording, choices, VideoBatchTarget(destination, folders[i]));
        const VideoExportResult result = ExportVideo(recording, request, [&](int done, int frames) {
            if (frames > 0) control.progress(base + kSteps * done / frames, total);
            return !control.cancelled();
        });
        if (result.result.status == VideoStatus::Cancelled) {
            out.cancelled = true;
            break;
        }
        if (!result.result.ok()) {
            out.failed << name + QStringLiteral(": ") + reasonOf(result.result);
            // A full or unwritable destination fails every recording after this one alike.
            if (result.result.status == VideoStatus::DiskFull || result.result.status == VideoStatus::CannotWrite) {
                out.stopped = true;
                break;
            }
            continue;
        }
        out.written.push_back(request.target);
        out.done << name;
        if (const std::string note = VideoExportNote(result, true); !note.empty())
            out.notes << name + QStringLiteral(": ") + QString::fromStdString(note).replace('\n', ' ');
    }
    control.progress(total, total);
    return out;
}

QString VideoBatchMessage(const VideoBatchResult& r, int count, const fs::path& destination) {
    QString text = QStringLiteral("%1 件中 %2 件の動画を書き出しました。\r\n%3")
                       .arg(count)
                       .arg(r.written.size())
                       .arg(PathToQString(destination));
    if (r.cancelled) text = QStringLiteral("中止しました。書きかけの動画は残していません。\r\n") + text;
    if ((r.cancelled || r.stopped || !r.failed.isEmpty()) && !r.done.isEmpty())
        text += QStringLiteral("\r\n書き出した記録:\r\n") + listed(r.done);
    if (!r.failed.isEmpty()) text += QStringLiteral("\r\n書き出せなかった記録:\r\n") + listed(r.failed);
    if (r.stopped) text += QStringLiteral("\r\n残りの記録は書き出していません。");
    if (!r.notes.isEmpty()) text += QStringLiteral("\r\n") + listed(r.notes);
    return text;
}

bool StartVideoBatch(QWidget* owner, Dialogs& dialogs, EventBatchJob& job, std::vector<fs::path> folders,
                     const VideoChoices& choices, const fs::path& destination) {
    if (folders.empty()) return false;
    auto result = std::make_shared<VideoBatchResult>();
    const int count = static_cast<int>(folders.size());
    return job.start(
        owner, QStringLiteral("動画を書き出しています... (%1 件)").arg(count),
        [folders = std::move(folders), choices, destination, result](const EventBatchJob::Control& control) {
            *result = ExportVideos(folders, choices, destination, control);
        },
        [owner, &dialogs, result, destination, count] {
            dialogs.message(owner, VideoBatchMessage(*result, count, destination), kTitle, Dialogs::Buttons::Ok,
                            result->failed.isEmpty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning);
        });
}

bool AskAndExportVideos(QWidget* owner, Dialogs& dialogs, EventBatchJob& job, const std::vector<fs::path>& folders,
                        fs::path& folder, BrightnessMode screenMode) {
    if (folders.empty() || job.running()) return false;
    VideoExportDialog ask(static_cast<int>(folders.size()), screenMode, owner);
    if (ask.exec() != QDialog::Accepted) return false;
    const fs::path start = folder.empty() ? QStringToPath(QDir::homePath()) : folder;
    const std::optional<fs::path> chosen =
        dialogs.chooseFolder(owner, QStringLiteral("動画を保存するフォルダを選択してください"), start);
    if (!chosen) return false;
    folder = *chosen;
    return StartVideoBatch(owner, dialogs, job, folders, ask.choices(), *chosen);
}

}  // namespace drv

#pragma once
// Several recordings to MP4 at once (the event list's "動画として保存..."): the video export's
// choices asked once, a folder, then one file per recording named after its folder, made one
// after another off the interface thread under one progress window. Cancel drops the file being
// made and keeps the finished ones; the closing message names both.
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <vector>

#include "gui/events/event_batch_job.h"
#include "gui/video/video_export_dialog.h"

class QWidget;

namespace drv {

class Dialogs;

struct VideoBatchResult {
    std::vector<std::filesystem::path> written;  // the files made, in the order of the folders
    QStringList done;                            // their recordings' folder names
    QStringList failed;                          // "folder: reason"
    QStringList notes;                           // "folder: frames without a picture..." for files made
    bool cancelled = false;
    bool stopped = false;  // the destination failed (full, not writable): the rest was not tried
};

// `destination`/NAME.mp4 for a recording folder, with " (2)", " (3)"... while the name is taken.
std::filesystem::path VideoBatchTarget(const std::filesystem::path& destination, const std::filesystem::path& folder);

// Exports each of `folders` on the calling thread, the part `choices` names of each.
VideoBatchResult ExportVideos(const std::vector<std::filesystem::path>& folders, const VideoChoices& choices,
                              const std::filesystem::path& destination, const EventBatchJob::Control& control);

// The closing message of a batch of `count` recordings: what was made, what was not and why.
QString VideoBatchMessage(const VideoBatchResult& result, int count, const std::filesystem::path& destination);

// The menu entry: asks the choices and a folder (the picker opens at `folder`, which then
// holds the one chosen) and starts the batch. `screenMode`: the main window's brightening,
// offered as a choice. False when nothing started.
bool AskAndExportVideos(QWidget* owner, Dialogs& dialogs, EventBatchJob& job,
                        const std::vector<std::filesystem::path>& folders, std::filesystem::path& folder,
                        BrightnessMode screenMode);

// Starts the batch on `job` and reports its end in a message. False while another batch runs.
bool StartVideoBatch(QWidget* owner, Dialogs& dialogs, EventBatchJob& job, std::vector<std::filesystem::path> folders,
                     const VideoChoices& choices, const std::filesystem::path& destination);

}  // namespace drv

#include "gui/loading/recording_load.h"

#include <QMetaObject>

#include "core/recording/recording_loader.h"
#include "gui/viewer/frame_prefetcher.h"

namespace drv {

RecordingLoad::RecordingLoad(std::filesystem::path folder, const RecordingState& state,
                             std::shared_ptr<const FrameSource> pictures, QObject* parent)
    : QObject(parent), pictures_(std::move(pictures)) {
    result_.recording.folder = std::move(folder);
    result_.recording.state = state;
}

RecordingLoad::~RecordingLoad() {
    cancel();
    if (worker_.joinable()) worker_.join();
}

void RecordingLoad::start() {
    if (worker_.joinable()) return;
    worker_ = std::thread([this] { run(); });
}

void RecordingLoad::cancel() { cancelled_ = true; }

// Signals cross to the interface thread queued; once this object is gone, none is delivered.
void RecordingLoad::run() {
    Recording& r = result_.recording;
    FileNameList names = ListJpgFiles(r.folder);
    if (names.size() > 1) {
        QMetaObject::invokeMethod(
            this, [this] { emit listed(); }, Qt::QueuedConnection);
        OrderFilesByTime(r.folder, names);
        r.fileNames = std::move(names);
        int shown = -1;
        LoadAllFrames(
            r.folder, r.fileNames, r.frames, r.state,
            [this, &shown](int percent) {
                if (percent == shown) return;  // one update per percent keeps the queue short
                shown = percent;
                QMetaObject::invokeMethod(
                    this, [this, percent] { emit progress(percent); }, Qt::QueuedConnection);
            },
            [this] { return cancelled_.load(); });
        if (cancelled_) return;
        result_.firstPicture = decodeFrame(*pictures_, r.framePath(1));
    } else {
        r.fileNames.assign(1, std::filesystem::path());
    }
    if (cancelled_) return;
    QMetaObject::invokeMethod(
        this, [this] { emit finished(); }, Qt::QueuedConnection);
}

}  // namespace drv

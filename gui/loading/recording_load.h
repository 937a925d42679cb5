#pragma once
// One Open's reading of a recording folder on a worker thread: the listing, the time order,
// every frame's telemetry and the first frame's picture. The interface thread only starts it,
// shows its progress and takes the result; it never waits on the card.
#include <QImage>
#include <QObject>
#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "core/recording/recording.h"

namespace drv {

class FrameSource;

struct LoadedRecording {
    // folder, fileNames (upper bound 0: the folder holds no frames), frames and state.
    Recording recording;
    QImage firstPicture;  // frame 1 decoded; null when it cannot be
};

class RecordingLoad final : public QObject {
    Q_OBJECT
public:
    // `state` is the recording state the load starts from (its chart samples carry over).
    RecordingLoad(std::filesystem::path folder, const RecordingState& state,
                  std::shared_ptr<const FrameSource> pictures, QObject* parent = nullptr);
    ~RecordingLoad() override;  // cancels and waits for the worker

    void start();
    // Stops the worker before its next frame; finished is not emitted then.
    void cancel();

    // After finished: the result, moved out.
    LoadedRecording takeResult() { return std::move(result_); }

signals:
    // The folder holds frames; the telemetry is read next.
    void listed();
    void progress(int percent);
    void finished();

private:
    void run();

    LoadedRecording result_;
    std::shared_ptr<const FrameSource> pictures_;
    std::atomic<bool> cancelled_{false};
    std::thread worker_;
};

}  // namespace drv

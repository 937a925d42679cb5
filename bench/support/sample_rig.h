#pragma once
// A drawn sample recording of a given length in a temporary folder, loaded once per benchmark
// binary, with room beside it for what the benchmark writes.
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/recording/recording_dump.h"
#include "draw/sample/sample_recording.h"

namespace drv::bench {

struct SampleRig {
    QTemporaryDir dir;
    std::filesystem::path folder;
    Recording recording;
    explicit SampleRig(int frames) {
        folder = std::filesystem::path(dir.path().toStdString()) / "rec";
        SampleOptions o;
        o.frames = frames;
        std::string error;
        if (!MakeSampleRecording(folder, o, &error)) throw std::runtime_error(error);
        if (const Status loaded = LoadRecordingFolder(folder, recording); !loaded)
            throw std::runtime_error(loaded.message);
    }
    std::filesystem::path out(const char* name) const { return std::filesystem::path(dir.path().toStdString()) / name; }
};

inline double SecondsSince(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace drv::bench

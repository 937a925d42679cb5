#pragma once
// Makes plausible recorder events on disk: drawn road pictures with telemetry, for the
// demo, `drtool sample` and the GUI tests of every part.
#include <cstdint>
#include <filesystem>
#include <string>

namespace drv {

struct SampleOptions {
    enum class TriggerKind { Switch, Shock, PowerCut, None };

    int frames = 60;  // 1..32767
    int fps = 14;     // 7 or 14
    bool highQuality = true;
    int trigger = 0;  // frame (1-based, time order) that carries the mark; 0: the middle
    TriggerKind kind = TriggerKind::Shock;
    bool vehicleSignals = true;           // brake and speed pulse wired
    bool mainSpeed = true;                // false: the main speed field is empty, the pulse speed counts
    bool bigEndian = false;               // "MM" Exif data instead of "II"
    int rotate = 0;                       // K >= 2: file numbers begin at K and wrap, so the listing
                                          // starts in the middle of the recording
    std::int64_t startTime = 1191989880;  // first frame, seconds since the epoch (2007-10-10 04:18:00 UTC)
    bool drawPictures = true;             // false: a tiny stand-in picture, for speed
};

// File name of frame `index` (1-based, time order) of a recording made with `options`.
std::string SampleFileName(const SampleOptions& options, int index);

// Writes the event into `dir` (created if needed): one JPEG per frame, 640 x 480, with the
// frame number and time drawn on it, the recorder's Exif telemetry, and modification times
// one second apart. False with a message in `error` when the options are out of range or a
// file cannot be written.
bool MakeSampleRecording(const std::filesystem::path& dir, const SampleOptions& options, std::string* error);

}  // namespace drv

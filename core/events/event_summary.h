#pragma once
// What matters about one recording at a glance, read frame by frame without keeping
// a frame table: the event list's row.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>
#include <cstdint>

#include "core/recording/recording.h"
#include "core/exif/exif_reader.h"
#include "core/export/telemetry_export.h"

namespace drv {

struct EventSummary {
    std::filesystem::path folder;       // relative to the scanned root ("." for the root itself)
    std::filesystem::path path;         // the folder as opened (root / folder)
    std::filesystem::path pictureName;  // the trigger frame's file, else frame 1's
    int frames = 0;
    std::optional<ClockTime> firstShotAt;  // frame 1: recorder clock, else DateTimeOriginal
    // Frames at 7 or 14 per second. Without a trigger the rate is the recording's own: from
    // its clock, else frame 1's flags (the viewer's panel still shows 7 fps for it).
    double lengthSeconds = 0;
    bool highFrameRate = false;
    bool highQuality = false;
    bool triggerFound = false;
    std::string triggerKind;              // the panel's caption; empty without one
    int triggerFrame = 0;                 // 1-based in playback order; 0 without a trigger
    std::optional<ClockTime> triggerAt;   // same clock rule as firstShotAt
    std::optional<float> speedAtTrigger;  // the panel's speed; nothing when it shows none
    std::optional<float> maxSpeed;
    float peakAccelLongitudinal = 0;  // signed value of the largest magnitude (first of ties)
    float peakAccelLateral = 0;
    std::optional<bool> brakeAfterTrigger;   // trigger frame or the 3 s after; nothing when not wired
    std::optional<bool> brakeBeforeTrigger;  // the 3 s before the trigger frame
    std::optional<double> latitude;          // decimal degrees at the trigger frame
    std::optional<double> longitude;
    int damagedFrames = 0;
    int unopenedFrames = 0;  // files that exist but could not be opened (not in the reports)
};

// A frame whose telemetry could not be read: a damaged, foreign or unreadable file, or one
// without the recorder's MakerNote text.
bool IsDamagedFrame(const ExifTags& tags);

// Streams the frames of one recording, in playback order, into its summary. The decoding
// is the viewer's load, frame by frame, on a recording state of its own.
class EventSummarizer {
public:
    void addFrame(const ExifTags& tags, const std::filesystem::path& name);
    EventSummary finish() const;

private:
    RecordingState state_;
    FrameRecord record_;
    FrameRecord triggerRecord_;
    EventSummary s_;
    float maxSpeed_ = 0;
    float maxPulseSpeed_ = 0;
    std::vector<bool> brakes_;     // per frame, 0-based
    int firstHighFrameRate_ = -1;  // frame 1's flags: -1 unread
    bool firstHighQuality_ = false;
    // The first and the last frame with a readable recorder clock, and their seconds.
    int clockFirstFrame_ = 0, clockLastFrame_ = 0;
    std::int64_t clockFirstSeconds_ = 0, clockLastSeconds_ = 0;
};

// Seconds since 1970-01-01 of a recorder clock reading, as if it were UTC (differences only).
std::int64_t ClockSeconds(const ClockTime& t);

// Whether `framesApart` frames taking `seconds` on the recorder's clock were shot at 14 rather
// than 7 per second. A clock of whole seconds is off by up to one second, so at least 28 frames
// (2 s at 14 fps) are needed to tell the rates apart; nothing below that.
std::optional<bool> HighFrameRateFromClock(int framesApart, std::int64_t seconds);

// Reads the frames `names` (a FileNameList in playback order) of `folder`. Nothing when
// `cancelled` says so before a frame.
std::optional<EventSummary> SummarizeRecording(const std::filesystem::path& folder, const FileNameList& names,
                                               const std::function<bool()>& cancelled = {});

}  // namespace drv

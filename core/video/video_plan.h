#pragma once
// What an MP4 export of a recording holds: which frames, at what rate, with which metadata,
// and the texts the telemetry band shows on each frame.
#include <optional>
#include <string>
#include <vector>

#include "core/recording/recording.h"

namespace drv {

// Frames first..last of the playback order, 1-based, both included.
struct FrameRange {
    int first = 1;
    int last = 0;
    int count() const { return last >= first ? last - first + 1 : 0; }
};

// The recording's own rate: 14 or 7 frames per second.
int VideoFps(const RecordingState& state);

// The frames whose time from the trigger, as the panel counts it, lies within
// -secondsBefore .. +secondsAfter, cut to the recording. Nothing without a trigger.
std::optional<FrameRange> RangeAroundTrigger(const Recording& recording, double secondsBefore, double secondsAfter);

// The first frame's recorder clock as an instant in UTC ("2007-10-09T19:18:00Z"), reading
// the clock as this machine's local time as `drtool export` does; empty for the placeholder.
std::string VideoCreationTime(const Recording& recording, int firstFrame);

// The folder's name as UTF-8 (bytes that are not become U+FFFD).
std::string VideoTitle(const Recording& recording);

// What the band shows for a value the frame does not carry.
inline constexpr const char* kUnknownValue = "----";

// The band's texts for frame `index`: the panel's texts, without their padding. A frame whose
// telemetry could not be read shows kUnknownValue for every value instead of the panel's
// placeholders (0 km/h on 2000/00/00 would be a claim).
struct OverlayTexts {
    std::string dateTime;           // shooting date-time, as the panel's 撮影日時
    std::string speed;              // "52.3km/h", "----km/h" when the recording has none
    std::string accelLongitudinal;  // "0.25 G"
    std::string accelLateral;       // "-0.12 G"
    std::string position;           // "N35.67811 E139.75186"
    bool telemetryKnown = true;     // false: the texts above are kUnknownValue
    bool brakeShown = false;        // only when the brake is wired
    bool brakeOn = false;
    std::string brake;          // "ブレーキ ＯＮ" / "ブレーキ ＯＦＦ"
    std::string passTime;       // "経過時間：　-04.307秒"; empty without a trigger
    std::string triggerKind;    // "衝撃検出撮影", ...
    bool triggerFrame = false;  // this is the frame the recording was triggered at
    bool triggerMark = false;   // within the second from the trigger: the red frame and tag
    bool noPicture = false;     // the picture repeats the one before: marked 画像なし
};

OverlayTexts ComputeOverlayTexts(const Recording& recording, int index);

// Frame numbers as runs for a message: "3, 7-9, 12"; past `limit` runs, ", ..." ends it.
std::string FrameListText(const std::vector<int>& frames, std::size_t limit = 12);

}  // namespace drv

#pragma once
// The texts of the telemetry panel, computed from a frame's record and the recording state,
// so that the panel widget only copies them into its labels.
#include <optional>
#include <string>

#include "core/recording/frame_record.h"

namespace drv {

struct PanelTexts {
    std::string speed;              // lblSpeed
    std::string pulseSpeed;         // lblData(0)
    bool brakeOn = false;           // ShowBrake
    std::string accelLongitudinal;  // lblData(1), 14 characters
    std::string accelLateral;       // lblData(2), 14 characters
    std::string latitude;           // lblData(4)
    std::string longitude;          // lblData(5)
    std::string shotAt;             // lblDate(0)
    std::string updatedAt;          // lblDate(1)
    std::string passTime;           // lblPassTime
};

// Everything UpdateDataPanel writes for frame `index` (1-based).
PanelTexts ComputePanelTexts(const FrameRecord& record, const RecordingState& state, int index);

// The speed the panel shows for a frame: the main speed; the pulse speed when the recording
// has no main speed but carries the vehicle signals; nothing ("----km/h") when it has neither.
std::optional<float> ShownSpeed(const FrameRecord& record, const RecordingState& state);

// ShowSpeed's text: "##0.0" then "km/h", no blank ("52.3km/h").
std::string SpeedText(float kmh);
// The speed-pulse row: "#00.0" then " km/h" ("05.2 km/h").
std::string PulseSpeedText(float kmh);
// "#0.00" right-aligned in six characters (a longer text keeps its last six), " G", six blanks.
std::string AccelerationText(float g);
// Seconds from the trigger frame to frame `index`, as the panel and the exported files give them:
// (index - round(TriggerPosition / 50)) x 0.073 s at 14 fps, 0.145 s at 7 fps, as a float.
float ElapsedSeconds(const RecordingState& state, int index);
// "経過時間：　" + ElapsedSeconds as "00.000" + "秒"; negative before the trigger.
std::string PassTimeText(const RecordingState& state, int index);
// lblfps: " 7fps / " or "14fps / ", then "高画質" or "低画質".
std::string FpsText(bool highFrameRate, bool highQuality);
// lblBrkName: "ブレーキ ＯＮ" or "ブレーキ ＯＦＦ".
std::string BrakeCaption(bool on);

inline constexpr const char* kNoSpeedText = "----km/h";

}  // namespace drv

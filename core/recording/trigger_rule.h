#pragma once
// The trigger frame of a recording: the first frame of a load that carries a trigger mark sets
// TriggerPosition and the recording flags; the trigger-kind caption follows the marks.
#include <string_view>

#include "core/recording/frame_record.h"

namespace drv {

// Trigger-kind captions, as the window shows them.
inline constexpr std::string_view kCaptionExternalSwitch = "外部スイッチ";
inline constexpr std::string_view kCaptionShock = "衝撃検出撮影";
inline constexpr std::string_view kCaptionPowerCut = "常時電源切断";

// Weighs frame `index` (1-based, in playback order) of a load. Called once per frame, in
// order, after the load put `state` back to its start-up values.
void ApplyTriggerRule(const FrameStatus& status, int index, RecordingState& state);

}  // namespace drv

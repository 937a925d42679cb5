#include "core/recording/trigger_rule.h"

#include <string>

namespace drv {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

}  // namespace

void ApplyTriggerRule(const FrameStatus& status, int index, RecordingState& state) {
    // A later marked frame may still upgrade a power-cut caption to the mark's own kind.
    if ((state.TriggerKindCaption.empty() || trimmed(state.TriggerKindCaption) == kCaptionPowerCut) &&
        status.triggerMark) {
        state.TriggerKindCaption = std::string(status.externalSwitch ? kCaptionExternalSwitch : kCaptionShock);
    }
    if (state.TriggerFound) return;

    const auto position = static_cast<std::int32_t>(std::int64_t{index} * kUnitsPerFrame);
    if (status.triggerMark) {
        state.TriggerFound = true;
        state.TriggerPosition = position;
    }
    if (status.triggerMarkSecondForm) {
        state.TriggerFound = true;
        state.TriggerPosition = position;
        if (state.TriggerKindCaption.empty() && status.powerCut)
            state.TriggerKindCaption = std::string(kCaptionPowerCut);
    }
    if (state.TriggerFound) {
        // The trigger frame describes the whole recording.
        state.VehicleSignalsPresent = status.vehicleSignals;
        state.NoMainSpeed = status.noMainSpeed;
        state.HighFrameRate = status.highFrameRate;
        state.HighQuality = status.highQuality;
    }
}

}  // namespace drv

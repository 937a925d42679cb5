#include "core/video/video_plan.h"

#include <algorithm>
#include <cmath>

#include "core/common/numbers.h"
#include "core/common/utf8.h"
#include "core/export/telemetry_export.h"
#include "core/recording/recording_dump.h"
#include "core/viewer/panel_text.h"

namespace drv {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

int VideoFps(const RecordingState& state) { return state.HighFrameRate ? 14 : 7; }

std::optional<FrameRange> RangeAroundTrigger(const Recording& recording, double secondsBefore, double secondsAfter) {
    const std::optional<int> k = recording.triggerFrame();
    if (!k) return std::nullopt;
    // The panel's step between frames, so the first frame shows at most `secondsBefore`.
    const double step = recording.state.HighFrameRate ? 0.073 : 0.145;
    auto frames = [step](double seconds) {
        return static_cast<int>(std::min(std::floor(std::max(seconds, 0.0) / step + 1e-9), 32767.0));
    };
    return FrameRange{std::max(1, *k - frames(secondsBefore)),
                      std::min(recording.frameCount(), *k + frames(secondsAfter))};
}

std::string VideoCreationTime(const Recording& recording, int firstFrame) {
    if (firstFrame < 1 || static_cast<std::size_t>(firstFrame) >= recording.frames.size()) return {};
    const auto clock = RecorderClock(recording.frames[static_cast<std::size_t>(firstFrame)]);
    if (!clock) return {};
    return FormatIsoUtc(*clock, LocalUtcOffsetMinutes(*clock));
}

std::string VideoTitle(const Recording& recording) {
    // The folder's own name: "." or "../rec/.." opened from a shell name what they lead to.
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(recording.folder, ec);
    std::string folder = ec ? recording.folder.native() : real.native();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();  // "rec/" is named "rec"
    return ToValidUtf8(std::filesystem::path(folder).filename().native());
}

OverlayTexts ComputeOverlayTexts(const Recording& recording, int index) {
    OverlayTexts o;
    if (index < 1 || static_cast<std::size_t>(index) >= recording.frames.size()) return o;
    const FrameRecord& record = recording.frames[static_cast<std::size_t>(index)];
    const RecordingState& state = recording.state;
    const PanelTexts panel = ComputePanelTexts(record, state, index);
    o.dateTime = trimmed(panel.shotAt);
    o.speed = panel.speed;
    o.accelLongitudinal = trimmed(panel.accelLongitudinal);
    o.accelLateral = trimmed(panel.accelLateral);
    o.brakeShown = state.VehicleSignalsPresent;
    o.brakeOn = panel.brakeOn;
    o.brake = BrakeCaption(panel.brakeOn);
    // Without a trigger the panel counts from a frame that does not exist; a shared video
    // leaves that out rather than show times from nothing.
    const std::optional<int> trigger = recording.triggerFrame();
    if (trigger) o.passTime = panel.passTime;
    o.triggerKind = trimmed(state.TriggerKindCaption);
    o.triggerFrame = trigger == index;
    return o;
}

}  // namespace drv

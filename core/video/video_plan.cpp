#include "core/video/video_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

namespace {

std::string positionText(const FrameRecord& record) {
    const GeoPosition& at = record.position;
    if (!at.valid) return kUnknownValue;
    char text[48];
    std::snprintf(text, sizeof text, "%c%.5f %c%.5f", at.latitude < 0 ? 'S' : 'N', std::abs(at.latitude),
                  at.longitude < 0 ? 'W' : 'E', std::abs(at.longitude));
    return text;
}

}  // namespace

OverlayTexts ComputeOverlayTexts(const Recording& recording, int index) {
    OverlayTexts o;
    if (index < 1 || static_cast<std::size_t>(index) >= recording.frames.size()) return o;
    const FrameRecord& record = recording.frames[static_cast<std::size_t>(index)];
    const RecordingState& state = recording.state;
    const PanelTexts panel = ComputePanelTexts(record, state, index);
    // The decoder leaves the clock's placeholder on a frame whose telemetry it could not read.
    o.telemetryKnown = ParseClockText(record.ShotAt).has_value();
    if (o.telemetryKnown) {
        o.dateTime = trimmed(panel.shotAt);
        o.speed = panel.speed;
        o.accelLongitudinal = trimmed(panel.accelLongitudinal);
        o.accelLateral = trimmed(panel.accelLateral);
        o.position = positionText(record);
    } else {
        o.dateTime = o.accelLongitudinal = o.accelLateral = o.position = kUnknownValue;
        o.speed = std::string(kUnknownValue) + "km/h";
    }
    o.brakeShown = state.VehicleSignalsPresent && o.telemetryKnown;
    o.brakeOn = panel.brakeOn;
    o.brake = BrakeCaption(panel.brakeOn);
    // Without a trigger the panel counts from a frame that does not exist; a shared video
    // leaves that out rather than show times from nothing.
    const std::optional<int> trigger = recording.triggerFrame();
    if (trigger) o.passTime = panel.passTime;
    o.triggerKind = trimmed(state.TriggerKindCaption);
    o.triggerFrame = trigger == index;
    // A mark of one frame flashes by unseen: it stays up for a second of the recording.
    o.triggerMark = trigger && index >= *trigger && index < *trigger + VideoFps(state);
    return o;
}

std::string FrameListText(const std::vector<int>& frames, std::size_t limit) {
    std::string text;
    std::size_t runs = 0;
    for (std::size_t i = 0; i < frames.size();) {
        std::size_t j = i;
        while (j + 1 < frames.size() && frames[j + 1] == frames[j] + 1) ++j;
        if (runs == limit) return text + ", ...";
        if (runs++) text += ", ";
        text += std::to_string(frames[i]);
        if (j > i) text += "-" + std::to_string(frames[j]);
        i = j + 1;
    }
    return text;
}

}  // namespace drv

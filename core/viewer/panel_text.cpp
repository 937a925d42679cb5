#include "core/viewer/panel_text.h"

#include "core/recording/recording.h"
#include "core/common/numbers.h"

namespace drv {

std::optional<float> ShownSpeed(const FrameRecord& record, const RecordingState& state) {
    if (!state.NoMainSpeed) return record.Speed;
    if (state.VehicleSignalsPresent) return record.PulseSpeed;
    return std::nullopt;
}

std::string SpeedText(float kmh) { return FormatNumber(kmh, "##0.0") + "km/h"; }

std::string PulseSpeedText(float kmh) { return FormatNumber(kmh, "#00.0") + " km/h"; }

std::string AccelerationText(float g) {
    // The number text is ASCII, so bytes are characters here.
    const std::string padded = "      " + FormatNumber(g, "#0.00");
    return padded.substr(padded.size() - 6) + " G      ";
}

float ElapsedSeconds(const RecordingState& state, int index) {
    const double step = state.HighFrameRate ? 0.073 : 0.145;
    return static_cast<float>((index - TriggerPositionFrame(state)) * step);
}

std::string PassTimeText(const RecordingState& state, int index) {
    return "経過時間：　" + FormatNumber(ElapsedSeconds(state, index), "00.000") + "秒";
}

std::string FpsText(bool highFrameRate, bool highQuality) {
    return std::string(highFrameRate ? "14fps / " : " 7fps / ") + (highQuality ? "高画質" : "低画質");
}

std::string BrakeCaption(bool on) { return on ? "ブレーキ ＯＮ" : "ブレーキ ＯＦＦ"; }

PanelTexts ComputePanelTexts(const FrameRecord& record, const RecordingState& state, int index) {
    PanelTexts t;
    const std::optional<float> speed = ShownSpeed(record, state);
    t.speed = speed ? SpeedText(*speed) : kNoSpeedText;
    if (!state.NoMainSpeed && state.VehicleSignalsPresent) t.pulseSpeed = PulseSpeedText(record.PulseSpeed);
    t.brakeOn = record.Brake;
    t.accelLongitudinal = AccelerationText(record.AccelLongitudinal);
    t.accelLateral = AccelerationText(record.AccelLateral);
    t.latitude = record.Latitude;
    t.longitude = record.Longitude;
    t.shotAt = record.ShotAt;
    t.updatedAt = record.UpdatedAt;
    t.passTime = PassTimeText(state, index);
    return t;
}

}  // namespace drv

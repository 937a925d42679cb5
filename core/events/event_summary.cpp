#include "core/events/event_summary.h"

#include <algorithm>
#include <cmath>

#include "core/exif/telemetry_decoder.h"
#include "core/viewer/panel_text.h"

namespace drv {
namespace {

// The recorder's clock; a frame without one still has the camera's shooting time.
std::optional<ClockTime> frameTime(const FrameRecord& record) {
    if (auto clock = ParseClockText(record.RecordedAt)) return clock;
    return ParseClockText(record.ShotAt);
}

void keepPeak(float& peak, float value, bool first) {
    if (first || std::fabs(value) > std::fabs(peak)) peak = value;
}

}  // namespace

bool IsDamagedFrame(const ExifTags& tags) {
    // Missing, unreadable, foreign or broken files, and Exif without the recorder's text.
    return tags.status != ExifStatus::Ok || tags.MakerNoteText.empty();
}

void EventSummarizer::addFrame(const ExifTags& tags, const std::filesystem::path& name) {
    const int index = ++s_.frames;
    const bool hadTrigger = state_.TriggerFound;
    DecodeFrameTelemetry(tags, record_, index, state_);
    if (IsDamagedFrame(tags)) ++s_.damagedFrames;
    if (index == 1) {
        s_.firstShotAt = frameTime(record_);
        s_.pictureName = name;
    }
    if (!hadTrigger && state_.TriggerFound) {
        s_.triggerFrame = index;
        s_.pictureName = name;
        triggerRecord_ = record_;
        brakeWindowEnd_ = index + 3 * (state_.HighFrameRate ? 14 : 7);
    }
    if (s_.triggerFrame > 0 && index <= brakeWindowEnd_ && record_.Brake) brakeSeen_ = true;
    maxSpeed_ = index == 1 ? record_.Speed : std::max(maxSpeed_, record_.Speed);
    maxPulseSpeed_ = index == 1 ? record_.PulseSpeed : std::max(maxPulseSpeed_, record_.PulseSpeed);
    keepPeak(s_.peakAccelLongitudinal, record_.AccelLongitudinal, index == 1);
    keepPeak(s_.peakAccelLateral, record_.AccelLateral, index == 1);
}

EventSummary EventSummarizer::finish() const {
    EventSummary s = s_;
    s.highFrameRate = state_.HighFrameRate;
    s.highQuality = state_.HighQuality;
    s.lengthSeconds = static_cast<double>(s.frames) / (state_.HighFrameRate ? 14.0 : 7.0);
    s.triggerFound = s.triggerFrame > 0;
    s.triggerKind = state_.TriggerKindCaption;
    // The maximum of the speed the panel shows: the flags hold for every frame of a recording.
    FrameRecord maxima;
    maxima.Speed = maxSpeed_;
    maxima.PulseSpeed = maxPulseSpeed_;
    s.maxSpeed = s.frames > 0 ? ShownSpeed(maxima, state_) : std::nullopt;
    if (s.triggerFound) {
        s.triggerAt = frameTime(triggerRecord_);
        s.speedAtTrigger = ShownSpeed(triggerRecord_, state_);
        if (state_.VehicleSignalsPresent) s.brakeAfterTrigger = brakeSeen_;
        const auto lat = LatitudeDegrees(triggerRecord_.Latitude);
        const auto lon = LongitudeDegrees(triggerRecord_.Longitude);
        // A position is a pair: half of one is no position.
        if (lat && lon) s.latitude = lat, s.longitude = lon;
    }  // without a trigger there is no "after the trigger": brakeAfterTrigger stays empty
    return s;
}

std::optional<EventSummary> SummarizeRecording(const std::filesystem::path& folder, const FileNameList& names,
                                               const std::function<bool()>& cancelled) {
    EventSummarizer summarizer;
    for (std::size_t i = 1; i < names.size(); ++i) {
        if (cancelled && cancelled()) return std::nullopt;
        summarizer.addFrame(ReadExifTags(folder / names[i]), names[i]);
    }
    EventSummary s = summarizer.finish();
    s.path = folder;
    return s;
}

}  // namespace drv

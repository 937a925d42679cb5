#include "core/events/event_summary.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "core/exif/telemetry_decoder.h"
#include "core/recording/recording_loader.h"
#include "core/viewer/panel_text.h"

namespace drv {
namespace {

// The recorder's clock; a frame without one still has the camera's shooting time.
std::optional<ClockTime> frameTime(const FrameRecord& record) {
    if (auto clock = RecorderClock(record)) return clock;
    return ParseClockText(record.ShotAt);
}

void keepPeak(float& peak, float value, bool first) {
    if (first || std::fabs(value) > std::fabs(peak)) peak = value;
}

}  // namespace

std::int64_t ClockSeconds(const ClockTime& t) {
    using namespace std::chrono;
    const sys_days day{year{t.year} / month{static_cast<unsigned>(t.month)} / static_cast<unsigned>(t.day)};
    return std::int64_t{day.time_since_epoch().count()} * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::optional<bool> HighFrameRateFromClock(int framesApart, std::int64_t seconds) {
    if (framesApart < 28 || seconds < 0) return std::nullopt;
    // Halfway between the spans at 14 fps (n / 14) and at 7 fps (n / 7): 3n / 28.
    return seconds * 28 < std::int64_t{3} * framesApart;
}

bool IsDamagedFrame(const ExifTags& tags) {
    // Missing, unreadable, foreign or broken files, and Exif without the recorder's text.
    return tags.status != ExifStatus::Ok || tags.MakerNoteText.empty();
}

void EventSummarizer::addFrame(const ExifTags& tags, const std::filesystem::path& name) {
    const int index = ++s_.frames;
    const bool hadTrigger = state_.TriggerFound;
    const bool damaged = IsDamagedFrame(tags);
    LoadFrame(tags, record_, index, state_);
    if (damaged) ++s_.damagedFrames;
    if (tags.status == ExifStatus::Unreadable) ++s_.unopenedFrames;
    if (index == 1) {
        s_.firstShotAt = frameTime(record_);
        s_.pictureName = name;
        if (!damaged) {
            const FrameStatus status = DecodeFrameStatus(tags);
            firstHighFrameRate_ = status.highFrameRate;
            firstHighQuality_ = status.highQuality;
        }
    }
    if (const auto clock = ParseClockText(record_.RecordedAt)) {
        if (clockFirstFrame_ == 0) clockFirstFrame_ = index, clockFirstSeconds_ = ClockSeconds(*clock);
        clockLastFrame_ = index, clockLastSeconds_ = ClockSeconds(*clock);
    }
    if (!hadTrigger && state_.TriggerFound) {
        s_.triggerFrame = index;
        s_.pictureName = name;
        triggerRecord_ = record_;
    }
    brakes_.push_back(record_.Brake);
    maxSpeed_ = index == 1 ? record_.Speed : std::max(maxSpeed_, record_.Speed);
    maxPulseSpeed_ = index == 1 ? record_.PulseSpeed : std::max(maxPulseSpeed_, record_.PulseSpeed);
    keepPeak(s_.peakAccelLongitudinal, record_.AccelLongitudinal, index == 1);
    keepPeak(s_.peakAccelLateral, record_.AccelLateral, index == 1);
}

EventSummary EventSummarizer::finish() const {
    EventSummary s = s_;
    s.triggerFound = s.triggerFrame > 0;
    s.highFrameRate = state_.HighFrameRate;
    s.highQuality = state_.HighQuality;
    if (!s.triggerFound) {
        // The viewer assumes 7 fps without a trigger; the list tells what was recorded.
        s.highFrameRate = firstHighFrameRate_ == 1;
        s.highQuality = firstHighQuality_;
        if (const auto byClock =
                HighFrameRateFromClock(clockLastFrame_ - clockFirstFrame_, clockLastSeconds_ - clockFirstSeconds_))
            s.highFrameRate = *byClock;
    }
    s.lengthSeconds = static_cast<double>(s.frames) / (s.highFrameRate ? 14.0 : 7.0);
    s.triggerKind = state_.TriggerKindCaption;
    // The maximum of the speed the panel shows: the flags hold for every frame of a recording.
    FrameRecord maxima;
    maxima.Speed = maxSpeed_;
    maxima.PulseSpeed = maxPulseSpeed_;
    s.maxSpeed = s.frames > 0 ? ShownSpeed(maxima, state_) : std::nullopt;
    if (s.triggerFound) {
        s.triggerAt = frameTime(triggerRecord_);
        s.speedAtTrigger = ShownSpeed(triggerRecord_, state_);
        if (state_.VehicleSignalsPresent) {
            const int window = 3 * (state_.HighFrameRate ? 14 : 7);
            // Frames `from`..`to`, 1-based, clipped to the recording.
            auto brakeIn = [this](int from, int to) {
                const int last = std::min(to, static_cast<int>(brakes_.size()));
                for (int i = std::max(from, 1); i <= last; ++i)
                    if (brakes_[static_cast<std::size_t>(i - 1)]) return true;
                return false;
            };
            s.brakeAfterTrigger = brakeIn(s.triggerFrame, s.triggerFrame + window);
            s.brakeBeforeTrigger = brakeIn(s.triggerFrame - window, s.triggerFrame - 1);
        }
        const GeoPosition& p = triggerRecord_.position;
        if (p.valid) s.latitude = p.latitude, s.longitude = p.longitude;
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

#pragma once
// The telemetry of one frame and the state a load derives from a whole recording.
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drv {

// A position in decimal degrees (degrees + minutes/60 + seconds/3600), south and west
// negative. Not valid where the recorder had no position.
struct GeoPosition {
    bool valid = false;
    double latitude = 0;
    double longitude = 0;
};

// Texts are UTF-8 and fixed-width in characters (度 分 秒 count one each).
struct FrameRecord {
    float Speed = 0;       // km/h
    float PulseSpeed = 0;  // km/h, from the vehicle speed pulse
    bool Brake = false;
    float AccelLongitudinal = 0;  // G, signed
    float AccelLateral = 0;       // G, signed
    float AccelAxis3 = 0;         // G, signed; stored, never shown
    std::string RecordedAt;       // 19: recorder clock "20yy/MM/dd hh:mm:ss"
    std::string Latitude;         // 13: "N  35度40分12秒3" or the no-position text
    std::string Longitude;        // 13: "E 139度45分06秒7" or the no-position text
    std::string ShotAt;           // 19: DateTimeOriginal
    std::string DigitizedAt;      // 19: DateTimeDigitized; stored, never shown
    std::string UpdatedAt;        // 19: DateTime of IFD0

    // The same telemetry as values, decoded beside the texts the panel shows.
    GeoPosition position;                             // from Latitude and Longitude
    std::optional<std::chrono::local_seconds> clock;  // RecordedAt; none for the placeholder
};

// The status bits of one frame's UserComment block, as values.
struct FrameStatus {
    bool triggerMark = false;            // shock detection or the external switch
    bool externalSwitch = false;         // the mark came from the external switch
    bool triggerMarkSecondForm = false;  // the mark in its second form (power cut possible)
    bool powerCut = false;               // with the second form: the constant power was cut
    bool vehicleSignals = false;         // brake and speed pulse are wired
    bool noMainSpeed = false;            // the main speed field carries no speed
    bool highFrameRate = false;          // 14 fps, else 7
    bool highQuality = false;
};

inline constexpr int kGraphChannels = 4;
inline constexpr int kGraphSampleCount = 441;  // the chart's working limit of frames
using GraphSampleTable = std::array<std::array<std::int32_t, kGraphSampleCount>, kGraphChannels>;

// The chart's horizontal unit: frame k lies at k x kUnitsPerFrame graph units; the trigger
// position counts in the same units.
inline constexpr std::int32_t kUnitsPerFrame = 50;
// Before any recording the chart is 400 frames long and the trigger sits one frame past its
// middle (frame 201).
inline constexpr std::int32_t kStartupGraphWidth = 400 * kUnitsPerFrame;
inline constexpr std::int32_t kStartupTriggerPosition = kStartupGraphWidth / 2 + kUnitsPerFrame;

// What loading a recording derives besides the per-frame records. Every load starts from
// these start-up values (the graph samples excepted); flags and TriggerPosition then change
// only when it finds a trigger frame.
struct RecordingState {
    bool TriggerFound = false;
    std::int32_t TriggerPosition = kStartupTriggerPosition;  // kUnitsPerFrame x the trigger frame's index
    bool VehicleSignalsPresent = false;
    bool NoMainSpeed = false;
    bool HighFrameRate = false;
    bool HighQuality = false;
    std::string TriggerKindCaption;   // shown in lblMsgInput
    GraphSampleTable GraphSamples{};  // [channel][frame index - 1]; never cleared
};

// Indexed like the file list: entry 0 is never filled, 1..N are the frames.
// Sized 0..400 at start-up.
using FrameTable = std::vector<FrameRecord>;

}  // namespace drv

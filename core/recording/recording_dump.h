#pragma once
// A loaded recording as text for people and tools: JSON and CSV (drtool dump).
#include <filesystem>
#include <string>
#include <string_view>

#include "core/common/status.h"
#include "core/recording/recording.h"

namespace drv {

// Opens `folder` as the viewer's Open command does: lists its frames, puts them into time
// order and reads the telemetry of every one into `recording` (start-up state first).
// A failure says why when the folder is missing or holds no frames.
Status LoadRecordingFolder(const std::filesystem::path& folder, Recording& recording);

// The recording as one JSON object: folder, frame count, recording flags and one object
// per frame. Floats are the shortest decimals that read back as the same 32-bit float;
// texts are whole (trailing blanks kept); samples are null past frame 441.
std::string RecordingToJson(const Recording& recording);

// A header row of the frame fields, then one row per frame.
std::string RecordingToCsv(const Recording& recording);

// A JSON string literal of UTF-8 text: quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view utf8);

// A CSV cell: quoted (inner quotes doubled) only when it holds a comma, quote or line break.
std::string CsvField(std::string_view text);

// Shortest decimal that reads back as the same float (-0 as "0"); "null" for infinities and NaN.
std::string ShortestFloat(float value);

}  // namespace drv

#pragma once
// The event list as text for people and tools: JSON and CSV (drtool events, and the
// list window's CSV file).
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/events/event_summary.h"

namespace drv {

// {"root": ..., "recordings": [...], "unreadableFolders": [...]}; a recording is an object
// with the fields of EventSummary, nothing as null, names not in UTF-8 with U+FFFD.
std::string EventsToJson(const std::filesystem::path& root, const std::vector<EventSummary>& recordings,
                         const std::vector<std::filesystem::path>& unreadable);

// A header row of the same names, then one row per recording; nothing is an empty cell.
std::string EventsToCsv(const std::vector<EventSummary>& recordings);

// "2007-10-10T04:18:59": the recorder's clock carries no time zone, so none is written.
std::string EventTimeText(const std::optional<ClockTime>& time);

}  // namespace drv

#pragma once
// The event list as text for people and tools: JSON and CSV (drtool events, and the
// list window's CSV file).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/events/event_summary.h"

namespace drv {

// {"root": ..., "recordings": [...], "unreadableFolders": [...]}; a recording is an object
// with the fields of EventSummary, nothing as null, names not in UTF-8 with U+FFFD.
std::string EventsToJson(const std::filesystem::path& root, const std::vector<EventSummary>& recordings,
                         const std::vector<std::filesystem::path>& unreadable);

// A header row of the same names, then one row per recording; nothing is an empty cell. A text
// cell a spreadsheet would run as a formula gets a leading apostrophe. `excel`: a UTF-8 byte
// order mark first, without which Excel reads the file in the system's legacy code page.
std::string EventsToCsv(const std::vector<EventSummary>& recordings, bool excel = false);

// A text cell that begins with = + - @, a tab or a carriage return, with an apostrophe before
// it so that a spreadsheet shows it as text instead of evaluating it; others unchanged.
std::string SpreadsheetText(std::string_view text);

// "2007-10-10T04:18:59": the recorder's clock carries no time zone, so none is written.
std::string EventTimeText(const std::optional<ClockTime>& time);

}  // namespace drv

#pragma once
// Narrowing the event list: which recordings a reviewer's filters keep, and the totals of
// those kept. Every filter left at its default keeps every row; set filters combine (and).
#include <compare>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/events/event_summary.h"

namespace drv {

struct CalendarDate {
    int year = 0, month = 0, day = 0;
    friend auto operator<=>(const CalendarDate&, const CalendarDate&) = default;
};

struct EventFilter {
    enum class Brake { Any, On, Off };

    std::string text;                        // part of the folder's path, ignoring ASCII case
    std::optional<std::string> triggerKind;  // the caption; "" for recordings without a trigger
    std::optional<CalendarDate> from, to;    // the first frame's date, both ends included
    Brake brakeAfterTrigger = Brake::Any;    // On / Off need a trigger and a wired brake signal
    double minPeakG = 0;                     // |longitudinal| or |lateral| peak at least this
    bool damagedOnly = false;

    bool active() const;
    bool matches(const EventSummary& s) const;
    friend bool operator==(const EventFilter&, const EventFilter&) = default;
};

struct EventTotals {
    int recordings = 0;
    std::map<std::string, int> byTriggerKind;   // "" for recordings without a trigger
    std::optional<ClockTime> earliest, latest;  // first frames' times, where readable
    int damagedFrames = 0;
};

// The totals of the rows of `rows` at `indices` (all rows when `indices` is null).
EventTotals TotalEvents(const std::vector<EventSummary>& rows, const std::vector<int>* indices = nullptr);

// The trigger kind caption without the padding the panel gives it.
std::string TrimmedKind(const std::string& caption);

}  // namespace drv

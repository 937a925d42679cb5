#include "core/events/event_filter.h"

#include <algorithm>
#include <cmath>

namespace drv {
namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool containsIgnoringCase(const std::string& text, const std::string& part) {
    if (part.empty()) return true;
    const auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                                [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
    return it != text.end();
}

bool earlier(const ClockTime& a, const ClockTime& b) { return ClockSeconds(a) < ClockSeconds(b); }

}  // namespace

std::string TrimmedKind(const std::string& caption) {
    const auto first = caption.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return caption.substr(first, caption.find_last_not_of(' ') - first + 1);
}

bool EventFilter::active() const { return !(*this == EventFilter{}); }

bool EventFilter::matches(const EventSummary& s) const {
    if (!containsIgnoringCase(s.folder.native(), text)) return false;
    if (triggerKind && (s.triggerFound ? TrimmedKind(s.triggerKind) : std::string()) != *triggerKind) return false;
    if (from || to) {
        // A recording whose date cannot be read is outside every range.
        if (!s.firstShotAt) return false;
        const CalendarDate day{s.firstShotAt->year, s.firstShotAt->month, s.firstShotAt->day};
        if ((from && day < *from) || (to && day > *to)) return false;
    }
    if (brakeAfterTrigger != Brake::Any) {
        if (!s.triggerFound || !s.brakeAfterTrigger) return false;
        if (*s.brakeAfterTrigger != (brakeAfterTrigger == Brake::On)) return false;
    }
    if (minPeakG > 0) {
        const double peak = std::max(std::fabs(s.peakAccelLongitudinal), std::fabs(s.peakAccelLateral));
        // Compared as the list shows them, in hundredths: a peak shown as 0.50 passes "0.50".
        if (std::round(peak * 100) < std::round(minPeakG * 100)) return false;
    }
    if (damagedOnly && s.damagedFrames == 0) return false;
    return true;
}

EventTotals TotalEvents(const std::vector<EventSummary>& rows, const std::vector<int>* indices) {
    EventTotals t;
    auto add = [&t](const EventSummary& s) {
        ++t.recordings;
        ++t.byTriggerKind[s.triggerFound ? TrimmedKind(s.triggerKind) : std::string()];
        t.damagedFrames += s.damagedFrames;
        if (s.firstShotAt) {
            if (!t.earliest || earlier(*s.firstShotAt, *t.earliest)) t.earliest = s.firstShotAt;
            if (!t.latest || earlier(*t.latest, *s.firstShotAt)) t.latest = s.firstShotAt;
        }
    };
    if (indices) {
        for (int i : *indices)
            if (i >= 0 && static_cast<std::size_t>(i) < rows.size()) add(rows[static_cast<std::size_t>(i)]);
    } else {
        for (const EventSummary& s : rows) add(s);
    }
    return t;
}

}  // namespace drv

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/events/event_filter.h"

namespace drv {
namespace {

// Five recordings that differ in every filtered field.
std::vector<EventSummary> card() {
    auto row = [](const char* folder, const char* kind, ClockTime at, std::optional<bool> brake, float lon, float lat,
                  int damaged) {
        EventSummary s;
        s.folder = folder;
        s.triggerFound = kind != nullptr;
        s.triggerKind = kind ? kind : "";
        s.firstShotAt = at;
        s.brakeAfterTrigger = brake;
        s.peakAccelLongitudinal = lon, s.peakAccelLateral = lat;
        s.damagedFrames = damaged;
        return s;
    };
    std::vector<EventSummary> rows = {
        row("DCIM/EVT0001", "衝撃検出撮影", {2024, 5, 1, 8, 0, 0}, true, -0.62f, 0.1f, 0),
        row("DCIM/evt0002", "外部スイッチ ", {2024, 5, 2, 23, 59, 59}, false, 0.2f, -0.35f, 3),
        row("DCIM/EVT0003", nullptr, {2024, 5, 3, 0, 0, 0}, std::nullopt, 0.05f, 0.05f, 0),
        row("PARK/EVT0004", "常時電源切断", {2024, 4, 30, 12, 0, 0}, std::nullopt, 0.3f, 0.0f, 1),
        row("PARK/EVT0005", "衝撃検出撮影", {}, false, 0.4999f, 0.0f, 0),
    };
    rows[4].firstShotAt.reset();  // a clock that cannot be read
    return rows;
}

std::string kept(const EventFilter& f) {
    std::string out;
    for (const EventSummary& s : card())
        if (f.matches(s)) out += s.folder.native().back();
    return out;
}

TEST(EventFilter, EachFilterAndTheirCombination) {
    struct Case {
        const char* name;
        std::function<void(EventFilter&)> set;
        const char* rows;
    };
    using B = EventFilter::Brake;
    static constexpr CalendarDate kMay2{2024, 5, 2};
    const Case cases[] = {
        {"nothing set keeps all", [](auto&) {}, "12345"},
        {"text ignores ASCII case", [](auto& f) { f.text = "evt000"; }, "12345"},
        {"text on the whole path", [](auto& f) { f.text = "park/"; }, "45"},
        {"kind, padding ignored", [](auto& f) { f.triggerKind = "外部スイッチ"; }, "2"},
        {"no trigger", [](auto& f) { f.triggerKind = ""; }, "3"},
        {"from a date, a day included whole", [](auto& f) { f.from = kMay2; }, "23"},
        {"to a date, its last second included", [](auto& f) { f.to = kMay2; }, "124"},
        {"one day", [](auto& f) { f.from = f.to = kMay2; }, "2"},
        {"brake on", [](auto& f) { f.brakeAfterTrigger = B::On; }, "1"},
        {"brake off needs a signal", [](auto& f) { f.brakeAfterTrigger = B::Off; }, "25"},
        {"peak of either axis, by magnitude", [](auto& f) { f.minPeakG = 0.35; }, "125"},
        {"peak shown as 0.50 passes 0.50", [](auto& f) { f.minPeakG = 0.5; }, "15"},
        {"damaged only", [](auto& f) { f.damagedOnly = true; }, "24"},
        {"combined", [](auto& f) { f.text = "dcim", f.minPeakG = 0.3, f.damagedOnly = true; }, "2"},
        {"combined to nothing", [](auto& f) { f.triggerKind = "常時電源切断", f.brakeAfterTrigger = B::On; }, ""},
    };
    for (const Case& c : cases) {
        EventFilter filter;
        c.set(filter);
        EXPECT_EQ(kept(filter), c.rows) << c.name;
        EXPECT_EQ(filter.active(), std::string(c.name) != "nothing set keeps all") << c.name;
    }
}

TEST(EventFilter, TotalsOfTheRowsShown) {
    const std::vector<EventSummary> rows = card();
    const EventTotals all = TotalEvents(rows);
    EXPECT_EQ(all.recordings, 5);
    EXPECT_EQ(all.byTriggerKind,
              (std::map<std::string, int>{{"", 1}, {"外部スイッチ", 1}, {"常時電源切断", 1}, {"衝撃検出撮影", 2}}));
    ASSERT_TRUE(all.earliest && all.latest);
    EXPECT_EQ(all.earliest->month * 100 + all.earliest->day, 430);
    EXPECT_EQ(all.latest->day * 100 + all.latest->hour, 300);
    EXPECT_EQ(all.damagedFrames, 4);

    const std::vector<int> some = {4, 1, 99};  // an index past the rows counts nothing
    const EventTotals part = TotalEvents(rows, &some);
    EXPECT_EQ(part.recordings, 2);
    EXPECT_EQ(part.damagedFrames, 3);
    EXPECT_EQ(part.earliest->day, 2);
    EXPECT_EQ(part.latest->day, 2) << "a row without a time leaves the span alone";
}

TEST(EventFilter, RecorderClockInSeconds) {
    EXPECT_EQ(ClockSeconds({1970, 1, 1, 0, 0, 1}), 1);
    EXPECT_EQ(ClockSeconds({2024, 3, 1, 0, 0, 0}) - ClockSeconds({2024, 2, 28, 23, 59, 59}), 86401) << "leap day";
    // 28 frames apart is the least that a whole-second clock tells apart.
    EXPECT_EQ(HighFrameRateFromClock(27, 0), std::nullopt);
    EXPECT_EQ(HighFrameRateFromClock(28, 2), true);
    EXPECT_EQ(HighFrameRateFromClock(28, 3), false);
    EXPECT_EQ(HighFrameRateFromClock(440, 32), true);
    EXPECT_EQ(HighFrameRateFromClock(440, 62), false);
    EXPECT_EQ(HighFrameRateFromClock(440, -5), std::nullopt) << "a clock set back";
}

}  // namespace
}  // namespace drv

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/events/event_report.h"
#include "core/events/event_scan.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

// One frame of a hand-made recording; unnamed fields keep a plain 40 km/h cruise at
// 2021/03/04 00:00:00 without position.
struct Frame {
    double speed = 40, pulse = 39, accelLongitudinal = 0, accelLateral = 0;
    bool brake = false;
    std::optional<StatusBit> mark = std::nullopt;  // the trigger mark's kind, if any
    int time = 0;                                  // hhmmss on the recorder clock
    bool position = false;
    bool damaged = false;  // no telemetry; camera time 2019:01:02 03:04:05
};

// The recording's length and the settings every frame carries.
struct Setup {
    const char* name;
    int frames, fps;
    bool highQuality, signals, mainSpeed;
};

struct Case {
    Setup c;
    std::map<int, Frame> special;  // by 1-based frame
    std::string row;               // expected, as the CSV row in its header's order
};

FrameExif exifOf(const Setup& c, const Frame& f) {
    FrameExif exif;
    exif.dateTimeOriginal = "2019:01:02 03:04:05";
    if (f.damaged) return exif;
    MakerNoteFields m = test::ExampleFields();  // for its position: degrees 0 are none
    m.speed = c.mainSpeed ? f.speed : 0, m.pulseSpeed = f.pulse, m.brake = f.brake;
    m.accelLongitudinal = f.accelLongitudinal, m.accelLateral = f.accelLateral;
    m.year = 2021, m.month = 3, m.day = 4, m.hour = f.time / 10000, m.minute = f.time / 100 % 100,
    m.second = f.time % 100;
    if (!f.position) m.latitudeDegrees = m.longitudeDegrees = 0;
    exif.makerNote = FormatMakerNote(m);
    SetAccelerationSigns(exif, m);
    // Every frame carries the recording's settings; only the trigger frame's count.
    if (c.signals) exif.set(StatusBit::VehicleSignals);
    if (c.fps == 14) exif.set(StatusBit::HighFrameRate);
    if (c.highQuality) exif.set(StatusBit::HighQuality);
    if (!c.mainSpeed) exif.set(StatusBit::NoMainSpeed);
    if (f.mark) exif.set(*f.mark);
    if (f.mark == StatusBit::TriggerMarkSecondForm) exif.set(StatusBit::PowerCut);
    return exif;
}

TEST(EventSummary, HandComputedRecordings) {
    const Case cases[] = {
        {{"ShockAt14fpsBrakeOnTheLastFrameOfThreeSeconds", 50, 14, true, true, true},
         {{1, {.time = 50607}},
          {3, {.speed = 52.3, .mark = StatusBit::TriggerMark, .time = 50609, .position = true}},
          {10, {.speed = 88.8}},
          {20, {.accelLongitudinal = -0.86}},
          {21, {.accelLongitudinal = 0.86}},
          {30, {.accelLateral = 0.37}},
          {45, {.brake = true}}},  // 3 + 3 x 14
         "rec,50,2021-03-04T05:06:07,3.5714285714285716,true,true,true,衝撃検出撮影,3,2021-03-04T05:06:09,52.3,88.8,"
         "-0.86,0.37,true,false,35.6781111,139.7518611,0"},
        {{"SwitchAt7fpsBrakeOneFrameTooLate", 30, 7, false, true, true},
         {{2, {.mark = StatusBit::ExternalSwitch}}, {24, {.brake = true}}},
         "rec,30,2021-03-04T00:00:00,4.285714285714286,false,false,true,外部スイッチ,2,2021-03-04T00:00:00,40,40,0,0,"
         "false,false,,,0"},
        {{"NoMainSpeedShowsThePulseSpeed", 10, 14, true, true, false},
         {{1, {.speed = 99.9}}, {4, {.pulse = 33.3, .mark = StatusBit::TriggerMark}}, {6, {.pulse = 61}}},
         "rec,10,2021-03-04T00:00:00,0.7142857142857143,true,true,true,衝撃検出撮影,4,2021-03-04T00:00:00,33.3,61,0,0,"
         "false,false,,,0"},
        {{"NeitherSpeedNorBrakeSignal", 5, 7, false, false, false},
         {{1, {.mark = StatusBit::TriggerMark}}},
         "rec,5,2021-03-04T00:00:00,0.7142857142857143,false,false,true,衝撃検出撮影,1,2021-03-04T00:00:00,,,0,0,,,,,"
         "0"},
        // Without a trigger the rate is the recording's own: frame 1's flags when the clock
        // spans too few frames, else the clock (30 frames in 2 s are 14 fps whatever the flag).
        {{"NoTriggerTakesFrameOnesFlags", 28, 14, true, true, true},
         {{5, {.brake = true}}, {7, {.speed = 70}}},
         "rec,28,2021-03-04T00:00:00,2,true,true,false,,0,,,70,0,0,,,,,0"},
        {{"NoTriggerTakesTheRateFromTheClock", 30, 7, false, true, true},
         {{30, {.time = 2}}},
         "rec,30,2021-03-04T00:00:00,2.142857142857143,true,false,false,,0,,,40,0,0,,,,,0"},
        {{"NoTriggerSevenFpsByTheClock", 29, 14, false, true, true},
         {{29, {.time = 4}}},
         "rec,29,2021-03-04T00:00:00,4.142857142857143,false,false,false,,0,,,40,0,0,,,,,0"},
        // 3 s before the trigger at 7 fps: frames 9..29 for a trigger at 30.
        {{"BrakeOnTheFirstFrameOfTheThreeSecondsBefore", 40, 7, false, true, true},
         {{9, {.brake = true}}, {30, {.mark = StatusBit::TriggerMark}}},
         "rec,40,2021-03-04T00:00:00,5.714285714285714,false,false,true,衝撃検出撮影,30,2021-03-04T00:00:00,40,40,0,0,"
         "false,true,,,0"},
        {{"BrakeOneFrameBeforeTheThreeSeconds", 40, 7, false, true, true},
         {{8, {.brake = true}}, {30, {.mark = StatusBit::TriggerMark}}},
         "rec,40,2021-03-04T00:00:00,5.714285714285714,false,false,true,衝撃検出撮影,30,2021-03-04T00:00:00,40,40,0,0,"
         "false,false,,,0"},
        {{"PowerCutAfterADamagedFirstFrameTiesKeepTheFirst", 4, 14, true, true, true},
         {{1, {.damaged = true}},
          {2, {.mark = StatusBit::TriggerMarkSecondForm, .time = 101010}},
          {3, {.accelLateral = -0.5}},
          {4, {.accelLateral = 0.5}}},
         "rec,4,2019-01-02T03:04:05,0.2857142857142857,true,true,true,常時電源切断,2,2021-03-04T10:10:10,40,40,0,-0.5,"
         "false,false,,,1"},
    };
    for (const auto& [c, special, row] : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder root;
        test::WriteRecording(root.path() / "rec", c.frames, [&](int i) {
            const auto it = special.find(i);
            return exifOf(c, it == special.end() ? Frame{} : it->second);
        });
        std::vector<EventSummary> rows;
        ScanCallbacks cb;
        cb.row = [&](EventSummary&& s) { rows.push_back(std::move(s)); };
        EXPECT_EQ(ScanEvents(root.path(), kDefaultEventDepth, cb).end, ScanEnd::Complete);
        ASSERT_EQ(rows.size(), 1u);
        char picture[16];
        std::snprintf(picture, sizeof picture, "%05d.jpg", std::max(rows[0].triggerFrame, 1));
        EXPECT_EQ(rows[0].pictureName, picture) << "the trigger frame's picture, else frame 1's";
        const std::string csv = EventsToCsv(rows);
        EXPECT_EQ(csv.substr(csv.find("\r\n") + 2), row + "\r\n");
    }
}

// Text cells that a spreadsheet would evaluate get an apostrophe; numbers stay numbers.
TEST(EventReport, CsvTextCellsNeverRunAsFormulas) {
    const std::pair<const char*, const char*> cases[] = {
        {"=HYPERLINK(\"#A1\")", "\"'=HYPERLINK(\"\"#A1\"\")\""},
        {"+1", "'+1"},
        {"-2", "'-2"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},
        {"\rx", "\"'\rx\""},
        {"a=b", "a=b"},
        {"100EVENT", "100EVENT"},
        {"a,b", "\"a,b\""},
    };
    for (const auto& [folder, cell] : cases) {
        EventSummary s;
        s.folder = s.triggerKind = folder;
        s.peakAccelLongitudinal = -0.5f;
        s.latitude = -33.5, s.longitude = -70.25;
        const std::string csv = EventsToCsv({s});
        const std::string row = csv.substr(csv.find("\r\n") + 2);
        EXPECT_EQ(row.substr(0, row.find(",0,")), cell) << folder;
        EXPECT_NE(row.find("," + std::string(cell) + ",0,"), std::string::npos) << "trigger kind " << folder;
        EXPECT_NE(row.find(",-0.5,0,,,-33.5000000,-70.2500000,0\r\n"), std::string::npos) << row;
    }
    EXPECT_EQ(EventsToCsv({}, true), "\xEF\xBB\xBF" + EventsToCsv({}));
}

}  // namespace
}  // namespace drv

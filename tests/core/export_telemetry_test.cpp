// Telemetry export: the values, whole files checked by xmllint, and drtool export.
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <tuple>

#include "core/export/telemetry_export.h"
#include "core/recording/recording_dump.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

using test::Quote, test::Shell, test::ShellRun, test::Tool;

// The GPX valid against the GPX 1.1 schema, the KML well-formed (when xmllint is there).
void ExpectValidXml(const std::filesystem::path& dir, const std::string& gpx, const std::string& kml) {
    if (Shell("command -v xmllint >/dev/null 2>&1").status != 0) return;
    test::WriteText(dir / "t.gpx", gpx);
    test::WriteText(dir / "t.kml", kml);
    for (const std::string& args :
         {"--schema " + Quote(DRV_TEST_DATA "/gpx11.xsd") + " " + Quote(dir / "t.gpx"), Quote(dir / "t.kml")}) {
        const ShellRun check = Shell("xmllint --noout --nonet " + args + " 2>&1");
        EXPECT_EQ(check.status, 0) << check.out;
    }
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        auto& cells = rows.emplace_back(1);
        for (char c : line)
            if (c == ',') cells.emplace_back();
            else if (c != '\r') cells.back() += c;
    }
    return rows;
}

TEST(ExportPosition, DecimalDegreesFromTheFixedTexts) {
    struct Case {
        const char* text;
        bool latitude;
        const char* expected;
    };  // "" = no position
    // The decoder's table checks these texts' values; here the export's own forms.
    for (const Case& c : {// 12 + 34/60 + 56.7/3600 = 12.582416...; 1 + 45/60 + 6.7/3600 = 1.751861...
                          Case{"S  12度34分56秒7", true, "-12.5824167"},
                          {"W 001度45分06秒7", false, "-1.7518611"},
                          {"s  00度30分00秒0 ", true, "-0.5000000"},
                          {"E  35度40分41秒2", true, ""},  // a longitude prefix on a latitude
                          {"N  90度00分00秒1", true, ""},  // past the pole
                          {"E 180度00分00秒1", false, ""},
                          {"N  35度40分60秒0", true, ""},
                          {"N  3A度40分41秒2", true, ""},
                          {"N  35度40分41秒2x", true, ""},
                          {"", true, ""}}) {
        const auto value = c.latitude ? LatitudeDegrees(c.text) : LongitudeDegrees(c.text);
        EXPECT_EQ(value ? FormatDegrees(*value) : "", c.expected) << c.text;
    }
}

TEST(ExportTime, ClockTextsAsLocalAndUtc) {
    for (const char* bad : {"2000/00/00 00:00:00", "2007/02/29 00:00:00", "2007/10/10 24:00:00", "2007/10/10 04:18",
                            "2007-10-10 04:18:59", "2007/1O/10 04:18:59", "2007/10/10 04:18:59 "})
        EXPECT_FALSE(ParseClockText(bad)) << bad;
    struct Case {
        const char* clock;
        int offset;
        const char* local;
        const char* utc;
    };
    for (const Case& c : {
             Case{"2007/10/10 04:18:59", 540, "2007-10-10T04:18:59+09:00", "2007-10-09T19:18:59Z"},
             {"2008/02/29 23:30:00", -60, "2008-02-29T23:30:00-01:00", "2008-03-01T00:30:00Z"},
             {"2099/12/31 23:59:59", -330, "2099-12-31T23:59:59-05:30", "2100-01-01T05:29:59Z"},
         }) {
        const auto t = ParseClockText(c.clock);
        ASSERT_TRUE(t) << c.clock;
        EXPECT_EQ(FormatIsoLocal(*t, c.offset), c.local);
        EXPECT_EQ(FormatIsoUtc(*t, c.offset), c.utc);
    }
}

// Three frames written with the frame writer: S/W, no position, N/E (the trigger, 14 fps).
Recording HemispheresRecording(const std::filesystem::path& dir) {
    const char* names[] = {"a&<1>.jpg", "b\xFF.jpg", "c.jpg"};
    for (int i = 0; i < 3; ++i) {
        MakerNoteFields m = test::ExampleFields();
        m.minute = 18 + i;
        if (i == 0) m.latitudePrefix = 'S', m.longitudePrefix = 'W', m.longitudeDegrees = 1;
        if (i == 1) m.latitudeDegrees = 0, m.longitudeDegrees = 0;
        FrameExif exif;
        exif.makerNote = FormatMakerNote(m);
        exif.set(StatusBit::HighFrameRate);
        if (i == 2) exif.set(StatusBit::TriggerMark);
        test::WriteFile(dir / names[i], test::FrameBytes(exif));
        test::SetModificationTime(dir / names[i], 1191989880);
    }
    return test::LoadedFolder(dir);
}

TEST(ExportFormats, SignsGapsAndEscapedNamesInEveryFormat) {
    test::TempFolder dir;
    const Recording r = HemispheresRecording(dir.path());
    const auto rows = CsvRows(ExportTelemetry(r, ExportFormat::Csv, 540));
    ASSERT_EQ(rows.size(), 4u);
    auto row = [](const char* index, const char* file, const char* elapsed, const char* lat, const char* lon,
                  const char* minute) -> std::vector<std::string> {
        const char* exifTime = "2000-01-01T00:00:00+09:00";  // the frame writer's default dates
        return {index,    file,    elapsed, "52.3", "0", "1",
                "0.25",   "0.12",  "0.98",  lat,    lon, std::string("2007-10-10T04:") + minute + ":59+09:00",
                exifTime, exifTime};
    };
    const std::vector<std::string> expect[] = {row("1", "a&<1>.jpg", "-0.146", "-35.6781111", "-1.7518611", "18"),
                                               row("2", "b\xEF\xBF\xBD.jpg", "-0.073", "", "", "19"),
                                               row("3", "c.jpg", "0.000", "35.6781111", "139.7518611", "20")};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i + 1)], expect[i]) << "row " << i + 1;
    const std::string gpx = ExportTelemetry(r, ExportFormat::Gpx, 540);
    EXPECT_EQ(Count(gpx, "<trkpt "), 2);
    EXPECT_EQ(Count(gpx,
                    "<trkpt lat=\"-35.6781111\" lon=\"-1.7518611\"><time>2007-10-09T19:18:59Z</time>"
                    "<name>a&amp;&lt;1&gt;.jpg</name><desc>frame 1, 52.3 km/h</desc>"),
              1);
    EXPECT_EQ(Count(gpx,
                    "<wpt lat=\"35.6781111\" lon=\"139.7518611\"><time>2007-10-09T19:20:59Z</time>"
                    "<name>衝撃検出撮影</name>"),
              1);
    const std::string kml = ExportTelemetry(r, ExportFormat::Kml, 540);
    EXPECT_EQ(Count(kml, "<when>"), 3);  // two track points and the trigger placemark
    EXPECT_EQ(Count(kml, "<gx:coord>"), 2);
    EXPECT_NE(kml.find("<coordinates>139.7518611,35.6781111,0</coordinates>"), std::string::npos);
    ExpectValidXml(dir.path(), gpx, kml);
}

TEST(DrtoolExport, SampleAsCsvAndFailuresKeepAnOldFile) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    const std::string rec = Quote(dir.path() / "rec");
    ASSERT_EQ(Shell(Tool() + " sample " + rec + " --frames 30 --trigger 10 --no-pictures").status, 0);
    const ShellRun csv = Shell(Tool() + " export " + rec + " --format csv --utc-offset +09:00");
    ASSERT_EQ(csv.status, 0);
    const auto rows = CsvRows(csv.out);
    ASSERT_EQ(rows.size(), 31u);
    // The sample's clock starts at 2007-10-10 04:18:00, given here at +09:00; frame 10 is the trigger.
    EXPECT_EQ(std::tie(rows[1][11], rows[10][2]), std::make_tuple("2007-10-10T04:18:00+09:00", "0.000"));
    const std::string old = Quote(dir.path() / "old.csv");
    test::WriteText(dir.path() / "old.csv", "keep me");
    for (const std::string& args : {rec + " --format xml -o " + old, Quote(dir.path()) + " --format csv -o " + old,
                                    Quote(dir.path() / "none") + " --format csv -o " + old,
                                    rec + " --format csv -o " + Quote(dir.path() / "no/x.csv")}) {
        EXPECT_EQ(Shell(Tool() + " export " + args + " 2>/dev/null >/dev/null").status, 1) << args;
    }
    EXPECT_EQ(test::ReadFile(dir.path() / "old.csv"), "keep me");
}

}  // namespace
}  // namespace drv

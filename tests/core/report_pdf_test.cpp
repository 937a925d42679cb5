// drtool report read back with poppler's tools: A4 pages, the PDF/A marker, every font
// embedded, and the figures of a recording of known values; awkward recordings still report.
#include <gtest/gtest.h>
#include <sstream>

#include "support/frame_files.h"
#include "core/common/version.h"

namespace drv {
namespace {

using test::Quote;
using test::Shell;

// Frame i at i km/h, trigger (shock) at frame 20 of 30, 14 fps, the worked example's position.
FrameExif Frame(int i, int trigger, bool positions) {
    FrameExif exif = test::ExampleExif();
    MakerNoteFields m = test::ExampleFields();
    m.speed = i;
    m.brake = i >= 22;
    m.accelLongitudinal = i == 21 ? -0.64 : 0.02;
    m.year = 2021, m.month = 3, m.day = 4, m.hour = 5, m.minute = 6, m.second = i / 14;
    if (!positions) m.latitudeDegrees = m.longitudeDegrees = 0;
    exif.makerNote = FormatMakerNote(m);
    SetAccelerationSigns(exif, m);
    exif.set(StatusBit::VehicleSignals);
    exif.set(StatusBit::HighFrameRate);
    if (i == trigger) exif.set(StatusBit::TriggerMark);
    return exif;
}

// The text without blanks (ideographic ones included): pdftotext places and drops them by layout.
std::string Compact(std::string text) {
    for (const std::string blank : {"\xe3\x80\x80", " ", "\n"})
        for (std::size_t at; (at = text.find(blank)) != std::string::npos;) text.erase(at, blank.size());
    return text;
}

struct Made {
    int status = -1;
    std::string info, meta, fonts, text;
};

Made Report(const std::filesystem::path& folder, const std::filesystem::path& pdf, const std::string& extra = "") {
    Made m;
    m.status = Shell(test::Tool() + " report " + Quote(folder) + " -o " + Quote(pdf) + extra + " 2>&1").status;
    if (m.status != 0) return m;
    m.info = Shell("pdfinfo " + Quote(pdf)).out;
    m.meta = Shell("pdfinfo -meta " + Quote(pdf)).out;
    m.fonts = Shell("pdffonts " + Quote(pdf)).out;
    m.text = Compact(Shell("pdftotext " + Quote(pdf) + " -").out);
    return m;
}

// pdffonts: two heading lines, then one line per font whose "emb" column says yes.
void ExpectAllFontsEmbedded(const std::string& listing) {
    std::istringstream lines(listing);
    std::string line;
    int fonts = 0;
    for (int n = 0; std::getline(lines, line); ++n) {
        if (n < 2 || line.empty()) continue;
        ++fonts;
        EXPECT_NE(line.find(" yes "), std::string::npos) << line;
    }
    EXPECT_GT(fonts, 0) << listing;
}

TEST(ReportPdf, KnownRecordingReadsBack) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    test::WriteRecording(dir.path() / "event", 30, [](int i) { return Frame(i, 20, true); });
    const Made m = Report(dir.path() / "event", dir.path() / "r.pdf", " --note " + Quote("雨天、交差点"));
    ASSERT_EQ(m.status, 0);
    EXPECT_NE(m.info.find("(A4)"), std::string::npos) << m.info;
    EXPECT_NE(Compact(m.info).find("Pages:3"), std::string::npos) << m.info;
    EXPECT_NE(m.meta.find("pdfaid:part=\"1\""), std::string::npos) << m.meta;
    EXPECT_NE(m.meta.find("pdfaid:conformance=\"B\""), std::string::npos);
    ExpectAllFontsEmbedded(m.fonts);
    for (const char* expected : {"事故・事象報告書",
                                 "event",
                                 "2021/03/04 05:06:01",
                                 "衝撃検出撮影",
                                 "14fps / 低画質",
                                 "雨天、交差点",
                                 "フレーム 20",
                                 "20.0km/h",
                                 "経過時間：　00.000秒",
                                 "30.0km/h（フレーム 30、+00.730秒）",
                                 "-0.64 G（フレーム 21、+00.073秒）",
                                 "+00.146秒（フレーム 22）",
                                 "35.6781111, 139.7518611",
                                 "走行経路",
                                 "黄色の印：トリガーの地点",
                                 "フレーム一覧",
                                 "00030.jpg",
                                 "SHA-256",
                                 "1 / 3",
                                 "3 / 3"})
        EXPECT_NE(m.text.find(Compact(expected)), std::string::npos) << expected;
    const std::string programLine = std::string("ドライブレコーダー ビューワーソフト ") + ProgramVersion();
    EXPECT_NE(m.text.find(Compact(programLine)), std::string::npos) << programLine;
    const std::string sum = Shell("sha256sum " + Quote(dir.path() / "event" / "00007.jpg") + " | cut -c1-64").out;
    EXPECT_NE(m.text.find(sum.substr(0, 64)), std::string::npos);
    // Written through a temporary beside it: nothing else is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ReportPdf, AwkwardRecordingsStillReport) {
    DRV_REQUIRE_TOOL();
    struct Case {
        const char* name;
        std::string folder;
        int trigger;
        bool positions;
        bool damaged;
        const char* expected;
        const char* alsoExpected = "";
    };
    const Case cases[] = {
        {"NoTrigger", "plain", 0, true, false, "トリガーなし"},
        {"NoPositions", "nopos", 20, false, false, "位置情報なし", "位置情報がありません"},
        {"DamagedFrames", "damaged", 20, true, true, "画像を読めません"},
        {"FolderNameNotUtf8", "ev\xff\xfe", 20, true, false, "ev\xef\xbf\xbd\xef\xbf\xbd"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        test::TempFolder dir;
        const auto folder = dir.path() / k.folder;
        test::WriteRecording(folder, 30, [&](int i) { return Frame(i, k.trigger, k.positions); });
        if (k.damaged) {
            test::WriteText(folder / "00006.jpg", "not a picture at all");
            test::WriteText(folder / "00003.jpg", "");
        }
        const Made m = Report(folder, dir.path() / "r.pdf");
        ASSERT_EQ(m.status, 0);
        EXPECT_NE(m.info.find("(A4)"), std::string::npos);
        ExpectAllFontsEmbedded(m.fonts);
        for (const char* expected : {k.expected, k.alsoExpected})
            EXPECT_NE(m.text.find(Compact(expected)), std::string::npos) << expected << m.text.substr(0, 2000);
    }
}

TEST(ReportPdf, BadRequestsFailWithoutAFile) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    test::WriteRecording(dir.path() / "rec", 3, [](int i) { return Frame(i, 2, true); });
    const std::string rec = Quote(dir.path() / "rec");
    const std::string out = Quote(dir.path() / "r.pdf");
    for (const std::string& args : std::vector<std::string>{
             rec, rec + " -o " + out + " --seconds 1,x", rec + " -o " + out + " --brightness 3",
             rec + " -o " + out + " --tiles gopher://x/{z}", Quote(dir.path() / "absent") + " -o " + out})
        EXPECT_NE(Shell(test::Tool() + " report " + args + " 2>/dev/null").status, 0) << args;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "r.pdf"));
}

}  // namespace
}  // namespace drv

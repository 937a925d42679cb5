#include <gtest/gtest.h>
#include <sstream>

#include "core/common/version.h"
#include "core/recording/recording_dump.h"
#include "core/report/report_content.h"
#include "support/frame_files.h"

namespace drv {
namespace {

using test::Quote;
using test::Shell;

struct Shape {
    int frames = 70;
    int trigger = 50;  // 0: none
    bool signals = true;
    bool positions = true;
};

// Frame i drives at i km/h; -0.86 G at frame 52, 0.5 G at 30, 0.37 G lateral at 55, the brake
// on from frame 53; 14 fps; the clock 2021/03/04 05:06:00 plus i / 14 s.
FrameExif KnownFrame(const Shape& shape, int i) {
    FrameExif exif = test::ExampleExif();
    MakerNoteFields m = test::ExampleFields();
    m.speed = i;
    m.brake = i >= 53;
    m.accelLongitudinal = i == 52 ? -0.86 : i == 30 ? 0.5 : 0.01;
    m.accelLateral = i == 55 ? 0.37 : -0.02;
    m.year = 2021, m.month = 3, m.day = 4, m.hour = 5, m.minute = 6, m.second = i / 14;
    if (!shape.positions) m.latitudeDegrees = m.longitudeDegrees = 0;
    exif.makerNote = FormatMakerNote(m);
    SetAccelerationSigns(exif, m);
    if (shape.signals) exif.set(StatusBit::VehicleSignals);
    exif.set(StatusBit::HighFrameRate);
    if (i == shape.trigger) exif.set(StatusBit::TriggerMark);
    return exif;
}

Recording Load(const std::filesystem::path& dir, const Shape& shape) {
    test::WriteRecording(dir, shape.frames, [&](int i) { return KnownFrame(shape, i); });
    return test::LoadedFolder(dir);
}

std::map<std::string, std::string> Figures(const ReportContent& c) {
    std::map<std::string, std::string> m;
    for (const auto& f : c.figures) m[f.label] = f.value;
    return m;
}

std::vector<int> FramesOf(const ReportContent& c) {
    std::vector<int> v;
    for (const auto& f : c.frames) v.push_back(f.frame);
    return v;
}

TEST(ReportContent, TriggerRecordingOfKnownValues) {
    test::TempFolder dir;
    const Recording recording = Load(dir.path() / "event", {});
    const auto content = BuildReportContent(recording, {});
    ASSERT_TRUE(content);
    const ReportContent& c = *content;
    EXPECT_EQ(c.clock, "2021/03/04 05:06:03");

    // -2 s is 27 frames at the panel's 0.073 s; +2 s runs past the end and stops at frame 70.
    EXPECT_EQ(FramesOf(c), (std::vector<int>{23, 36, 50, 64, 70}));
    const ReportFrame& t = c.frames[2];
    EXPECT_TRUE(t.trigger);
    EXPECT_EQ(t.frameText, "フレーム 50");
    EXPECT_EQ(t.speed, "50.0km/h");
    EXPECT_EQ(t.passTime, "経過時間：　00.000秒");
    EXPECT_EQ(c.frames[0].passTime, "経過時間：　-01.971秒");
    EXPECT_FALSE(c.frames[0].trigger);

    const auto f = Figures(c);
    EXPECT_EQ(f.at("トリガー時の速度"), "50.0km/h");
    EXPECT_EQ(f.at("最高速度"), "70.0km/h（フレーム 70、+01.460秒）");
    EXPECT_EQ(f.at("トリガー3秒前の速度"), "9.0km/h（フレーム 9、-02.993秒）");
    EXPECT_EQ(f.at("前後加速度の最大"), "-0.86 G（フレーム 52、+00.146秒）");
    EXPECT_EQ(f.at("左右加速度の最大"), "0.37 G（フレーム 55、+00.365秒）");
    EXPECT_EQ(f.at("トリガーからブレーキ ＯＮ まで"), "+00.219秒（フレーム 53）");
    EXPECT_EQ(f.at("トリガー時の位置"), "N  35度40分41秒2　E 139度45分06秒7（35.6781111, 139.7518611）");

    ASSERT_EQ(c.rows.size(), 70u);
    EXPECT_EQ(c.rows[51].accelLongitudinal, "-0.86 G");
    EXPECT_EQ(c.rows[52].brake, "ON");
    EXPECT_EQ(c.rows[0].fileName, "00001.jpg");
    ASSERT_EQ(c.files.size(), 70u);
    EXPECT_EQ(c.files[4].size, std::filesystem::file_size(dir.path() / "event" / "00005.jpg"));
}

TEST(ReportContent, MissingPartsAreNamed) {
    struct Case {
        const char* name;
        Shape shape;
        std::vector<int> frames;
        std::map<std::string, std::string> figures;
    };
    const Case cases[] = {
        {"NoTrigger",
         {.trigger = 0},
         {1, 18, 36, 53, 70},
         {{"トリガー時の速度", "トリガーなし"},
          {"最高速度", "70.0km/h（フレーム 70）"},
          {"トリガー3秒前の速度", "トリガーなし"},
          {"トリガー時の位置", "トリガーなし"}}},
        {"NoSignals",
         {.signals = false},
         {23, 36, 50, 64, 70},
         {{"トリガーからブレーキ ＯＮ まで", "ブレーキ信号なし"}}},
        {"NoPositions", {.positions = false}, {23, 36, 50, 64, 70}, {{"トリガー時の位置", "位置情報なし"}}},
        {"EarlyTrigger",
         {.trigger = 5},
         {1, 5, 19, 32},
         {{"トリガー3秒前の速度", "記録なし（記録開始より前）"},
          {"トリガーからブレーキ ＯＮ まで", "+03.504秒（フレーム 53）"}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        test::TempFolder dir;
        const Recording recording = Load(dir.path() / "r", k.shape);
        const auto c = BuildReportContent(recording, {});
        ASSERT_TRUE(c);
        EXPECT_EQ(FramesOf(*c), k.frames);
        const auto figures = Figures(*c);
        for (const auto& [label, value] : k.figures) EXPECT_EQ(figures.at(label), value) << label;
        if (!k.shape.trigger) {
            EXPECT_EQ(c->clockLabel, "記録開始時刻");
            EXPECT_EQ(c->clock, "2021/03/04 05:06:00");
            for (const auto& f : c->frames) EXPECT_TRUE(f.passTime.empty());
        }
        if (!k.shape.signals) {
            EXPECT_EQ(c->rows[60].brake, "-");
        }
    }
}

TEST(ReportContent, BrakingAlreadyOnCountsFromItsStartAndCancelStops) {
    test::TempFolder dir;
    const Recording recording = Load(dir.path() / "r", {.trigger = 60});
    const auto c = BuildReportContent(recording, {.offsetsSeconds = {0}, .note = ""});
    ASSERT_TRUE(c);
    EXPECT_EQ(Figures(*c).at("トリガーからブレーキ ＯＮ まで"), "-00.511秒（フレーム 53）");
    EXPECT_EQ(FramesOf(*c), (std::vector<int>{60}));
    int calls = 0;
    EXPECT_FALSE(BuildReportContent(recording, {}, [&](double) { return ++calls < 3; }));
    EXPECT_EQ(SignedSecondsText(-0.0001f), "+00.000秒");  // the panel's digits
    EXPECT_EQ(SignedSecondsText(-12.3456f), "-12.346秒");
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
    Load(dir.path() / "event", {});
    const Made m = Report(dir.path() / "event", dir.path() / "r.pdf", " --note " + Quote("雨天、交差点"));
    ASSERT_EQ(m.status, 0);
    EXPECT_NE(m.info.find("(A4)"), std::string::npos) << m.info;
    EXPECT_NE(Compact(m.info).find("Pages:5"), std::string::npos) << m.info;
    EXPECT_NE(m.meta.find("pdfaid:part=\"1\""), std::string::npos) << m.meta;
    EXPECT_NE(m.meta.find("pdfaid:conformance=\"B\""), std::string::npos);
    ExpectAllFontsEmbedded(m.fonts);
    // The heading, one frame's caption and one key figure: the content's own test checks every figure.
    for (const char* expected : {"事故・事象報告書", "event", "衝撃検出撮影", "14fps / 低画質", "雨天、交差点",
                                 "フレーム 50", "-0.86 G（フレーム 52、+00.146秒）", "走行経路",
                                 "黄色の印：トリガーの地点", "フレーム一覧", "00070.jpg", "SHA-256", "1 / 5", "5 / 5"})
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
        test::WriteRecording(folder, 30, [&](int i) { return KnownFrame({30, k.trigger, true, k.positions}, i); });
        if (k.damaged) {
            test::WriteText(folder / "00006.jpg", "not a picture at all");
            test::WriteText(folder / "00003.jpg", "");
        }
        const Made m = Report(folder, dir.path() / "r.pdf");
        ASSERT_EQ(m.status, 0);
        ExpectAllFontsEmbedded(m.fonts);
        for (const char* expected : {k.expected, k.alsoExpected})
            EXPECT_NE(m.text.find(Compact(expected)), std::string::npos) << expected << m.text.substr(0, 2000);
    }
}

TEST(ReportPdf, BadRequestsFailWithoutAFile) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    Load(dir.path() / "rec", {.frames = 3, .trigger = 2});
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

// MP4 export end to end: what ffprobe reads from the files, the picture against its JPEG,
// and the main window's menu, dialogs, progress and messages.
#include <QApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QPushButton>
#include <QTimer>
#include <cerrno>
#include <cmath>
#include <map>
#include <unistd.h>

#include "gui/video/video_export.h"
#include "gui/video/video_export_dialog.h"
#include "gui/video/video_progress_dialog.h"
#include "core/common/file_write_seam.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/write_faults.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

#define DRV_REQUIRE_FFMPEG() \
    if (test::Shell("command -v ffprobe >/dev/null && command -v ffmpeg").status != 0) GTEST_SKIP() << "no ffmpeg"

class VideoExportTest : public test::AppFixture {
protected:
    // The stream's and the container's fields, as key=value lines of ffprobe.
    static std::map<std::string, std::string> probe(const std::filesystem::path& file) {
        return test::ProbeVideo(file,
                                "stream=codec_name,profile,pix_fmt,nb_frames,r_frame_rate,duration:"
                                "format_tags=title,creation_time");
    }
    // Frame `n` (0-based) of an MP4 decoded by ffmpeg, as RGB.
    static QImage decoded(const std::filesystem::path& file, int n) {
        const std::string raw = test::Shell("ffmpeg -v error -i " + test::Quote(file) + " -vf 'select=eq(n\\," +
                                            std::to_string(n) + ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 -")
                                    .out;
        if (raw.size() != 640u * 480 * 3) return {};
        return QImage(reinterpret_cast<const uchar*>(raw.data()), 640, 480, 640 * 3, QImage::Format_RGB888).copy();
    }
    static double psnr(const QImage& a, const QImage& b, int top, int bottom) {
        const QImage x = a.convertToFormat(QImage::Format_RGB888), y = b.convertToFormat(QImage::Format_RGB888);
        double sum = 0;
        for (int row = top; row < bottom; ++row)
            for (int i = 0; i < 640 * 3; ++i) sum += std::pow(x.constScanLine(row)[i] - y.constScanLine(row)[i], 2);
        return 10 * std::log10(255.0 * 255.0 / (sum / (640.0 * 3 * (bottom - top))));
    }
};

// Frame `damaged` (0: none) loses its picture but keeps its telemetry; drtool's own run of the
// same export is checked with the tool's tests.
TEST_F(VideoExportTest, PlayersFindH264HighAtTheRecordingsRate) {
    DRV_REQUIRE_FFMPEG();
    const struct {
        int fps, frames, from, to, damaged;
        const char* created;
    } cases[] = {{7, 20, 8, 19, 10, "2007-10-09T19:18:01"}, {14, 20, 1, 20, 0, "2007-10-09T19:18:00"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fps);
        const auto dir = makeRecording("rec" + std::to_string(c.fps) + "/rec", quick(c.frames, c.fps, true));
        if (c.damaged) {
            const auto frame = dir / SampleFileName(quick(c.frames, c.fps), c.damaged);
            const auto bytes = test::ReadFile<std::vector<std::uint8_t>>(frame);
            auto header = std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4 + (bytes[4] << 8 | bytes[5]));
            header.insert(header.end(), {0xFF, 0xDB, 0x00, 0x02, 'x', 'y'});
            test::WriteFile(frame, header);
        }
        // The recorder's clock is read as local time: in Tokyo, nine hours ahead of UTC.
        const std::string tz = getenv("TZ") ? getenv("TZ") : "";
        setenv("TZ", "Asia/Tokyo", 1), tzset();
        const auto out = dir.parent_path() / "out.mp4";
        openThroughDialog(dir);
        const VideoExportResult r = ExportVideo(w().recording(), {{c.from, c.to}, true, BrightnessMode::X20, 23, out});
        EXPECT_TRUE(r.result.ok()) << r.result.detail;
        EXPECT_EQ(r.undecodable, c.damaged ? 1 : 0);
        tz.empty() ? unsetenv("TZ") : setenv("TZ", tz.c_str(), 1), tzset();
        auto f = probe(out);
        const int count = c.to - c.from + 1;
        EXPECT_EQ(f["codec_name"] + " " + f["profile"] + " " + f["pix_fmt"], "h264 High yuv420p");
        EXPECT_EQ(f["nb_frames"], std::to_string(count));
        EXPECT_EQ(f["r_frame_rate"], std::to_string(c.fps) + "/1");
        EXPECT_NEAR(std::stod(f["duration"]), double(count) / c.fps, 1e-3);
        EXPECT_EQ(f["TAG:title"], "rec");
        EXPECT_EQ(f["TAG:creation_time"], std::string(c.created) + ".000000Z");
        const std::string bytes = test::ReadFile(out);
        EXPECT_LT(bytes.find("moov"), bytes.find("mdat")) << "fast start: the index before the pictures";
    }
}

TEST_F(VideoExportTest, PictureMatchesItsJpegAndTheBandCoversOnlyTheFoot) {
    DRV_REQUIRE_FFMPEG();
    openThroughDialog(makeRecording("rec", quick(6, 14, true)));
    const Recording& r = w().recording();
    const QImage source(PathToQString(r.framePath(2)));  // not the trigger frame, which is framed in red
    for (const bool overlay : {false, true}) {
        const auto out = root() / (overlay ? "band.mp4" : "plain.mp4");
        ASSERT_TRUE(ExportVideo(r, {{1, 6}, overlay, BrightnessMode::Standard, 23, out}).result.ok());
        const QImage frame = decoded(out, 1);
        ASSERT_FALSE(frame.isNull());
        EXPECT_GE(psnr(frame, source, 0, 410), 35.0) << overlay;
        if (overlay) EXPECT_LT(psnr(frame, source, 420, 480), 20.0);
        else EXPECT_GE(psnr(frame, source, 0, 480), 35.0);
    }
}

TEST_F(VideoExportTest, ExportsThroughTheMenuAndTellsWhenDone) {
    SampleOptions o = quick(12, 14, true);
    o.trigger = 6;
    openThroughDialog(makeRecording("rec", o));
    w().mnuHi20_Click();
    dialogs_.saves.push_back({root() / "out.mp4", 0});
    VideoExportRequest chosen;
    QTimer::singleShot(0, [&] {
        auto* choices = qobject_cast<VideoExportDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(choices, nullptr);
        choices->triggerOption()->setChecked(true);
        choices->secondsBefore()->setValue(0.2);  // two frames of 0.073 s
        choices->okButton()->click();
        chosen = choices->request();
    });
    w().mnuExportVideo_Click();
    EXPECT_EQ(dialogs_.saved.at(0).suggested, QStringToPath(QDir::homePath()) / "rec.mp4");
    EXPECT_EQ(chosen.range.first, 4);
    EXPECT_EQ(chosen.brightness, BrightnessMode::X20);
    ASSERT_NE(w().videoExport(), nullptr);
    EXPECT_FALSE(w().menus().mnuExportVideo->isEnabled()) << "one export at a time";
    ASSERT_TRUE(test::waitUntil([this] { return !w().videoExport(); }, 20000));
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("動画を書き出しました。\r\n") + PathToQString(root() / "out.mp4"));
    EXPECT_TRUE(std::filesystem::exists(root() / "out.mp4"));
    EXPECT_TRUE(w().menus().mnuExportVideo->isEnabled());
}

// A full disk is the write seam's answer; an unwritable place fails for root too.
struct FailCase {
    bool diskFull;
    const char* message;
};
const FailCase kFailures[] = {{true, "ディスクの空き容量が足りないため、動画を書き出せませんでした。"},
                              {false, "書き出し先に書き込めないため、動画を書き出せませんでした。"}};

TEST_F(VideoExportTest, FullDiskAndUnwritablePlaceAreToldAndLeaveNothing) {
    openThroughDialog(makeRecording("rec", quick(6)));
    test::WriteFile(root() / "plain", {'x'});
    for (const FailCase& c : kFailures) {
        dialogs_.shown.clear();
        const auto target = c.diskFull ? root() / "full.mp4" : root() / "plain" / "a.mp4";
        const ScopedWriteCalls full(c.diskFull ? test::DiskFullAfter(0) : WriteCalls{});
        ASSERT_TRUE(w().startVideoExport({{1, 6}, true, BrightnessMode::Standard, 23, target}));
        ASSERT_TRUE(test::waitUntil([this] { return !w().videoExport(); }, 20000));
        ASSERT_EQ(dialogs_.shown.size(), 1u);
        EXPECT_TRUE(dialogs_.shown[0].text.startsWith(QString::fromUtf8(c.message)))
            << dialogs_.shown[0].text.toStdString();
        EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Critical);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root()), {}), 2) << "rec and plain only";
}

TEST_F(VideoExportTest, CancelInTheProgressDialogKeepsNothingAndSaysNothing) {
    openThroughDialog(makeRecording("rec", quick(60)));
    ASSERT_TRUE(w().startVideoExport({{1, 60}, true, BrightnessMode::Standard, 23, root() / "a.mp4"}));
    w().videoExport()->cancelButton()->click();
    ASSERT_TRUE(test::waitUntil([this] { return !w().videoExport(); }, 20000));
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(root() / "a.mp4"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root()), {}), 1);
}

}  // namespace
}  // namespace drv

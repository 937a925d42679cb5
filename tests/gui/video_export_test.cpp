// MP4 export end to end: what ffprobe reads from the files, the picture against its JPEG,
// the main window's menu, dialogs, progress, messages and quitting meanwhile, and the batch export.
#include <QApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <map>
#include <set>
#include <thread>
#include <unistd.h>

#include "gui/events/event_batch_job.h"
#include "gui/video/batch_video_export.h"
#include "gui/video/video_export.h"
#include "gui/video/video_export_dialog.h"
#include "gui/video/video_progress_dialog.h"
#include "core/common/file_write_seam.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/hostile_pictures.h"
#include "tests/core/support/write_faults.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

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
        const auto dir = makeRecording("rec" + std::to_string(c.fps) + "/rec", quick(c.frames, c.fps, true));
        if (c.damaged)
            test::PlantPicture(dir / SampleFileName(quick(c.frames, c.fps), c.damaged),
                               {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x02, 'x', 'y'});
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

// Cancel in the progress dialog keeps nothing and says nothing. Quitting during an export asks
// first; No keeps the window and the export, Yes cancels the export and leaves no file.
TEST_F(VideoExportTest, CancelOrQuitDuringAnExportKeepsNothing) {
    openThroughDialog(makeRecording("rec", quick(60)));
    const auto target = root() / "a.mp4";
    ASSERT_TRUE(w().startVideoExport({{1, 60}, true, BrightnessMode::Standard, 23, target}));
    w().videoExport()->cancelButton()->click();
    ASSERT_TRUE(test::waitUntil([this] { return !w().videoExport(); }, 20000));
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(root()), {}), 1) << "rec only";

    auto release = std::make_shared<std::atomic<bool>>(false);
    WriteCalls held;
    held.write = [release](int fd, const void* data, std::size_t size) -> ssize_t {
        while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return ::write(fd, data, size);
    };
    const ScopedWriteCalls holding(held);
    w().show();
    ASSERT_TRUE(w().startVideoExport({{1, 60}, true, BrightnessMode::Standard, 23, target}));
    dialogs_.answers.push_back(Dialogs::Button::No);
    EXPECT_FALSE(w().close());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("動画の書き出し中です。書き出しを中止して終了しますか？"));
    EXPECT_EQ(dialogs_.shown[0].buttons, Dialogs::Buttons::YesNo);
    EXPECT_TRUE(w().isVisible());
    EXPECT_NE(w().videoExport(), nullptr) << "the export goes on";

    *release = true;
    dialogs_.answers.push_back(Dialogs::Button::Yes);
    EXPECT_TRUE(w().close());
    ASSERT_TRUE(test::waitUntil([this] { return !w().videoExport(); }, 20000));
    EXPECT_EQ(dialogs_.shown.size(), 2u) << "a cancelled export says nothing more";
    EXPECT_FALSE(std::filesystem::exists(target));
}

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// Three small recordings, two of the same name, into a folder that already holds one of the
// names: one file per recording, none replaced. Cancel within the second recording keeps the
// first file whole and leaves nothing half-written; the message names what was done.
TEST_F(VideoExportTest, BatchWritesOneFilePerRecordingAndCancelLeavesNoPartialFile) {
    struct Case {
        const char* name;
        int cancelAtStep;  // progress step (1000 per recording) from which Cancel holds; -1 never
        std::set<std::string> files;
    };
    const Case cases[] = {
        {"all", -1, {"EVT1.mp4", "EVT1 (2).mp4", "EVT1 (3).mp4", "EVT2.mp4"}},
        {"cancelled in the second", 1200, {"EVT1.mp4", "EVT1 (2).mp4"}},
    };
    std::vector<fs::path> folders;
    for (const char* name : {"A/EVT1", "A/EVT2", "B/EVT1"}) folders.push_back(makeRecording(name, quick(20)));
    VideoChoices choices;
    choices.aroundTrigger = true;
    choices.secondsBefore = choices.secondsAfter = 0.5;
    for (const Case& c : cases) {
        const fs::path out = root() / c.name;
        fs::create_directories(out);
        test::WriteText(out / "EVT1.mp4", "kept");
        // Cancel holds from the first progress report at or past the step, as the window's would.
        bool cancel = false;
        EventBatchJob::Control control;
        control.progress = [&](qint64 done, qint64) {
            cancel = cancel || (c.cancelAtStep >= 0 && done >= c.cancelAtStep);
        };
        control.cancelled = [&] { return cancel; };
        const VideoBatchResult result = ExportVideos(folders, choices, out, control);
        EXPECT_EQ(filesIn(out), c.files) << "no temporary file left behind";
        EXPECT_EQ(test::ReadFile(out / "EVT1.mp4"), "kept");
        EXPECT_EQ(result.written.size(), c.files.size() - 1);
        EXPECT_EQ(result.cancelled, c.cancelAtStep >= 0);
        for (const fs::path& file : result.written) EXPECT_GT(fs::file_size(file), 1000u);
        const QString message = VideoBatchMessage(result, 3, out);
        EXPECT_TRUE(message.contains(QStringLiteral("3 件中 %1 件").arg(result.written.size())))
            << message.toStdString();
        if (result.cancelled) {
            EXPECT_TRUE(message.contains(QStringLiteral("書き出した記録:\r\nEVT1"))) << message.toStdString();
        }
    }
}

// The batch offers the main window's brightening as the single export does, and x2.0 when the
// screen is not brightened; neither is chosen until the user does.
TEST(VideoBatch, TheDialogOffersTheScreensBrightening) {
    struct Case {
        BrightnessMode screen;
        QString label;
        BrightnessMode chosen;
    };
    const Case cases[] = {
        {BrightnessMode::Standard, QStringLiteral("明るく (x2.0)"), BrightnessMode::X20},
        {BrightnessMode::X15, QStringLiteral("画面と同じ (x1.5)"), BrightnessMode::X15},
    };
    for (const Case& c : cases) {
        VideoExportDialog dialog(3, c.screen, nullptr);
        EXPECT_EQ(dialog.choices().brightness, BrightnessMode::Standard);
        QRadioButton* brighter = nullptr;
        for (QRadioButton* option : dialog.findChildren<QRadioButton*>())
            if (option->text() == c.label) brighter = option;
        ASSERT_NE(brighter, nullptr);
        brighter->setChecked(true);
        EXPECT_EQ(dialog.choices().brightness, c.chosen);
    }
}

}  // namespace
}  // namespace drv

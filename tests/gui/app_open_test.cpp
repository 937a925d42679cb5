#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <fstream>

#include "core/viewer/panel_text.h"
#include "gui/loading/load_window.h"
#include "gui/viewer/picture_view.h"
#include "gui/viewer/telemetry_panel.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

using AppOpenTest = test::AppFixture;

TEST_F(AppOpenTest, SuccessShowsFrameOneAndResetsTheControls) {
    SampleOptions o = quick(7, 14, true);
    o.highQuality = false;
    o.trigger = 3;
    const auto dir = makeRecording("rec", o);
    w().mnuHi15_Click();
    w().setSpeedLevel(0);
    openThroughDialog(dir);
    ASSERT_EQ(dialogs_.browsed.size(), 1u);
    EXPECT_EQ(dialogs_.browsed[0].title, QStringLiteral("画像保存先フォルダを選択してください"));
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(w().lblPath()->text(), QString::fromStdString(dir.string()));
    EXPECT_EQ(w().recording().frameCount(), 7);
    EXPECT_EQ(w().recording().CurrentFrame, 1);
    EXPECT_EQ(w().buttonMode(), 1);
    EXPECT_EQ(w().speedLevel(), 2);
    EXPECT_EQ(w().brightnessMode(), BrightnessMode::X15) << "the brightness mode stays";
    EXPECT_EQ(w().fraStatus()->lblfps()->text(), QStringLiteral("14fps / 低画質"));
    EXPECT_EQ(w().fraStatus()->lblFilename()->text(), QString::fromStdString(SampleFileName(o, 1)));
    EXPECT_FALSE(w().image1()->image().isNull());
    EXPECT_TRUE(w().findChildren<LoadWindow*>().isEmpty()) << "the loading window lives for one load";
}

TEST_F(AppOpenTest, CancelTheSameFolderAndPlayingReloadNothing) {
    const auto dir = makeRecording("rec", quick(30));
    openThroughDialog(dir);
    w().cmdPlay(4)->click();
    w().cmdPlay(4)->click();
    w().setSpeedLevel(4);
    w().mnuOpen_Click();  // no folder queued: the dialog is cancelled
    openThroughDialog(dir);
    ASSERT_EQ(dialogs_.browsed.size(), 3u);
    EXPECT_EQ(dialogs_.browsed[1].startFolder, dir) << "the dialog opens on the current folder";
    EXPECT_EQ(w().recording().CurrentFrame, 3);
    EXPECT_EQ(w().speedLevel(), 4);
    w().mnuStart_Click();
    w().cmdStart()->click();  // refused while playing, without even the dialog
    EXPECT_EQ(dialogs_.browsed.size(), 3u);
    w().mnuStop_Click();
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(AppOpenTest, FoldersWithoutFramesSayItAndShowThePlaceholder) {
    writePlaceholder(QColor(10, 200, 30));
    const auto dir = makeRecording("rec", quick(3));
    openThroughDialog(dir);
    std::filesystem::create_directory(root() / "empty");
    std::ofstream(root() / "empty" / "notes.txt") << "no frames";
    for (const auto& folder : {root() / "empty", root() / "vanished"}) {
        SCOPED_TRACE(folder.string());
        dialogs_.shown.clear();
        openThroughDialog(folder);
        ASSERT_EQ(dialogs_.shown.size(), 1u);
        EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("jpgファイルが存在しません。ディレクトリ再指定してください。"));
        EXPECT_EQ(dialogs_.shown[0].title, kAppTitle);
        EXPECT_TRUE(w().lblPath()->text().isEmpty());
        EXPECT_FALSE(w().recording().isOpen());
        EXPECT_EQ(w().image1()->image().size(), QSize(8, 6)) << "placeholder shown";
        w().mnuStart_Click();  // with no folder the commands that need one do nothing
        EXPECT_FALSE(w().playback().isActive());
    }
    openThroughDialog(dir);
    EXPECT_EQ(w().recording().frameCount(), 3);
}

// However the command line names it, the folder is the one the picker gives: choosing it there
// afterwards reloads nothing.
TEST_F(AppOpenTest, FolderArgumentOpensAfterStartUpAsIfChosen) {
    const auto dir = makeRecording("rec", quick(4));
    const auto other = makeRecording("other", quick(2));
    std::filesystem::create_directory(root() / "x");
    struct Cwd {
        std::filesystem::path old = std::filesystem::current_path();
        ~Cwd() { std::filesystem::current_path(old); }
    } restore;  // relative arguments are read against the current folder
    std::filesystem::current_path(root());
    w().setRequestedFolder("./x/../rec/.");
    w().show();
    w().openRequestedFolderLater();
    EXPECT_FALSE(w().recording().isOpen()) << "not before the event loop runs";
    ASSERT_TRUE(test::waitUntil([this] { return w().recording().isOpen(); }, 5000));
    EXPECT_TRUE(dialogs_.browsed.empty());
    for (const std::string& arg : {std::string("rec"), std::string("./x/../rec/."), dir.string() + "/"}) {
        SCOPED_TRACE(arg);
        openThroughDialog(other);
        w().setRequestedFolder(arg);
        w().openRequestedFolder();
        EXPECT_EQ(w().recording().folder, dir);
        EXPECT_EQ(w().recording().frameCount(), 4);
        w().cmdPlay(4)->click();
        openThroughDialog(dir);
        EXPECT_EQ(w().recording().CurrentFrame, 2) << "the same folder: nothing reloaded";
    }
}

TEST_F(AppOpenTest, DoubleClickOpensThePictureWindowOnlyWhenAllowed) {
    w().Image1_DblClick();
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr) << "no folder open";
    const auto dir = makeRecording("rec", quick(5, 14, true));
    openThroughDialog(dir);
    w().mnuStart_Click();
    w().Image1_DblClick();
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr) << "refused while playing";
    w().mnuStop_Click();
    w().mnuHi20_Click();
    w().Image1_DblClick();
    ASSERT_NE(w().browsing().pictureWindow(), nullptr);
    EXPECT_TRUE(w().browsing().pictureWindow()->brightened() && !w().browsing().pictureWindow()->fromList());
    EXPECT_EQ(w().browsing().pictureWindow()->windowTitle(),
              QString::fromStdString((dir / w().shownFileName()).string()));
    w().mnuOpen_Click();  // Open closes it first, even when the dialog is cancelled
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr);
}

// Before, at and after the trigger in both frame rates, stepped to with the buttons; the 14 fps
// listing starts mid-recording and must come back in time order.
TEST_F(AppOpenTest, PanelAroundTheTriggerInBothRatesAndARotatedListing) {
    const struct { int fps, trigger, rotate, frame; const char* passTime; } cases[] = {
        {14, 3, 5, 1, "-00.146"}, {14, 3, 5, 3, "00.000"}, {14, 3, 5, 13, "00.730"},
        {7, 4, 0, 2, "-00.290"},  {7, 4, 0, 4, "00.000"},  {7, 4, 0, 14, "01.450"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.fps) + " fps, frame " + std::to_string(c.frame));
        SampleOptions o = quick(14, c.fps);
        o.trigger = c.trigger;
        o.rotate = c.rotate;
        const auto dir = root() / ("rec" + std::to_string(c.fps));
        if (!std::filesystem::exists(dir)) makeRecording(dir.filename().string(), o);
        openThroughDialog(dir);  // the same folder again reloads nothing
        for (int i = 1; i <= 14; ++i)
            ASSERT_EQ(w().recording().fileNames[static_cast<std::size_t>(i)].string(), SampleFileName(o, i)) << i;
        w().cmdPlay(0)->click();
        for (int i = 1; i < c.frame; ++i) w().cmdPlay(4)->click();
        ASSERT_EQ(w().recording().CurrentFrame, c.frame);
        const TelemetryPanel* p = w().fraStatus();
        EXPECT_EQ(p->lblFilename()->text(), QString::fromStdString(SampleFileName(o, c.frame)));
        EXPECT_EQ(p->lblPassTime()->text(), QStringLiteral("経過時間：　") + c.passTime + QStringLiteral("秒"));
        EXPECT_EQ(p->lblfps()->text(), c.fps == 14 ? QStringLiteral("14fps / 高画質") : QStringLiteral(" 7fps / 高画質"));
        EXPECT_EQ(p->lblMsgInput()->text(), QStringLiteral("衝撃検出撮影"));
    }
}

// The three speed cases, the brake and the channel buttons follow each recording; hidden ones come back.
TEST_F(AppOpenTest, SpeedRowsBrakeAndChannelButtonsFollowEachRecording) {
    const struct { bool wired, mainSpeed; const char* pulseCaption; bool speedButton; } cases[] = {
        {false, false, "     ---", false}, {true, true, "車速パルス速度", true},
        {false, true, "     ---", true},   {true, false, "     ---", true}};
    int k = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(k);
        SampleOptions o = quick(5);
        o.vehicleSignals = c.wired;
        o.mainSpeed = c.mainSpeed;
        openThroughDialog(makeRecording("rec" + std::to_string(k++), o));
        const TelemetryPanel* p = w().fraStatus();
        const FrameRecord& f = w().recording().frames.at(1);
        EXPECT_EQ(p->label(1)->text(), QString::fromUtf8(c.pulseCaption));
        EXPECT_EQ(p->lblBrk()->isVisibleTo(p), c.wired);
        EXPECT_EQ(w().chart()->channelButton(2)->isVisibleTo(p), c.speedButton);
        EXPECT_EQ(w().chart()->channelButton(3)->isVisibleTo(p), c.wired);
        const std::string speed =
            c.mainSpeed ? SpeedText(f.Speed) : c.wired ? SpeedText(f.PulseSpeed) : std::string("----km/h");
        EXPECT_EQ(p->lblSpeed()->text(), QString::fromStdString(speed));
        EXPECT_EQ(p->lblData(0)->text(),
                  c.wired && c.mainSpeed ? QString::fromStdString(PulseSpeedText(f.PulseSpeed)) : QString());
    }
}

// Records the percentage label each time the loading window paints it, and the bar when it shows.
struct PercentWatcher : QObject {
    QStringList seen;
    QList<int> barAtShow;
    const TelemetryPanel* panel = nullptr;
    QStringList triggerAtShow;  // the panel's trigger kind when the loading window shows
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* label = qobject_cast<QLabel*>(o);
        if (e->type() == QEvent::Paint && label && o->objectName() == QLatin1String("Label1") &&
            qobject_cast<LoadWindow*>(label->window()) && !label->text().isEmpty() &&
            (seen.isEmpty() || seen.back() != label->text()))
            seen << label->text();  // painting may repeat a text: keep the distinct steps
        if (auto* load = qobject_cast<LoadWindow*>(o); load && e->type() == QEvent::Show) {
            barAtShow << load->progressBar()->value();
            if (panel) triggerAtShow << panel->lblMsgInput()->text();
        }
        return false;
    }
};

TEST_F(AppOpenTest, LoadingWindowCountsThePercentages) {
    const std::pair<int, QStringList> cases[] = {
        {1, {"100%"}}, {3, {"33%", "67%", "100%"}}, {8, {"12%", "25%", "38%", "50%", "62%", "75%", "88%", "100%"}},
    };
    PercentWatcher watcher;
    qApp->installEventFilter(&watcher);
    for (const auto& [frames, want] : cases) {
        watcher.seen.clear();
        openThroughDialog(makeRecording("rec" + std::to_string(frames), quick(frames)));
        EXPECT_EQ(watcher.seen, want) << frames;
    }
    qApp->removeEventFilter(&watcher);
    EXPECT_EQ(watcher.barAtShow, QList<int>({0, 0, 0})) << "a fresh bar at 0 for every load";
}

// A recording without a trigger mark, opened after one with a trigger at 14 fps in high quality
// with vehicle signals, starts from the start-up state: nothing of the first shows or paces it.
// Its card went through macOS, which left a "._" twin beside every frame.
TEST_F(AppOpenTest, EachRecordingStartsFromTheStartUpState) {
    SampleOptions marked = quick(5);
    marked.trigger = 2;
    openThroughDialog(makeRecording("marked", marked));
    const TelemetryPanel* p = w().fraStatus();
    ASSERT_EQ(p->lblMsgInput()->text(), QStringLiteral("衝撃検出撮影"));
    SampleOptions plain = quick(5);
    plain.kind = SampleOptions::TriggerKind::None;
    const auto dir = makeRecording("plain", plain);
    const std::string appleDouble("\0\5\x16\7Mac OS X", 12);
    for (int i = 1; i <= 5; ++i) std::ofstream(dir / ("._" + SampleFileName(plain, i))) << appleDouble;
    PercentWatcher watcher;
    watcher.panel = p;
    qApp->installEventFilter(&watcher);
    openThroughDialog(dir);
    qApp->removeEventFilter(&watcher);
    EXPECT_EQ(watcher.triggerAtShow, QStringList{QString()}) << "cleared when the load begins";
    EXPECT_EQ(w().recording().frameCount(), 5) << "hidden twins are no frames";
    EXPECT_EQ(p->lblMsgInput()->text(), QString());
    EXPECT_EQ(p->lblfps()->text(), QStringLiteral(" 7fps / 低画質"));
    EXPECT_EQ(p->lblPassTime()->text(), QStringLiteral("経過時間：　-29.000秒")) << "against the start-up frame 201";
    EXPECT_EQ(p->label(1)->text(), QStringLiteral("     ---"));
    EXPECT_FALSE(p->lblBrk()->isVisibleTo(p));
    EXPECT_FALSE(w().chart()->channelButton(3)->isVisibleTo(p));
    EXPECT_EQ(w().chart()->model().picture()->triggerPosition, 10050);
    EXPECT_FALSE(w().recording().state.HighFrameRate) << "paced at 7 fps";
}

}  // namespace
}  // namespace drv

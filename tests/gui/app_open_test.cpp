#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <fstream>

#include "gui/loading/load_window.h"
#include "gui/viewer/picture_view.h"
#include "gui/viewer/telemetry_panel.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

using test::AppFixture;

class AppOpenTest : public AppFixture {};

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
    EXPECT_EQ(w().fraStatus()->lblPassTime()->text(), QStringLiteral("経過時間：　-00.146秒"));
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

TEST_F(AppOpenTest, FolderArgumentOpensAfterStartUpAsIfChosen) {
    const auto dir = makeRecording("rec", quick(4));
    w().setRequestedFolder(dir.string() + "/");
    w().show();
    w().openRequestedFolderLater();
    EXPECT_FALSE(w().recording().isOpen()) << "not before the event loop runs";
    ASSERT_TRUE(test::waitUntil([this] { return w().recording().isOpen(); }, 5000));
    EXPECT_EQ(w().recording().folder, dir);
    EXPECT_EQ(w().recording().frameCount(), 4);
    EXPECT_TRUE(dialogs_.browsed.empty());
}

TEST_F(AppOpenTest, DoubleClickOpensThePictureWindowOnlyWhenAllowed) {
    w().Image1_DblClick();
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr) << "no folder open";
    const auto dir = makeRecording("rec", quick(20));
    openThroughDialog(dir);
    w().mnuStart_Click();
    w().Image1_DblClick();
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr) << "refused while playing";
    w().mnuStop_Click();
    w().Image1_DblClick();
    ASSERT_NE(w().browsing().pictureWindow(), nullptr);
    EXPECT_EQ(w().browsing().pictureWindow()->windowTitle(),
              QString::fromStdString((dir / w().shownFileName()).string()));
    w().mnuOpen_Click();  // Open closes it first, even when the dialog is cancelled
    EXPECT_EQ(w().browsing().pictureWindow(), nullptr);
}

}  // namespace
}  // namespace drv

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include "gui/app/main_window.h"
#include "gui/common/app_paths.h"
#include "gui/common/twips.h"
#include "gui/settings/settings_window.h"
#include "gui/viewer/telemetry_panel.h"
#include "gui/viewer/picture_view.h"
#include "tests/gui/support/fake_dialogs.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(programDir_.isValid());
        paths_ = std::make_unique<FixedAppPaths>(programDir_.path().toStdString(), programDir_.path().toStdString());
    }
    std::unique_ptr<MainWindow> makeWindow() { return std::make_unique<MainWindow>(dialogs_, *paths_); }
    void writePlaceholder() {
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(QColor(10, 200, 30));
        ASSERT_TRUE(picture.save(programDir_.filePath(QStringLiteral("default_vor.bmp")), "BMP"));
    }

    QTemporaryDir programDir_;
    std::unique_ptr<FixedAppPaths> paths_;
    test::FakeDialogs dialogs_;
};

std::vector<bool> enabledButtons(const MainWindow& w) {
    std::vector<bool> on;
    for (int i = 0; i < 6; ++i) on.push_back(w.cmdPlay(i)->isEnabled());
    return on;
}

TEST_F(MainWindowTest, StartsWithNoRecordingAndDesignedState) {
    auto w = makeWindow();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ドライブレコーダー ビューワーソフト"));
    EXPECT_EQ(w->buttonMode(), 0);
    EXPECT_EQ(enabledButtons(*w), std::vector<bool>(6, false));
    EXPECT_TRUE(w->lblPath()->text().isEmpty());
    EXPECT_FALSE(w->recording().isOpen());
    EXPECT_EQ(w->recording().frameCount(), 0);
    EXPECT_EQ(w->recording().frames.size(), 401u);
    EXPECT_EQ(w->recording().state.TriggerPosition, 10050);
    EXPECT_FALSE(w->recording().IsPlaying);
    EXPECT_FALSE(w->tmrShow()->isActive());
    EXPECT_EQ(w->tmrShow()->interval(), 500);

    QSlider* bar = w->trackBar();
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(bar->value(), 2);
    EXPECT_EQ(bar->tickPosition(), QSlider::TicksAbove);
    EXPECT_EQ(bar->parentWidget(), w->picture1());
    EXPECT_EQ(w->lblBarN(0)->text(), QStringLiteral("Slow"));
    EXPECT_EQ(w->lblBarN(1)->text(), QStringLiteral("Fast"));
    EXPECT_LT(w->lblBarN(0)->x(), w->lblBarN(1)->x());
    bar->setValue(9);
    EXPECT_EQ(w->speedLevel(), 4);
    bar->setValue(-3);
    EXPECT_EQ(w->speedLevel(), 0);

    EXPECT_TRUE(w->menus().mnuOrg->isChecked());
    EXPECT_FALSE(w->menus().mnuHi15->isChecked());
    EXPECT_FALSE(w->menus().mnuHi20->isChecked());
    EXPECT_EQ(w->brightnessMode(), BrightnessMode::Standard);
    EXPECT_EQ(w->lblKido()->text(), QStringLiteral("輝度：\u3000標準"));
    EXPECT_EQ(w->lblKido()->parentWidget(), w->fraStatus());

    EXPECT_EQ(w->cmdStart()->toolTip(), QStringLiteral("ファイルを開く"));
    EXPECT_EQ(w->cmdPlay(0)->toolTip(), QStringLiteral("先頭に戻る (Home)"));
    EXPECT_EQ(w->cmdPlay(5)->toolTip(), QStringLiteral("最後尾へ進む (End)"));
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(w->cmdPlay(i)->icon().isNull()) << i;
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(MainWindowTest, ControlsSitAtTheirDesignedSpots) {
    auto w = makeWindow();
    EXPECT_EQ(w->centralWidget()->size(), QSize(819, 643));
    EXPECT_EQ(w->image1()->geometry(), TwipsRect(200, 609, 6604, 4956));
    EXPECT_EQ(w->cmdPlay(2)->geometry(), QRect(113, 377, 64, 26));
    EXPECT_EQ(w->cmdPlay(3)->width(), 48);
    EXPECT_EQ(w->picture1()->geometry(), TwipsRect(4920, 5700, 1815, 375));
    EXPECT_EQ(w->trackBar()->size(), w->picture1()->size());
    EXPECT_EQ(w->fraStatus()->pos(), TwipsRect(6860, 500, 5300, 5540).topLeft());
    EXPECT_EQ(w->fraStatus()->size(), QSize(5300 / 15, 5540 / 15));
    // The chart viewport, widened into the hidden vertical scroll bar's room, with its buttons in fra_Status.
    EXPECT_EQ(w->chart()->geometry(), ChartView::defaultGeometry());
    EXPECT_EQ(w->chart()->parentWidget(), w->centralWidget());
    EXPECT_EQ(w->chart()->hZoomButton()->parentWidget(), w->fraStatus());
    EXPECT_EQ(w->chart()->channelButton(0)->parentWidget(), w->fraStatus());
}

TEST_F(MainWindowTest, ShowsThePlaceholderPictureOnlyWhenPresent) {
    {
        auto w = makeWindow();
        EXPECT_TRUE(w->image1()->image().isNull());
        EXPECT_FALSE(w->showPlaceholderPicture());
    }
    writePlaceholder();
    auto w = makeWindow();
    EXPECT_EQ(w->image1()->image().size(), QSize(8, 6));
    EXPECT_EQ(QColor(w->image1()->image().pixel(3, 3)), QColor(10, 200, 30));
}

TEST_F(MainWindowTest, AnUnreadablePlaceholderLeavesThePictureEmpty) {
    QFile bad(programDir_.filePath(QStringLiteral("default_vor.bmp")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BM not really a bitmap");
    bad.close();
    auto w = makeWindow();
    EXPECT_TRUE(w->image1()->image().isNull());
}

struct MenuEntry {
    const char* name;
    QString caption;
    bool visible;
    bool enabled;
};

TEST_F(MainWindowTest, MenuTreeHasEveryEntryInOrderWithHiddenOnesPresent) {
    auto w = makeWindow();
    const QList<QAction*> bar = w->menuBar()->actions();
    ASSERT_EQ(bar.size(), 4);
    const std::vector<std::pair<QString, std::vector<MenuEntry>>> tree = {
        {QStringLiteral("ファイル(&F)"),
         {{"mnuOpen", QStringLiteral("開く(&O)"), true, true},
          {"mnuSeparate1", QString(), true, true},
          {"mnuQuit", QStringLiteral("終了(&Q)"), true, true}}},
        {QStringLiteral("表示(&V)"),
         {{"mnuStart", QStringLiteral("開始(&S)"), true, true},
          {"mnuStop", QStringLiteral("停止(&E)"), true, true},
          {"mnuSeparate2", QString(), false, false},
          {"mnuAllDsp", QStringLiteral("一覧表示(&A)"), false, false}}},
        {QStringLiteral("輝度調整(&B)"),
         {{"mnuOrg", QStringLiteral("標準(&L)"), true, true},
          {"mnuHi15", QStringLiteral("x 1.5(&M)"), true, true},
          {"mnuHi20", QStringLiteral("x 2.0(&H)"), true, true},
          {"mnuSeparate5", QString(), false, false},
          {"mnuDRSetting", QStringLiteral("本体設定"), false, false}}},
        {QStringLiteral("ヘルプ(&H)"), {{"mnuHelpAbout", QStringLiteral("バージョン情報(&A)"), true, true}}},
    };
    for (std::size_t m = 0; m < tree.size(); ++m) {
        QMenu* menu = bar[static_cast<int>(m)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title(), tree[m].first);
        const QList<QAction*> entries = menu->actions();
        ASSERT_EQ(entries.size(), static_cast<int>(tree[m].second.size())) << m;
        for (std::size_t e = 0; e < tree[m].second.size(); ++e) {
            const MenuEntry& want = tree[m].second[e];
            QAction* got = entries[static_cast<int>(e)];
            SCOPED_TRACE(want.name);
            EXPECT_EQ(got->objectName(), QString::fromLatin1(want.name));
            EXPECT_EQ(got->isSeparator(), want.caption.isEmpty());
            if (!got->isSeparator()) {
                EXPECT_EQ(got->text(), want.caption);
            }
            EXPECT_EQ(got->isVisible(), want.visible);
            EXPECT_EQ(got->isEnabled(), want.enabled);  // hidden entries read as disabled too
            EXPECT_TRUE(got->shortcut().isEmpty());
            EXPECT_EQ(got->isCheckable(), std::string(want.name).rfind("mnuHi", 0) == 0 ||
                                              std::string(want.name) == "mnuOrg");
        }
    }
}

TEST_F(MainWindowTest, HiddenEntriesKeepTheirCommands) {
    auto w = makeWindow();
    {
        // Shown by force, the thumbnail list entry works but the settings entry stays off.
        auto probe = makeWindow();
        probe->menus().mnuAllDsp->setVisible(true);
        probe->menus().mnuDRSetting->setVisible(true);
        EXPECT_TRUE(probe->menus().mnuAllDsp->isEnabled());
        EXPECT_FALSE(probe->menus().mnuDRSetting->isEnabled());
    }
    w->menus().mnuAllDsp->trigger();
    EXPECT_EQ(w->browsing().thumbnailList(), nullptr) << "no recording open: nothing to list";
    w->recording().folder = programDir_.path().toStdString();
    w->updatePathCaption();
    w->menus().mnuAllDsp->trigger();
    ASSERT_NE(w->browsing().thumbnailList(), nullptr);
    EXPECT_TRUE(w->browsing().thumbnailList()->isVisible());
    // The settings window is modal: close it from inside its own event loop.
    QString shownTitle;
    QTimer::singleShot(50, w.get(), [&shownTitle] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shownTitle = modal->windowTitle();
            modal->close();
        }
    });
    w->mnuDRSetting_Click();
    EXPECT_EQ(shownTitle, QString::fromUtf8(kSettingsCaption));
}

TEST_F(MainWindowTest, SetButtonStateFollowsTheModeTable) {
    auto w = makeWindow();
    const std::vector<std::pair<int, std::vector<bool>>> table = {
        {1, {true, true, true, true, true, true}},
        {2, {false, false, false, true, false, false}},
        {0, {false, false, false, false, false, false}},
        {2, {false, false, false, true, false, false}},
        {1, {true, true, true, true, true, true}},
    };
    for (const auto& [mode, want] : table) {
        w->SetButtonState(mode);
        EXPECT_EQ(w->buttonMode(), mode);
        EXPECT_EQ(enabledButtons(*w), want) << "mode " << mode;
    }
    for (int bad : {-1, 3, 255}) {
        w->SetButtonState(bad);
        EXPECT_EQ(w->buttonMode(), 1);
        EXPECT_EQ(enabledButtons(*w), std::vector<bool>(6, true));
    }
    // The menus are never switched by the modes.
    w->SetButtonState(0);
    EXPECT_TRUE(w->menus().mnuOpen->isEnabled());
    EXPECT_TRUE(w->menus().mnuStart->isEnabled());
}

TEST_F(MainWindowTest, OpenIsRefusedOnlyWhilePlaying) {
    auto w = makeWindow();
    for (const auto& [mode, expected] : std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 2}, {1, 3}}) {
        w->SetButtonState(mode);
        w->cmdStart()->click();
        EXPECT_EQ(dialogs_.browsed.size(), static_cast<std::size_t>(expected)) << "mode " << mode;
    }
}

struct BrightnessCase {
    QAction* MainWindow::Menus::*entry;
    BrightnessMode mode;
    QString caption;
};

TEST_F(MainWindowTest, BrightnessEntriesMoveTheSingleTickAndTheCaption) {
    auto w = makeWindow();
    const std::vector<BrightnessCase> cases = {
        {&MainWindow::Menus::mnuHi15, BrightnessMode::X15, QStringLiteral("輝度：　x1.5")},
        {&MainWindow::Menus::mnuHi20, BrightnessMode::X20, QStringLiteral("輝度：　x2.0")},
        {&MainWindow::Menus::mnuHi20, BrightnessMode::X20, QStringLiteral("輝度：　x2.0")},
        {&MainWindow::Menus::mnuOrg, BrightnessMode::Standard, QStringLiteral("輝度：　標準")},
    };
    for (const BrightnessCase& c : cases) {
        (w->menus().*c.entry)->trigger();
        EXPECT_EQ(w->brightnessMode(), c.mode);
        EXPECT_EQ(w->lblKido()->text(), c.caption);
        int ticked = 0;
        for (QAction* a : {w->menus().mnuOrg, w->menus().mnuHi15, w->menus().mnuHi20}) ticked += a->isChecked();
        EXPECT_EQ(ticked, 1);
        EXPECT_TRUE((w->menus().*c.entry)->isChecked());
    }
    // The handlers called directly do the same as the menu.
    w->mnuHi15_Click();
    EXPECT_TRUE(w->menus().mnuHi15->isChecked());
    EXPECT_FALSE(w->menus().mnuOrg->isChecked());
}

TEST_F(MainWindowTest, VersionBoxShowsTheThreeLines) {
    auto w = makeWindow();
    w->menus().mnuHelpAbout->trigger();
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    const auto& box = dialogs_.shown[0];
    EXPECT_EQ(box.text, QStringLiteral("ドライブレコーダー\u3000\u3000\r\nビューワーソフト\u3000\u3000\u3000\r\n Ver.1.30      "));
    EXPECT_EQ(box.title, QStringLiteral("バージョン情報"));
    EXPECT_EQ(box.icon, Dialogs::Icon::Information);
    EXPECT_EQ(box.buttons, Dialogs::Buttons::Ok);
}

TEST_F(MainWindowTest, SizeSnapsBackAndMaximizingIsRefused) {
    auto w = makeWindow();
    w->show();
    test::waitMs(20);
    const QSize designed = w->size();
    EXPECT_EQ(w->centralWidget()->geometry().size(), QSize(819, 643));
    EXPECT_EQ(w->centralWidget()->y(), w->menuBar()->height());
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);

    w->resize(400, 300);
    QApplication::processEvents();
    EXPECT_EQ(w->size(), designed);
    w->setMinimumSize(100, 100);  // even with the constraint lifted, a resize snaps back
    w->setMaximumSize(2000, 2000);
    w->resize(1000, 900);
    QApplication::processEvents();
    EXPECT_EQ(w->size(), designed);

    w->showMaximized();
    test::waitMs(50);
    EXPECT_FALSE(w->isMaximized());
    EXPECT_EQ(w->size(), designed);

    w->showMinimized();
    test::waitMs(50);
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
    w->showNormal();
    test::waitMs(20);
    EXPECT_EQ(w->size(), designed);
}

TEST_F(MainWindowTest, QuitClosesEveryWindowOfTheProgram) {
    auto w = makeWindow();
    w->show();
    QWidget other;
    other.show();
    QWidget neverShown;
    w->mnuQuit_Click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(other.isVisible());
    EXPECT_FALSE(neverShown.isVisible());

    // The close box does the same.
    auto again = makeWindow();
    again->show();
    other.show();
    again->close();
    EXPECT_FALSE(other.isVisible());
}

TEST_F(MainWindowTest, FocusOnTheTrackbarContainerGoesToTheTrackbar) {
    auto w = makeWindow();
    EXPECT_EQ(w->picture1()->focusProxy(), w->trackBar());
}

}  // namespace
}  // namespace drv

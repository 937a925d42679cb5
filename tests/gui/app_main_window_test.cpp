#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

using MainWindowTest = test::AppFixture;

std::vector<bool> enabledButtons(const MainWindow& w) {
    std::vector<bool> on;
    for (int i = 0; i < 6; ++i) on.push_back(w.cmdPlay(i)->isEnabled());
    return on;
}

TEST_F(MainWindowTest, JapaneseTextsAndTheMenuTree) {
    EXPECT_EQ(w().windowTitle(), QStringLiteral("ドライブレコーダー ビューワーソフト"));
    EXPECT_EQ(w().cmdStart()->toolTip(), QStringLiteral("ファイルを開く"));
    EXPECT_EQ(w().cmdPlay(0)->toolTip(), QStringLiteral("先頭に戻る (Home)"));
    EXPECT_EQ(w().cmdPlay(5)->toolTip(), QStringLiteral("最後尾へ進む (End)"));
    // Each menu with its entries; "-" is a separator, "*" marks an entry that is present but hidden.
    const std::vector<QStringList> tree = {
        {"ファイル(&F)", "開く(&O)", "イベント一覧(&L)...", "動画に書き出す(&E)...", "-", "終了(&Q)"},
        {"表示(&V)", "開始(&S)", "停止(&E)", "*-", "*一覧表示(&A)"},
        {"輝度調整(&B)", "標準(&L)", "x 1.5(&M)", "x 2.0(&H)", "*-", "*本体設定"},
        {"ヘルプ(&H)", "バージョン情報(&A)"},
    };
    const QList<QAction*> bar = w().menuBar()->actions();
    ASSERT_EQ(bar.size(), 4);
    for (int m = 0; m < 4; ++m) {
        QStringList got{bar[m]->menu()->title()};
        for (QAction* a : bar[m]->menu()->actions())
            got << (a->isVisible() ? "" : "*") + (a->isSeparator() ? QStringLiteral("-") : a->text());
        EXPECT_EQ(got, tree[static_cast<std::size_t>(m)]);
    }
    w().menus().mnuHelpAbout->trigger();
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text,
              QStringLiteral("ドライブレコーダー\u3000\u3000\r\nビューワーソフト\u3000\u3000\u3000\r\n Ver.1.30      "));
    EXPECT_EQ(dialogs_.shown[0].title, QStringLiteral("バージョン情報"));
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Information);
}

TEST_F(MainWindowTest, StartsEmptyAndTheButtonsFollowTheModeTable) {
    EXPECT_FALSE(w().recording().isOpen());
    EXPECT_EQ(w().speedLevel(), 2);
    EXPECT_TRUE(w().menus().mnuOrg->isChecked() && !w().menus().mnuHi15->isChecked() && !w().menus().mnuHi20->isChecked());
    w().menus().mnuHi15->trigger();  // with no recording only the tick and the caption move
    EXPECT_EQ(w().lblKido()->text(), QStringLiteral("輝度：　x1.5"));
    const std::vector<bool> all(6, true), none(6, false), stop = {false, false, false, true, false, false};
    EXPECT_EQ(enabledButtons(w()), none);
    // An unknown mode changes nothing.
    const std::vector<std::tuple<int, int, std::vector<bool>>> table = {
        {1, 1, all}, {2, 2, stop}, {-1, 2, stop}, {0, 0, none}, {3, 0, none}, {1, 1, all}};
    for (const auto& [mode, kept, want] : table) {
        w().SetButtonState(mode);
        EXPECT_EQ(w().buttonMode(), kept);
        EXPECT_EQ(enabledButtons(w()), want) << "mode " << mode;
        EXPECT_EQ(w().menus().mnuEvents->isEnabled(), kept != 2) << "the event list waits while playing";
    }
    w().SetButtonState(0);
    EXPECT_TRUE(w().menus().mnuOpen->isEnabled()) << "the menus are never switched by the modes";
}

TEST_F(MainWindowTest, SizeSnapsBackAndQuitClosesEveryWindow) {
    w().show();
    test::waitMs(20);
    const QSize designed = w().size();
    EXPECT_EQ(w().centralWidget()->size(), QSize(819, 643));
    w().setMaximumSize(2000, 2000);  // even with the constraint lifted, a resize snaps back
    w().resize(1000, 900);
    QApplication::processEvents();
    EXPECT_EQ(w().size(), designed);
    w().showMaximized();
    test::waitMs(50);
    EXPECT_EQ(w().size(), designed);
    QWidget other;
    other.show();
    w().mnuQuit_Click();
    EXPECT_FALSE(w().isVisible());
    EXPECT_FALSE(other.isVisible());
}

}  // namespace
}  // namespace drv

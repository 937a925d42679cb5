#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QPixmap>
#include <QScreen>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "gui/settings/settings_window.h"
#include "tests/gui/support/fake_dialogs.h"

namespace drv {
namespace {

namespace fs = std::filesystem;
using test::FakeDialogs;

const SetupBytes kDefaultBytes = {0x07, 0, 0, 0x11, 0x02, 0x8C, 0, 0, 0, 0, 0, 0, 0, 0xA6};
const QString kNoFolder = QStringLiteral("保存ディレクトリが存在しません");
const QString kCheckCard = QStringLiteral("SDカードを確認してください");
const QString kQuestion = QStringLiteral("ファイルに保存しますか？");

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = fs::temp_directory_path() /
                ("drv_settings_gui_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base_);
        fs::create_directories(card() / "TRV410" / "setup");
        fs::create_directories(base_ / "program");
        paths_ = std::make_unique<FixedAppPaths>(base_ / "program", data(), std::vector<fs::path>{card()});
    }
    void TearDown() override {
        window_.reset();
        fs::remove_all(base_);
    }
    fs::path card() const { return base_ / "card"; }
    fs::path data() const { return base_ / "data"; }
    fs::path cardFile() const { return card() / "TRV410" / "setup" / "setup.dat"; }
    fs::path dataFile() const { return data() / "setup.dat"; }

    static void put(const fs::path& path, const SetupBytes& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    static SetupBytes slurp(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return SetupBytes(std::istreambuf_iterator<char>(in), {});
    }

    // Opens the window as the menu command would, without entering its event loop.
    bool open() {
        window_ = std::make_unique<SettingsWindow>(dialogs_, *paths_);
        return window_->Form_Load();
    }
    SettingsWindow& w() { return *window_; }
    QString text(int box) { return w().tstVal(box)->text(); }
    std::vector<QString> messages() const {
        std::vector<QString> out;
        for (const auto& m : dialogs_.shown) out.push_back(m.text);
        return out;
    }
    void key(QWidget* target, int k, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, k, mods, text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, k, mods, text);
        QApplication::sendEvent(target, &release);
    }
    void typeInto(int box, const QString& chars) {
        for (QChar c : chars) key(w().tstVal(box), c.unicode(), QString(c));
    }
    void leave(int box) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(w().tstVal(box), &out);
    }

    fs::path base_;
    FakeDialogs dialogs_;
    std::unique_ptr<FixedAppPaths> paths_;
    std::unique_ptr<SettingsWindow> window_;
};

TEST_F(SettingsWindowTest, OpensWithDefaultsWithoutStoredCopy) {
    ASSERT_TRUE(open());
    EXPECT_EQ(w().windowTitle(), QStringLiteral(" ＰＶ３３０R用 設定画面　（※ＰＶＧ３６０Rでは使用できません）"));
    const QStringList expected = {"0", "8", "2", "12", "8"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(text(i), expected[i]);
    EXPECT_TRUE(w().optSpeed(1)->isChecked());
    EXPECT_TRUE(w().optExSw(1)->isChecked());
    EXPECT_TRUE(w().optUnit(0)->isChecked());
    EXPECT_TRUE(w().optRate(0)->isChecked());
    EXPECT_TRUE(w().optQua(0)->isChecked());
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 ２５ 秒間"));
    EXPECT_FALSE(w().chkTime()->isChecked());
    EXPECT_FALSE(w().clockBlockShown());
    EXPECT_EQ(w().Drive1()->count(), 1);
    EXPECT_EQ(w().Drive1()->currentText(), PathToQString(card()));
    EXPECT_EQ(w().DatePicker()->minimumDate(), QDate(2000, 1, 1));
    EXPECT_EQ(w().DatePicker()->maximumDate(), QDate(2255, 12, 31));
    EXPECT_EQ(w().TimePicker()->displayFormat(), QStringLiteral("HH時mm分ss秒"));
    EXPECT_EQ(w().DatePicker()->date(), QDate::currentDate());
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_FALSE(w().isClosed());
}

TEST_F(SettingsWindowTest, StoredCopyOpensWithItsValues) {
    RecorderSettings s;
    s.Rate14fps = true;
    s.PreSeconds = 9;
    s.PostSeconds = 6;
    s.ExternalSwitch = false;
    s.BuzzerVolume = 0;
    put(dataFile(), EncodeSetup(s).bytes);
    ASSERT_TRUE(open());
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 １５ 秒間"));
    EXPECT_TRUE(w().optRate(1)->isChecked());
    EXPECT_TRUE(w().optExSw(0)->isChecked());
    EXPECT_EQ(text(3), "9");
    EXPECT_EQ(text(4), "6");
    EXPECT_EQ(text(2), "0");
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(SettingsWindowTest, ShortStoredCopyFailsThePreparation) {
    put(dataFile(), {0x07, 0, 0, 0x11, 0x02});
    EXPECT_FALSE(open());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text,
              QStringLiteral("ご使用の環境では、動作は保証されていません\n"
                             "実行環境には必ずIE4.x以降のバージョンがインストールされている必要があります。"));
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Warning);
    EXPECT_TRUE(w().isClosed());
}

TEST_F(SettingsWindowTest, CancelAtTheQuestionWritesNothing) {
    ASSERT_TRUE(open());
    w().tstVal(1)->setText("5");
    w().tstVal_Change(1);
    dialogs_.answers = {Dialogs::Button::Cancel};
    w().cmdSave()->click();
    EXPECT_EQ(messages(), std::vector<QString>{kQuestion});
    EXPECT_EQ(dialogs_.shown[0].buttons, Dialogs::Buttons::OkCancel);
    EXPECT_FALSE(fs::exists(cardFile()));
    EXPECT_FALSE(fs::exists(dataFile()));
    EXPECT_FALSE(w().isClosed());
    EXPECT_EQ(text(1), "5");
}

class SettingsWindowFolder : public SettingsWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SettingsWindowFolder, WithoutTheExactSetupFolderNothingIsSaved) {
    fs::remove_all(card() / "TRV410");
    const std::string variant = GetParam();
    if (variant == "file") {
        put(card() / "TRV410" / "setup", {1});
    } else if (variant == "capitals") {
        fs::create_directories(card() / "TRV410" / "SETUP");
    } else if (variant == "missing") {
        fs::create_directories(card() / "TRV410" / "other");
    }  // "noTRV410": the card has no TRV410 at all
    ASSERT_TRUE(open());
    w().cmdSave_Click();
    EXPECT_EQ(messages(), (std::vector<QString>{kQuestion, kNoFolder}));
    EXPECT_FALSE(w().isClosed());
    EXPECT_FALSE(fs::exists(dataFile()));
    EXPECT_FALSE(fs::exists(card() / "TRV410" / "SETUP" / "setup.dat"));
}

INSTANTIATE_TEST_SUITE_P(Variants, SettingsWindowFolder, ::testing::Values("file", "capitals", "missing", "noTRV410"));

TEST_F(SettingsWindowTest, MissingCardFailsAndCloses) {
    ASSERT_TRUE(open());
    fs::remove_all(card());
    w().cmdSave_Click();
    EXPECT_EQ(messages(), (std::vector<QString>{kQuestion, kCheckCard}));
    EXPECT_TRUE(w().isClosed());
    EXPECT_FALSE(fs::exists(dataFile()));
}

TEST_F(SettingsWindowTest, NoDriveAtAllFailsAndCloses) {
    paths_ = std::make_unique<FixedAppPaths>(base_ / "program", data());
    ASSERT_TRUE(open());
    w().cmdSave_Click();
    EXPECT_EQ(messages(), (std::vector<QString>{kQuestion, kCheckCard}));
    EXPECT_TRUE(w().isClosed());
}

TEST_F(SettingsWindowTest, SaveWritesBothCopiesClosesAndReopensWithClockClear) {
    ASSERT_TRUE(open());
    w().chkTime()->click();
    EXPECT_TRUE(w().clockBlockShown());
    w().DatePicker()->setDate(QDate(2007, 10, 10));
    w().TimePicker()->setTime(QTime(12, 34, 56));
    w().cmdSave()->click();
    EXPECT_EQ(messages(), std::vector<QString>{kQuestion});
    EXPECT_TRUE(w().isClosed());
    const SetupBytes expected = {0x07, 0, 0, 0x11, 0x02, 0x8C, 0, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0x27};
    EXPECT_EQ(slurp(cardFile()), expected);
    EXPECT_EQ(slurp(dataFile()), expected);

    // Reopen: the stored values, the clock box clear.
    dialogs_.shown.clear();
    ASSERT_TRUE(open());
    EXPECT_FALSE(w().chkTime()->isChecked());
    EXPECT_FALSE(w().clockBlockShown());
    EXPECT_EQ(w().DatePicker()->date(), QDate::currentDate());
    // Saving again without the clock writes zero clock bytes.
    w().cmdSave_Click();
    EXPECT_EQ(slurp(cardFile()), kDefaultBytes);
}

TEST_F(SettingsWindowTest, ClockTickedThenClearedWritesNoClock) {
    ASSERT_TRUE(open());
    w().chkTime()->click();
    w().chkTime()->click();
    EXPECT_FALSE(w().clockBlockShown());
    w().DatePicker()->setDate(QDate(2100, 5, 5));
    w().cmdSave_Click();
    EXPECT_EQ(slurp(cardFile()), kDefaultBytes);
}

TEST_F(SettingsWindowTest, SaveKeepsTheTailOfALongerCardFileAndFailsOnAnUnwritableDataFolder) {
    SetupBytes twenty(20, 0xEE);
    put(cardFile(), twenty);
    // A file where the data folder should be: the card copy is written, then the save fails.
    put(data(), {1});
    ASSERT_TRUE(open());
    w().cmdSave_Click();
    EXPECT_EQ(messages(), (std::vector<QString>{kQuestion, kCheckCard}));
    EXPECT_TRUE(w().isClosed());
    SetupBytes expected = kDefaultBytes;
    expected.resize(20, 0xEE);
    EXPECT_EQ(slurp(cardFile()), expected);
}

TEST_F(SettingsWindowTest, RestoreDefaultsKeepsDriveAndPickersAndWritesNothing) {
    const fs::path second = base_ / "card2";
    fs::create_directories(second);
    paths_ = std::make_unique<FixedAppPaths>(base_ / "program", data(), std::vector<fs::path>{card(), second});
    ASSERT_TRUE(open());
    w().Drive1()->setCurrentIndex(1);
    w().chkTime()->click();
    w().DatePicker()->setDate(QDate(2030, 3, 4));
    w().optRate(1)->click();
    dialogs_.shown.clear();
    w().tstVal(0)->setText("9");
    w().tstVal_Change(0);
    w().cmdDefault()->click();
    EXPECT_EQ(w().Drive1()->currentIndex(), 1);
    EXPECT_FALSE(w().chkTime()->isChecked());
    EXPECT_FALSE(w().clockBlockShown());
    EXPECT_EQ(w().DatePicker()->date(), QDate(2030, 3, 4));
    EXPECT_TRUE(w().optRate(0)->isChecked());
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 ２５ 秒間"));
    EXPECT_EQ(text(0), "0");
    EXPECT_EQ(text(3), "12");
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_FALSE(fs::exists(cardFile()));
    EXPECT_FALSE(fs::exists(dataFile()));
    EXPECT_FALSE(w().isClosed());
}

TEST_F(SettingsWindowTest, KeysArrowsAndLeavingFollowTheBoxRules) {
    ASSERT_TRUE(open());
    QLineEdit* pre = w().tstVal(3);
    pre->clear();
    w().tstVal_Change(3);
    typeInto(3, "1");
    EXPECT_EQ(pre->text(), "1");
    typeInto(3, "a");  // discarded
    key(pre, Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);  // keyboard paste discarded
    EXPECT_EQ(pre->text(), "1");
    typeInto(3, "2");
    EXPECT_EQ(pre->text(), "12");
    EXPECT_EQ(pre->cursorPosition(), 2);

    // Leaving with 1 gives 5; leaving empty gives the default.
    pre->setText("1");
    w().tstVal_Change(3);
    leave(3);
    EXPECT_EQ(pre->text(), "5");
    w().tstVal(2)->clear();
    w().tstVal_Change(2);
    leave(2);
    EXPECT_EQ(text(2), "2");

    // A full stop alone: the message, and the box emptied.
    w().tstVal(1)->clear();
    w().tstVal_Change(1);
    typeInto(1, ".");
    EXPECT_EQ(messages(), std::vector<QString>{QStringLiteral("無効な入力です。")});
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::None);
    EXPECT_EQ(text(1), "");

    // The arrows write their position into the box and stop at the ends.
    w().tstVal(1)->setText("15");
    w().tstVal_Change(1);
    w().upArrow(1)->click();
    w().upArrow(1)->click();
    EXPECT_EQ(text(1), "16");
    w().downArrow(4)->click();
    EXPECT_EQ(text(4), "7");
}

TEST_F(SettingsWindowTest, FrameRateClickWarnsAndShortens) {
    ASSERT_TRUE(open());
    w().optRate(1)->click();
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 １５ 秒間"));
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text,
              QStringLiteral("本設定変更により、記録時間の制限が発生しました。\n"
                             "現在の設定にて、記録時間前後合計で最大15秒間記録できます。"));
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Warning);
    EXPECT_EQ(text(3), "10");
    EXPECT_EQ(text(4), "5");
    w().optQua(1)->click();
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 １２ 秒間"));
    EXPECT_EQ(text(3), "7");
    EXPECT_EQ(text(4), "5");
}

TEST_F(SettingsWindowTest, CloseButtonClosesWithoutAskingOrWriting) {
    ASSERT_TRUE(open());
    w().cmdExit()->click();
    EXPECT_TRUE(w().isClosed());
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_FALSE(fs::exists(dataFile()));
}

}  // namespace
}  // namespace drv

namespace drv {
namespace {

// The command behind the hidden menu entry runs the window modally until it is closed.
// With DRV_SETTINGS_SHOT set to a file name, the screen is saved there with the clock block open.
TEST(SettingsWindowCommand, ShowsModallyUntilClosed) {
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path() / ("drv_settings_cmd_" + std::to_string(::getpid()));
    fs::create_directories(base / "card" / "TRV410" / "setup");
    FixedAppPaths paths(base, base / "data", {base / "card"});
    test::FakeDialogs dialogs;
    const QString shot = qEnvironmentVariable("DRV_SETTINGS_SHOT");
    bool sawWindow = false;
    QTimer::singleShot(shot.isEmpty() ? 50 : 700, [&] {
        auto* window = qobject_cast<SettingsWindow*>(QApplication::activeModalWidget());
        if (!window) return;
        sawWindow = true;
        if (!shot.isEmpty()) window->chkTime()->click();
        QTimer::singleShot(shot.isEmpty() ? 10 : 1200, window, [window, shot] {
            if (!shot.isEmpty()) window->screen()->grabWindow(0).save(shot);
            window->cmdExit()->click();
        });
    });
    ShowSettingsWindow(nullptr, dialogs, paths);
    EXPECT_TRUE(sawWindow);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(fs::exists(base / "data" / "setup.dat"));
    fs::remove_all(base);
}

}  // namespace
}  // namespace drv

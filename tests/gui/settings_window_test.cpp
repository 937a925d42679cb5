#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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
        base_ = fs::temp_directory_path() / ("drv_settings_gui_" + std::to_string(::getpid()));
        fs::remove_all(base_);
        fs::create_directories(card() / "TRV410" / "setup");
        usePaths({card()});
    }
    void TearDown() override {
        window_.reset();
        fs::remove_all(base_);
    }
    void usePaths(std::vector<fs::path> cards) {
        paths_ = std::make_unique<FixedAppPaths>(base_ / "program", data(), std::move(cards));
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
        dialogs_.shown.clear();
        window_ = std::make_unique<SettingsWindow>(dialogs_, *paths_);
        return window_->Form_Load();
    }
    SettingsWindow& w() { return *window_; }
    QString text(int box) { return w().tstVal(box)->text(); }
    // All five boxes, e.g. "0 8 2 12 8".
    QString boxes() {
        QStringList all;
        for (int i = 0; i < 5; ++i) all << text(i);
        return all.join(' ');
    }
    void edit(int box, const QString& value) {
        w().tstVal(box)->setText(value);
        w().tstVal_Change(box);
    }
    std::vector<QString> messages() const {
        std::vector<QString> out;
        for (const auto& m : dialogs_.shown) out.push_back(m.text);
        return out;
    }
    void key(QWidget* target, int k, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, k, mods, text), release(QEvent::KeyRelease, k, mods, text);
        QApplication::sendEvent(target, &press);
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
    EXPECT_EQ(boxes(), "0 8 2 12 8");
    EXPECT_TRUE(w().optSpeed(1)->isChecked() && w().optExSw(1)->isChecked() && w().optUnit(0)->isChecked() &&
                w().optRate(0)->isChecked() && w().optQua(0)->isChecked());
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 ２５ 秒間"));
    EXPECT_FALSE(w().chkTime()->isChecked());
    EXPECT_FALSE(w().clockBlockShown());
    EXPECT_EQ(w().Drive1()->count(), 1);
    EXPECT_EQ(w().Drive1()->currentText(), PathToQString(card()));
    // The pickers offer only the years the file can hold.
    EXPECT_EQ(w().DatePicker()->minimumDate(), QDate(2000, 1, 1));
    EXPECT_EQ(w().DatePicker()->maximumDate(), QDate(2255, 12, 31));
    EXPECT_EQ(w().TimePicker()->displayFormat(), QStringLiteral("HH時mm分ss秒"));
    EXPECT_EQ(w().DatePicker()->date(), QDate::currentDate());
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_FALSE(w().isClosed());
}

TEST_F(SettingsWindowTest, StoredCopyOpensWithItsValuesAndAShortOneFails) {
    RecorderSettings s;
    s.Rate14fps = true, s.PreSeconds = 9, s.PostSeconds = 6, s.ExternalSwitch = false, s.BuzzerVolume = 0;
    put(dataFile(), EncodeSetup(s).bytes);
    ASSERT_TRUE(open());
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 １５ 秒間"));
    EXPECT_TRUE(w().optRate(1)->isChecked());
    EXPECT_TRUE(w().optExSw(0)->isChecked());
    EXPECT_EQ(boxes(), "0 8 0 9 6");
    EXPECT_TRUE(dialogs_.shown.empty());

    put(dataFile(), {0x07, 0, 0, 0x11, 0x02});
    EXPECT_FALSE(open());
    EXPECT_EQ(messages(), std::vector<QString>{QStringLiteral(
                              "ご使用の環境では、動作は保証されていません\n"
                              "実行環境には必ずIE4.x以降のバージョンがインストールされている必要があります。")});
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Warning);
    EXPECT_TRUE(w().isClosed());
}

TEST_F(SettingsWindowTest, CancelAtTheQuestionWritesNothing) {
    ASSERT_TRUE(open());
    edit(1, "5");
    dialogs_.answers = {Dialogs::Button::Cancel};
    w().cmdSave()->click();
    EXPECT_EQ(messages(), std::vector<QString>{kQuestion});
    EXPECT_EQ(dialogs_.shown[0].buttons, Dialogs::Buttons::OkCancel);
    EXPECT_FALSE(fs::exists(cardFile()));
    EXPECT_FALSE(fs::exists(dataFile()));
    EXPECT_FALSE(w().isClosed());
}

// Saving where the card has no exact TRV410/setup folder, or there is no card at all.
struct RefusedCase {
    const char* name;
    bool cardGone;  // the message, and whether the window closes, follow from this
};

class SettingsWindowRefused : public SettingsWindowTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(SettingsWindowRefused, NothingIsSaved) {
    const std::string variant = GetParam().name;
    fs::remove_all(card() / "TRV410");
    if (variant == "SetupIsAFile") put(card() / "TRV410" / "setup", {1});
    if (variant == "SetupInCapitals") fs::create_directories(card() / "TRV410" / "SETUP");
    if (variant == "SetupMissing") fs::create_directories(card() / "TRV410" / "other");
    if (variant == "NoDrive") usePaths({});
    ASSERT_TRUE(open());
    if (variant == "CardRemoved") fs::remove_all(card());
    w().cmdSave_Click();
    EXPECT_EQ(messages(), (std::vector<QString>{kQuestion, GetParam().cardGone ? kCheckCard : kNoFolder}));
    EXPECT_EQ(w().isClosed(), GetParam().cardGone);
    EXPECT_FALSE(fs::exists(dataFile()));
    EXPECT_FALSE(fs::exists(card() / "TRV410" / "SETUP" / "setup.dat"));
}

INSTANTIATE_TEST_SUITE_P(Variants, SettingsWindowRefused,
                         ::testing::Values(RefusedCase{"SetupIsAFile", false}, RefusedCase{"SetupInCapitals", false},
                                           RefusedCase{"SetupMissing", false}, RefusedCase{"NoTRV410", false},
                                           RefusedCase{"CardRemoved", true}, RefusedCase{"NoDrive", true}),
                         [](const auto& info) { return std::string(info.param.name); });

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

    ASSERT_TRUE(open());
    EXPECT_FALSE(w().chkTime()->isChecked());
    EXPECT_FALSE(w().clockBlockShown());
    EXPECT_EQ(w().DatePicker()->date(), QDate::currentDate());
    // A clock ticked and cleared again writes zero clock bytes.
    w().chkTime()->click();
    w().chkTime()->click();
    EXPECT_FALSE(w().clockBlockShown());
    w().DatePicker()->setDate(QDate(2100, 5, 5));
    w().cmdSave_Click();
    EXPECT_EQ(slurp(cardFile()), kDefaultBytes);
}

TEST_F(SettingsWindowTest, SaveKeepsTheTailOfALongerCardFileAndFailsOnAnUnwritableDataFolder) {
    put(cardFile(), SetupBytes(20, 0xEE));
    put(data(), {1});  // a file where the data folder should be: the card copy is written, then the save fails
    ASSERT_TRUE(open());
    w().cmdSave_Click();
    EXPECT_EQ(messages(), (std::vector<QString>{kQuestion, kCheckCard}));
    EXPECT_TRUE(w().isClosed());
    SetupBytes expected = kDefaultBytes;
    expected.resize(20, 0xEE);
    EXPECT_EQ(slurp(cardFile()), expected);
}

TEST_F(SettingsWindowTest, RateClickWarnsAndRestoreDefaultsKeepsDriveAndPickersAndWritesNothing) {
    fs::create_directories(base_ / "card2");
    usePaths({card(), base_ / "card2"});
    ASSERT_TRUE(open());
    w().Drive1()->setCurrentIndex(1);
    w().chkTime()->click();
    w().DatePicker()->setDate(QDate(2030, 3, 4));
    w().optRate(1)->click();  // the limit drops to 15 seconds: warned, and the times shortened
    EXPECT_EQ(messages(), std::vector<QString>{QStringLiteral("本設定変更により、記録時間の制限が発生しました。\n"
                                                              "現在の設定にて、記録時間前後合計で最大15秒間記録できます。")});
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Warning);
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 １５ 秒間"));
    EXPECT_EQ(boxes(), "0 8 2 10 5");
    w().optQua(1)->click();
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 １２ 秒間"));
    edit(0, "9");
    dialogs_.shown.clear();
    w().cmdDefault()->click();
    EXPECT_EQ(w().Drive1()->currentIndex(), 1);
    EXPECT_FALSE(w().chkTime()->isChecked());
    EXPECT_FALSE(w().clockBlockShown());
    EXPECT_EQ(w().DatePicker()->date(), QDate(2030, 3, 4));
    EXPECT_TRUE(w().optRate(0)->isChecked() && w().optQua(0)->isChecked());
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 ２５ 秒間"));
    EXPECT_EQ(boxes(), "0 8 2 12 8");
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_FALSE(fs::exists(cardFile()));
    EXPECT_FALSE(fs::exists(dataFile()));
    EXPECT_FALSE(w().isClosed());
}

TEST_F(SettingsWindowTest, KeysArrowsAndLeavingFollowTheBoxRules) {
    ASSERT_TRUE(open());
    QLineEdit* pre = w().tstVal(3);
    edit(3, "");
    typeInto(3, "1a");  // the letter is discarded
    key(pre, Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);  // keyboard paste discarded
    typeInto(3, "2");
    EXPECT_EQ(pre->text(), "12");
    EXPECT_EQ(pre->cursorPosition(), 2);

    edit(3, "1");  // leaving with 1 gives 5
    leave(3);
    EXPECT_EQ(pre->text(), "5");

    // A full stop alone: the message, and the box emptied.
    edit(1, "");
    typeInto(1, ".");
    EXPECT_EQ(messages(), std::vector<QString>{QStringLiteral("無効な入力です。")});
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::None);
    EXPECT_EQ(text(1), "");

    // The arrows write their position into the box and stop at the ends.
    edit(1, "15");
    w().upArrow(1)->click();
    w().upArrow(1)->click();
    EXPECT_EQ(text(1), "16");
    w().downArrow(4)->click();
    EXPECT_EQ(text(4), "7");
}

// The command behind the hidden menu entry runs the window modally until its close button is used;
// closing asks nothing and writes nothing.
TEST_F(SettingsWindowTest, CommandShowsModallyUntilClosed) {
    bool sawWindow = false;
    QTimer::singleShot(50, [&] {
        if (auto* window = qobject_cast<SettingsWindow*>(QApplication::activeModalWidget())) {
            sawWindow = true;
            QTimer::singleShot(10, window, [window] { window->cmdExit()->click(); });
        }
    });
    ShowSettingsWindow(nullptr, dialogs_, *paths_);
    EXPECT_TRUE(sawWindow);
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_FALSE(fs::exists(dataFile()));
}

}  // namespace
}  // namespace drv

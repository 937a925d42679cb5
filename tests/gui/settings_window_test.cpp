#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

#include "gui/settings/settings_window.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/write_faults.h"
#include "tests/gui/support/fake_dialogs.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

const QString kNoFolder = QStringLiteral("保存ディレクトリが存在しません");
const QString kCheckCard = QStringLiteral("SDカードを確認してください");
const QString kQuestion = QStringLiteral("ファイルに保存しますか？");

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(card() / "TRV410" / "setup");
        usePaths({card()});
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
        test::WriteFile(path, bytes);
    }
    // Opens the window as the menu command would, without entering its event loop.
    bool open() {
        dialogs_.shown.clear();
        window_ = std::make_unique<SettingsWindow>(dialogs_, *paths_);
        return window_->Form_Load();
    }
    SettingsWindow& w() { return *window_; }
    QString boxes() {  // all five boxes, e.g. "0 8 2 12 8"
        QStringList all;
        for (int i = 0; i < 5; ++i) all << w().tstVal(i)->text();
        return all.join(' ');
    }
    std::vector<QString> messages() const {
        std::vector<QString> out;
        for (const auto& m : dialogs_.shown) out.push_back(m.text);
        return out;
    }

    test::TempFolder tmp_;
    const fs::path base_ = tmp_.path();
    test::FakeDialogs dialogs_;
    std::unique_ptr<FixedAppPaths> paths_;
    std::unique_ptr<SettingsWindow> window_;
};

TEST_F(SettingsWindowTest, OpensOnTheCardOrRefusesAShortStoredCopy) {
    ASSERT_TRUE(open());
    EXPECT_FALSE(w().clockBlockShown());
    EXPECT_EQ(w().Drive1()->currentText(), PathToQString(card()));
    EXPECT_EQ(w().DatePicker()->maximumDate(), QDate(2255, 12, 31)) << "only the years the file can hold";
    EXPECT_TRUE(dialogs_.shown.empty());
    put(dataFile(), {0x07, 0, 0, 0x11, 0x02});  // a stored copy too short to use
    EXPECT_FALSE(open());
    EXPECT_EQ(messages(), std::vector<QString>{QStringLiteral(
                              "ご使用の環境では、動作は保証されていません\n"
                              "実行環境には必ずIE4.x以降のバージョンがインストールされている必要があります。")});
    EXPECT_TRUE(w().isClosed());
}

// Saving where the card has no exact TRV410/setup folder, or there is no card at all.
TEST_F(SettingsWindowTest, SaveRefusedWithoutTheCardFolder) {
    const std::pair<const char*, bool> cases[] = {// true: the card is gone
                                                  {"SetupIsAFile", false},
                                                  {"SetupInCapitals", false},
                                                  {"NoTRV410", false},
                                                  {"CardRemoved", true},
                                                  {"NoDrive", true}};
    for (const auto& [variant, cardGone] : cases) {
        SCOPED_TRACE(variant);
        fs::remove_all(base_);
        fs::create_directories(card());
        usePaths({card()});
        if (variant == std::string("SetupIsAFile")) put(card() / "TRV410" / "setup", {1});
        if (variant == std::string("SetupInCapitals")) fs::create_directories(card() / "TRV410" / "SETUP");
        if (variant == std::string("NoDrive")) usePaths({});
        ASSERT_TRUE(open());
        if (variant == std::string("CardRemoved")) fs::remove_all(card());
        w().cmdSave_Click();
        EXPECT_EQ(messages(), (std::vector<QString>{kQuestion, cardGone ? kCheckCard : kNoFolder}));
        EXPECT_EQ(w().isClosed(), cardGone);
        EXPECT_FALSE(fs::exists(dataFile()));
    }
}

// Restoring the defaults keeps the chosen drive; it and Cancel write nothing.
TEST_F(SettingsWindowTest, DefaultsAndCancelWriteNothingAndSaveWritesBothCopiesWhichReopenShows) {
    fs::create_directories(base_ / "card2");
    usePaths({base_ / "card2", card()});
    ASSERT_TRUE(open());
    w().Drive1()->setCurrentIndex(1);
    w().chkTime()->click();
    w().optRate(1)->click();
    w().cmdDefault()->click();
    EXPECT_EQ(w().Drive1()->currentIndex(), 1);
    EXPECT_FALSE(w().chkTime()->isChecked());
    EXPECT_EQ(boxes(), "0 8 2 12 8");
    dialogs_.shown.clear();
    dialogs_.answers = {Dialogs::Button::Cancel};
    w().cmdSave()->click();
    EXPECT_EQ(messages(), std::vector<QString>{kQuestion});
    EXPECT_FALSE(fs::exists(cardFile()) || fs::exists(dataFile()) || w().isClosed());
    w().upArrow(1)->click();  // a box, two options and the clock away from their defaults
    w().optSpeed(3)->click();
    w().optUnit(1)->click();
    w().chkTime()->click();
    EXPECT_TRUE(w().clockBlockShown());
    w().DatePicker()->setDate(QDate(2007, 10, 10));
    w().TimePicker()->setTime(QTime(12, 34, 56));
    w().cmdSave()->click();
    EXPECT_TRUE(w().isClosed());
    const SetupBytes expected = {0x08, 0, 0, 0x31, 0x06, 0x8C, 0, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0x4C};
    EXPECT_EQ(test::ReadFile<SetupBytes>(cardFile()), expected);
    EXPECT_EQ(test::ReadFile<SetupBytes>(dataFile()), expected);
    ASSERT_TRUE(open());  // the saved values come back, the clock clear
    EXPECT_EQ(boxes(), "0 9 2 12 8");
    EXPECT_TRUE(w().optSpeed(3)->isChecked() && w().optUnit(1)->isChecked());
    EXPECT_FALSE(w().chkTime()->isChecked());
    EXPECT_EQ(w().DatePicker()->date(), QDate::currentDate());
}

// A save that fails part way says "SDカードを確認してください" and closes; the remembered copy is
// then the one from before (or none), never an empty or short one, so the window opens again
// with the values saved last. A link at the card's fixed name is never followed.
TEST_F(SettingsWindowTest, AFailedSaveKeepsTheRememberedCopyWhole) {
    const SetupBytes stored = {0x07, 0, 0, 0x11, 0x02, 0x8A, 0, 0, 0, 0, 0, 0, 0, 0xA4};  // pre 10
    const struct {
        const char* name;
        bool storedBefore;
        std::size_t room;
        bool cardLink;
    } cases[] = {
        {"card full", true, 0, false},
        {"data folder full", true, kSetupSize, false},
        {"data folder full, nothing stored yet", false, kSetupSize, false},
        {"card file is a link", true, 1 << 20, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(base_);
        fs::create_directories(card() / "TRV410" / "setup");
        put(base_ / "elsewhere", {1, 2, 3});
        if (c.cardLink) fs::create_symlink(base_ / "elsewhere", cardFile());
        if (c.storedBefore) put(dataFile(), stored);
        ASSERT_TRUE(open());
        w().upArrow(1)->click();
        {
            const ScopedWriteCalls full(test::DiskFullAfter(c.room));
            w().cmdSave_Click();
        }
        EXPECT_EQ(messages(), (std::vector<QString>{kQuestion, kCheckCard}));
        EXPECT_TRUE(w().isClosed());
        EXPECT_EQ(fs::exists(dataFile()), c.storedBefore);
        if (c.storedBefore) {
            EXPECT_EQ(test::ReadFile<SetupBytes>(dataFile()), stored);
        }
        EXPECT_EQ(test::ReadFile<SetupBytes>(base_ / "elsewhere"), (SetupBytes{1, 2, 3}));
        EXPECT_EQ(test::Entries(data()).size(), c.storedBefore ? 1u : 0u);
        ASSERT_TRUE(open());
        EXPECT_EQ(boxes(), c.storedBefore ? "0 8 2 10 8" : "0 8 2 12 8");
    }
}

// An arrow takes the focus to its box before it steps, so the box that had the focus runs its
// leave rule first: an erased post box is filled before the pre box is weighed against it.
// An input method cannot commit what the key filter would stop.
TEST_F(SettingsWindowTest, ArrowLeavesTheFocusedBoxBeforeItStepsAndInputMethodsMeetTheKeyFilter) {
    ASSERT_TRUE(open());
    for (const QString& commit : {QStringLiteral("１２"), QStringLiteral("1")}) {
        QInputMethodEvent event;
        event.setCommitString(commit);
        QApplication::sendEvent(w().tstVal(1), &event);
    }
    EXPECT_EQ(w().tstVal(1)->text(), "16");  // "１２" never landed; "1" made 81, clamped
    EXPECT_TRUE(dialogs_.shown.empty());
    w().show();
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    w().optRate(1)->click();  // 14fps: 10 + 5 after the warning
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(w().Label1(5)->text(), QStringLiteral("最大 １５ 秒間"));
    QLineEdit* post = w().tstVal(4);
    QTest::mouseClick(post, Qt::LeftButton);
    QTest::keyClick(post, Qt::Key_Backspace);
    ASSERT_EQ(boxes(), "0 16 2 10 ");
    dialogs_.shown.clear();
    QTest::mouseClick(w().upArrow(3), Qt::LeftButton);
    EXPECT_TRUE(w().tstVal(3)->hasFocus());
    EXPECT_EQ(boxes(), "0 16 2 8 7");  // post 8 gives pre 7, which steps to 8 and gives post 7
    QTest::mouseClick(w().cmdSave(), Qt::LeftButton);
    EXPECT_EQ(messages(), std::vector<QString>{kQuestion});
    EXPECT_TRUE(w().isClosed());
    const auto saved = DecodeSetup(test::ReadFile<SetupBytes>(cardFile()));
    ASSERT_TRUE(saved);
    EXPECT_EQ(std::make_pair(saved->PreSeconds, saved->PostSeconds), std::make_pair(8, 7));
}

}  // namespace
}  // namespace drv

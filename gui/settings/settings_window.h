#pragma once
// frmSetting: the modal window that edits the recorder's setup.dat and saves it onto the card.
// The rules of the numeric boxes and option groups live in SettingForm (core); this window
// mirrors that model into widgets and feeds user actions back into it.
#include <QDialog>
#include <array>
#include <filesystem>
#include <vector>

#include "core/settings/setting_form.h"
#include "gui/common/app_paths.h"
#include "gui/common/dialogs.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class QToolButton;

namespace drv {

// The command behind the hidden menu entry "本体設定": prepares the window and runs it modally.
void ShowSettingsWindow(QWidget* owner, Dialogs& dialogs, const AppPaths& paths);

inline constexpr const char* kSettingsCaption = " ＰＶ３３０R用 設定画面　（※ＰＶＧ３６０Rでは使用できません）";

class SettingsWindow final : public QDialog, private SettingFormObserver {
    Q_OBJECT

public:
    SettingsWindow(Dialogs& dialogs, const AppPaths& paths, QWidget* owner = nullptr);
    ~SettingsWindow() override;

    // The preparation. False when it failed: the message was shown and the window is closed.
    bool Form_Load();

    // Widgets, for tests and the owner.
    QLineEdit* tstVal(int i) const { return tstVal_.at(i); }
    QToolButton* upArrow(int i) const { return up_.at(i); }
    QLabel* Label1(int i) const { return label1_.at(i); }
    QRadioButton* optSpeed(int i) const { return optSpeed_.at(i); }
    QRadioButton* optUnit(int i) const { return optUnit_.at(i); }
    QRadioButton* optRate(int i) const { return optRate_.at(i); }
    QCheckBox* chkTime() const { return chkTime_; }
    QLabel* lblTime() const { return lblTime_; }
    QWidget* Picture1() const { return picture1_; }
    QDateEdit* DatePicker() const { return datePicker_; }
    QTimeEdit* TimePicker() const { return timePicker_; }
    QComboBox* Drive1() const { return drive1_; }
    QPushButton* cmdSave() const { return cmdSave_; }
    QPushButton* cmdDefault() const { return cmdDefault_; }
    const SettingForm& form() const { return form_; }
    // True once the window has closed by any way (button, close box, save, failure).
    bool isClosed() const { return closed_; }
    // Whether the clock block is showing (it is hidden while chkTime is clear).
    bool clockBlockShown() const;

public slots:
    void cmdSave_Click();
    void cmdDefault_Click();
    void cmdExit_Click();
    void chkTime_Click();
    void optRate_Click(int index);
    void optQua_Click(int index);
    void tstVal_Change(int index);
    void tstVal_Validate(int index);

public:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class SaveOutcome { Saved, NoFolder, Failed };
    SaveOutcome saveToCard();
    void closeWindow();
    void placeOnScreen();
    QString title() const;
    int boxOf(QObject* watched) const;

    // SettingFormObserver
    void boxTextChanged(int box) override;
    void caretMoved(int box) override;
    void optionChanged(OptionGroup group) override;
    void limitCaptionChanged() override;
    void clockCheckChanged() override;
    void invalidInput() override;
    void limitWarning(const std::string& text) override;

    Dialogs& dialogs_;
    const AppPaths& paths_;
    SettingForm form_;
    SetupBytes setupBytes_;
    std::vector<std::filesystem::path> cardRoots_;
    bool closed_ = false;

    std::array<QLineEdit*, kBoxCount> tstVal_{};
    std::array<QToolButton*, kBoxCount> up_{}, down_{};
    std::array<QLabel*, 6> label1_{};
    std::array<QRadioButton*, 6> optSpeed_{};
    std::array<QRadioButton*, 2> optExSw_{}, optUnit_{}, optRate_{}, optQua_{};
    std::array<QButtonGroup*, 5> groups_{};
    QCheckBox* chkTime_ = nullptr;
    QLabel* lblTime_ = nullptr;
    QFrame* fraTime_ = nullptr;
    QLabel* lblTimMsg_ = nullptr;
    QWidget* picture1_ = nullptr;
    QWidget* picture2_ = nullptr;
    QDateEdit* datePicker_ = nullptr;
    QTimeEdit* timePicker_ = nullptr;
    QComboBox* drive1_ = nullptr;
    QPushButton* cmdSave_ = nullptr;
    QPushButton* cmdDefault_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
};

}  // namespace drv

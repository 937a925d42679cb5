#include "gui/settings/settings_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <system_error>

#include "gui/common/ui_font.h"

namespace drv {

namespace {

const QDate kFirstClockDate(2000, 1, 1);
const QDate kLastClockDate(2255, 12, 31);

QString u8(const char* text) { return QString::fromUtf8(text); }
QString u8(const std::string& text) { return QString::fromStdString(text); }

// The window's captions: 10 points, larger than the main window's.
QFont labelFont() {
    QFont font = JapaneseUiFont();
    font.setPointSize(10);
    return font;
}

// The character code a key would type, as the key filter sees it; 0 for keys that type nothing
// (arrows, Delete, Tab and the like stay with the box).
char32_t typedCode(const QKeyEvent* key) {
    const int k = key->key();
    if (k == Qt::Key_Tab || k == Qt::Key_Backtab || k == Qt::Key_Delete) return 0;
    if ((key->modifiers() & Qt::ControlModifier) && k >= Qt::Key_A && k <= Qt::Key_Z)
        return static_cast<char32_t>(k - Qt::Key_A + 1);  // Ctrl+V is code 22, and so on
    if (k == Qt::Key_Backspace) return 8;
    if (k == Qt::Key_Return || k == Qt::Key_Enter) return 13;
    const QString text = key->text();
    if (text.isEmpty()) return 0;
    return text.toUcs4().value(0);
}

// Caret positions: the model counts bytes of UTF-8, the box counts characters.
std::size_t byteCaret(const QLineEdit* edit) {
    return static_cast<std::size_t>(edit->text().left(edit->cursorPosition()).toUtf8().size());
}

QFrame* optionFrame(const std::vector<QRadioButton*>& buttons, QButtonGroup* group) {
    auto* frame = new QFrame;
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        group->addButton(buttons[i], static_cast<int>(i));
        row->addWidget(buttons[i]);
    }
    row->addStretch();
    return frame;
}

}  // namespace

void ShowSettingsWindow(QWidget* owner, Dialogs& dialogs, const AppPaths& paths) {
    SettingsWindow window(dialogs, paths, owner);
    if (!window.Form_Load()) return;
    window.exec();
}

SettingsWindow::SettingsWindow(Dialogs& dialogs, const AppPaths& paths, QWidget* owner)
    : QDialog(owner), dialogs_(dialogs), paths_(paths) {
    setWindowTitle(u8(kSettingsCaption));
    setFont(labelFont());
    setModal(true);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(8);
    int row = 0;

    cmdDefault_ = new QPushButton(u8("初期値に戻す"));
    grid->addWidget(cmdDefault_, row++, 3, Qt::AlignRight);

    // Clock block: only the check box's box is visible; lblTime carries its text.
    chkTime_ = new QCheckBox;
    lblTime_ = new QLabel(u8("本体内のカレンダー設定を行う"));
    auto* clockRow = new QHBoxLayout;
    clockRow->addWidget(chkTime_);
    clockRow->addWidget(lblTime_);
    clockRow->addStretch();
    grid->addLayout(clockRow, row++, 0, 1, 4);

    fraTime_ = new QFrame;
    auto* clockLayout = new QGridLayout(fraTime_);
    clockLayout->setContentsMargins(24, 0, 0, 0);
    lblTimMsg_ = new QLabel(u8("使用を開始する予定時刻を設定してください"));
    picture1_ = new QWidget;
    picture2_ = new QWidget;
    datePicker_ = new QDateEdit(picture1_);
    timePicker_ = new QTimeEdit(picture2_);
    for (auto [host, picker] : {std::pair<QWidget*, QWidget*>{picture1_, datePicker_}, {picture2_, timePicker_}}) {
        auto* hostLayout = new QHBoxLayout(host);
        hostLayout->setContentsMargins(0, 0, 0, 0);
        hostLayout->addWidget(picker);
        host->setFocusProxy(picker);  // Picture1_GotFocus / Picture2_GotFocus: focus goes inside
    }
    // The long date of the window's language; the calendar drops down from it.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    datePicker_->setLocale(japanese);
    datePicker_->setDisplayFormat(japanese.dateFormat(QLocale::LongFormat));
    datePicker_->setCalendarPopup(true);
    // The file stores year - 2000 in one byte.
    datePicker_->setDateRange(kFirstClockDate, kLastClockDate);
    datePicker_->setMinimumWidth(190);
    timePicker_->setMinimumWidth(130);
    clockLayout->addWidget(lblTimMsg_, 0, 0, 1, 3);
    clockLayout->addWidget(picture1_, 1, 0);
    clockLayout->addWidget(picture2_, 1, 1);
    clockLayout->setColumnStretch(2, 1);
    // The block keeps its room while hidden, so ticking the box does not resize the window.
    for (QWidget* part : {static_cast<QWidget*>(lblTimMsg_), picture1_, picture2_}) {
        QSizePolicy policy = part->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        part->setSizePolicy(policy);
    }
    grid->addWidget(fraTime_, row++, 0, 1, 4);

    const char* const hints[kBoxCount] = {" ０ ～ １５ （ ０：機能OFF ）", " １ ～ １６", " ０ ～ ３ （ ０：機能OFF ）",
                                          " ５ ～ １５ （秒）", " ５ ～ １０ （秒）"};
    for (int i = 0; i < kBoxCount; ++i) label1_[i] = new QLabel(u8(hints[i]));
    auto boxCell = [&](int i) {
        auto* cell = new QWidget;
        auto* h = new QHBoxLayout(cell);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(0);
        tstVal_[i] = new QLineEdit;
        tstVal_[i]->setFont(labelFont());
        tstVal_[i]->setFixedWidth(56);
        tstVal_[i]->setAlignment(Qt::AlignLeft);
        tstVal_[i]->installEventFilter(this);
        // No input method: its committed text would arrive past the key filter (full-width
        // digits from a Japanese one, for instance).
        tstVal_[i]->setAttribute(Qt::WA_InputMethodEnabled, false);
        tstVal_[i]->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhPreferNumbers);
        auto* arrows = new QVBoxLayout;
        arrows->setContentsMargins(0, 0, 0, 0);
        arrows->setSpacing(0);
        up_[i] = new QToolButton;
        down_[i] = new QToolButton;
        for (QToolButton* b : {up_[i], down_[i]}) {
            b->setFixedSize(18, 13);
            b->setFocusPolicy(Qt::NoFocus);  // the arrows hand the focus to their box, never hold it
            b->setAutoRepeat(true);
            arrows->addWidget(b);
        }
        up_[i]->setArrowType(Qt::UpArrow);
        down_[i]->setArrowType(Qt::DownArrow);
        h->addWidget(tstVal_[i]);
        h->addLayout(arrows);
        h->addStretch();
        // Like an up-down buddy, an arrow first takes the focus to its box, so the box that had
        // it runs its leave rule before the step weighs the two recording times.
        for (QToolButton* b : {up_[i], down_[i]})
            connect(b, &QToolButton::pressed, this, [this, i] { tstVal_[i]->setFocus(Qt::MouseFocusReason); });
        connect(up_[i], &QToolButton::clicked, this, [this, i] { form_.stepUpDown(i, +1); });
        connect(down_[i], &QToolButton::clicked, this, [this, i] { form_.stepUpDown(i, -1); });
        connect(tstVal_[i], &QLineEdit::textEdited, this, [this, i] { tstVal_Change(i); });
        return cell;
    };
    // One row: its lblitem caption, the control, the range hint.
    auto addRow = [&](const char* caption, QWidget* control, QWidget* hint, int span = 1) {
        grid->addWidget(new QLabel(u8(caption)), row, 0);
        grid->addWidget(control, row, 1, 1, span);
        if (hint) grid->addWidget(hint, row, 2);
        ++row;
    };
    auto makeGroup = [&](int slot, std::initializer_list<const char*> captions, auto& buttons) {
        groups_[slot] = new QButtonGroup(this);
        std::vector<QRadioButton*> list;
        int i = 0;
        for (const char* c : captions) {
            buttons[i] = new QRadioButton(u8(c));
            list.push_back(buttons[i++]);
        }
        return optionFrame(list, groups_[slot]);
    };

    addRow("危険報知レベル", boxCell(0), label1_[0]);
    addRow("衝撃検出レベル", boxCell(1), label1_[1]);
    addRow("車速パルス設定", makeGroup(0, {"２", "４", "６", "８", "１６", "オート"}, optSpeed_), nullptr, 3);
    addRow("ブザー音量設定", boxCell(2), label1_[2]);
    addRow("外部スイッチ設定", makeGroup(1, {"未接続", "接続"}, optExSw_), nullptr);
    addRow("運転情報ユニット設定", makeGroup(2, {"未接続", "接続"}, optUnit_), nullptr);
    addRow("フレームレート", makeGroup(3, {"7fps", "14fps"}, optRate_), nullptr);
    addRow("画質設定", makeGroup(4, {"Low", "High"}, optQua_), nullptr);
    const int firstTimeRow = row;
    addRow("記録時間（前）設定", boxCell(3), label1_[3]);
    addRow("記録時間（後）設定", boxCell(4), label1_[4]);
    label1_[5] = new QLabel(u8(form_.limitCaption()));
    grid->addWidget(label1_[5], firstTimeRow, 3, 2, 1, Qt::AlignLeft | Qt::AlignVCenter);

    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(new QLabel(u8("SDカード ドライブ指定")));  // lblitem(10)
    drive1_ = new QComboBox;
    drive1_->setMinimumWidth(220);
    driveRow->addWidget(drive1_);
    driveRow->addStretch();
    cmdSave_ = new QPushButton(u8("保　存"));
    cmdExit_ = new QPushButton(u8("終　了"));
    driveRow->addWidget(cmdSave_);
    driveRow->addWidget(cmdExit_);
    grid->addLayout(driveRow, row++, 0, 1, 4);
    grid->setColumnStretch(2, 1);

    // Enter in a box must not press a button: nothing is a default button here.
    for (QPushButton* b : {cmdSave_, cmdDefault_, cmdExit_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    connect(cmdSave_, &QPushButton::clicked, this, &SettingsWindow::cmdSave_Click);
    connect(cmdDefault_, &QPushButton::clicked, this, &SettingsWindow::cmdDefault_Click);
    connect(cmdExit_, &QPushButton::clicked, this, &SettingsWindow::cmdExit_Click);
    connect(chkTime_, &QCheckBox::clicked, this, &SettingsWindow::chkTime_Click);
    connect(groups_[0], &QButtonGroup::idClicked, this, [this](int id) { form_.selectOption(OptionGroup::Speed, id); });
    connect(groups_[1], &QButtonGroup::idClicked, this, [this](int id) { form_.selectOption(OptionGroup::ExSw, id); });
    connect(groups_[2], &QButtonGroup::idClicked, this, [this](int id) { form_.selectOption(OptionGroup::Unit, id); });
    connect(groups_[3], &QButtonGroup::idClicked, this, &SettingsWindow::optRate_Click);
    connect(groups_[4], &QButtonGroup::idClicked, this, &SettingsWindow::optQua_Click);

    form_.setObserver(this);
}

SettingsWindow::~SettingsWindow() { form_.setObserver(nullptr); }

QString SettingsWindow::title() const { return u8("ドライブレコーダー ビューワーソフト"); }

bool SettingsWindow::Form_Load() {
    // Both pickers start at the current date and time (kept within what the file can hold).
    const QDateTime now = QDateTime::currentDateTime();
    datePicker_->setDate(std::clamp(now.date(), kFirstClockDate, kLastClockDate));
    timePicker_->setTime(now.time());

    // Drive list: mounted volumes, starting on the one that holds the current folder.
    cardRoots_ = paths_.cardRoots();
    drive1_->clear();
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).native();
    int current = cardRoots_.empty() ? -1 : 0;
    std::size_t best = 0;
    for (std::size_t i = 0; i < cardRoots_.size(); ++i) {
        drive1_->addItem(PathToQString(cardRoots_[i]));
        std::string root = cardRoots_[i].native();
        if (!root.empty() && root.back() != '/') root += '/';
        if ((cwd + "/").rfind(root, 0) == 0 && root.size() > best) {
            best = root.size();
            current = static_cast<int>(i);
        }
    }
    drive1_->setCurrentIndex(current);

    const SetupReadStatus status = ReadSetupFile(paths_.userDataFolder(), "setup.dat", setupBytes_);
    bool prepared = status != SetupReadStatus::Failed;
    if (prepared) prepared = form_.Prepare(status == SetupReadStatus::Found ? &setupBytes_ : nullptr);
    if (!prepared) {
        dialogs_.message(this,
                         u8("ご使用の環境では、動作は保証されていません\n"
                            "実行環境には必ずIE4.x以降のバージョンがインストールされている必要があります。"),
                         title(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        closeWindow();
        return false;
    }
    timePicker_->setDisplayFormat(u8("HH時mm分ss秒"));
    adjustSize();
    setFixedSize(sizeHint());
    placeOnScreen();
    return true;
}

void SettingsWindow::placeOnScreen() {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize frame = frameGeometry().size().expandedTo(size());
    move(area.left() + (area.width() - frame.width()) / 2, area.top() + (area.height() - frame.height()) / 3);
}

bool SettingsWindow::clockBlockShown() const { return !lblTimMsg_->isHidden() && fraTime_->isEnabled(); }

int SettingsWindow::boxOf(QObject* watched) const {
    for (int i = 0; i < kBoxCount; ++i)
        if (tstVal_[i] == watched) return i;
    return -1;
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event) {
    const int box = boxOf(watched);
    if (box >= 0 && event->type() == QEvent::KeyPress) {
        // tstVal_KeyPress: discard what the boxes do not take.
        const char32_t code = typedCode(static_cast<QKeyEvent*>(event));
        if (code != 0 && !KeyPassesFilter(code)) return true;
    } else if (box >= 0 && event->type() == QEvent::InputMethod) {
        // Should an input method still commit text, it meets the key filter as a whole.
        const QString commit = static_cast<QInputMethodEvent*>(event)->commitString();
        if (!CommittedTextPassesFilter(commit.toStdU32String())) return true;
    } else if (box >= 0 && event->type() == QEvent::FocusOut) {
        // Only a move to another control of this window runs the leave rule.
        switch (static_cast<QFocusEvent*>(event)->reason()) {
            case Qt::TabFocusReason:
            case Qt::BacktabFocusReason:
            case Qt::MouseFocusReason:
            case Qt::ShortcutFocusReason:
            case Qt::OtherFocusReason: tstVal_Validate(box); break;
            default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ------------------------------------------------------------------------------- handlers

void SettingsWindow::tstVal_Change(int index) {
    QLineEdit* edit = tstVal_.at(index);
    form_.editText(index, edit->text().toStdString(), byteCaret(edit));
}

void SettingsWindow::tstVal_Validate(int index) { form_.leaveBox(index); }

void SettingsWindow::optRate_Click(int index) { form_.selectOption(OptionGroup::Rate, index); }

void SettingsWindow::optQua_Click(int index) { form_.selectOption(OptionGroup::Qua, index); }

void SettingsWindow::chkTime_Click() { form_.setClockChecked(chkTime_->isChecked()); }

void SettingsWindow::cmdDefault_Click() { form_.RestoreDefaults(); }

void SettingsWindow::cmdExit_Click() { closeWindow(); }

void SettingsWindow::cmdSave_Click() {
    if (dialogs_.message(this, u8("ファイルに保存しますか？"), title(), Dialogs::Buttons::OkCancel,
                         Dialogs::Icon::None) != Dialogs::Button::Ok)
        return;
    switch (saveToCard()) {
        case SaveOutcome::Saved: closeWindow(); break;
        case SaveOutcome::NoFolder:
            dialogs_.message(this, u8("保存ディレクトリが存在しません"), title(), Dialogs::Buttons::Ok,
                             Dialogs::Icon::None);
            break;
        case SaveOutcome::Failed:
            dialogs_.message(this, u8("SDカードを確認してください"), title(), Dialogs::Buttons::Ok,
                             Dialogs::Icon::None);
            closeWindow();
            break;
    }
}

SettingsWindow::SaveOutcome SettingsWindow::saveToCard() {
    namespace fs = std::filesystem;
    const int drive = drive1_->currentIndex();
    if (drive < 0 || drive >= static_cast<int>(cardRoots_.size())) return SaveOutcome::Failed;
    std::error_code ec;
    const fs::path root = cardRoots_[static_cast<std::size_t>(drive)];
    if (!fs::is_directory(root, ec)) return SaveOutcome::Failed;  // card gone
    const fs::path cardFolder = root / "TRV410";
    if (!fs::is_directory(cardFolder, ec)) return SaveOutcome::NoFolder;

    // The settings folder is "setup" exactly, and a folder; a file of that name does not count.
    fs::path setupFolder;
    fs::directory_iterator it(cardFolder, ec);
    if (ec) return SaveOutcome::Failed;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (it->path().filename() == "setup" && it->is_directory(ec)) {
            setupFolder = it->path();
            break;
        }
    }
    if (ec) return SaveOutcome::Failed;
    if (setupFolder.empty()) return SaveOutcome::NoFolder;

    auto settings = form_.ToSettings();
    if (!settings) return SaveOutcome::Failed;
    if (chkTime_->isChecked()) {
        const QDate date = datePicker_->date();
        const QTime time = timePicker_->time();
        settings->ClockSet = true;
        settings->Clock = {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
    }
    const EncodeResult encoded = EncodeSetup(*settings);
    if (!encoded.ok()) return SaveOutcome::Failed;
    setupBytes_ = encoded.bytes;
    // The card's file has a fixed name that the recorder reads: a link there is never followed.
    if (!WriteSetupFile(setupFolder / "setup.dat", setupBytes_, LinkPolicy::Refuse)) return SaveOutcome::Failed;
    // The remembered copy lives in the user's data folder, which may not exist yet.
    const fs::path dataFolder = paths_.userDataFolder();
    fs::create_directories(dataFolder, ec);
    if (!WriteSetupFile(dataFolder / "setup.dat", setupBytes_)) return SaveOutcome::Failed;
    return SaveOutcome::Saved;
}

void SettingsWindow::closeWindow() {
    closed_ = true;
    done(QDialog::Accepted);
}

void SettingsWindow::done(int result) {
    closed_ = true;
    QDialog::done(result);
}

// ------------------------------------------------------------------- model -> widgets

void SettingsWindow::boxTextChanged(int box) {
    QLineEdit* edit = tstVal_.at(box);
    const QSignalBlocker block(edit);
    edit->setText(u8(form_.text(box)));
}

void SettingsWindow::caretMoved(int box) {
    QLineEdit* edit = tstVal_.at(box);
    const std::string& text = form_.text(box);
    const std::size_t caret = std::min(form_.caret(box), text.size());
    edit->setCursorPosition(static_cast<int>(QString::fromUtf8(text.data(), static_cast<int>(caret)).size()));
}

void SettingsWindow::optionChanged(OptionGroup group) {
    QButtonGroup* buttons = groups_.at(static_cast<std::size_t>(group));
    const int index = form_.option(group);
    QAbstractButton* button = buttons->button(index);
    if (!button) return;
    const QSignalBlocker block(buttons);
    button->setChecked(true);
}

void SettingsWindow::limitCaptionChanged() { label1_[5]->setText(u8(form_.limitCaption())); }

void SettingsWindow::clockCheckChanged() {
    const bool ticked = form_.clockChecked();
    {
        const QSignalBlocker block(chkTime_);
        chkTime_->setChecked(ticked);
    }
    fraTime_->setEnabled(ticked);
    lblTimMsg_->setVisible(ticked);
    picture1_->setVisible(ticked);
    picture2_->setVisible(ticked);
}

void SettingsWindow::invalidInput() {
    dialogs_.message(this, u8(kInvalidInputText), title(), Dialogs::Buttons::Ok, Dialogs::Icon::None);
}

void SettingsWindow::limitWarning(const std::string& text) {
    dialogs_.message(this, u8(text), title(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

}  // namespace drv

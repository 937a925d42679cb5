#pragma once
// The settings window without widgets: the five numeric boxes with their key filter, change,
// leave and pair rules, the option groups, the recording-time limit and the preparation.
// Setting a box's text from inside a rule runs that box's change rule at once, nested in the
// running one, as it does in the window; observers see every change as it happens.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings/setup_file.h"

namespace drv {

inline constexpr int kBoxCount = 5;
enum Box : int { kBoxDanger = 0, kBoxShock = 1, kBoxBuzzer = 2, kBoxPre = 3, kBoxPost = 4 };
enum class OptionGroup : int { Speed, ExSw, Unit, Rate, Qua };

inline constexpr const char* kInvalidInputText = "無効な入力です。";
inline constexpr const char* kLimitWarningFirstLine = "本設定変更により、記録時間の制限が発生しました。";

// Range and up-down settings of each box.
struct BoxRange {
    int lower, upper;
    const char* emptyText;  // put into an empty box on leaving; also the up-down's start position
};
const BoxRange& BoxRangeOf(int box);

// The conversion of a box's text: blanks around ignored, a fraction rounds half to even,
// the result must lie in -32768..32767. Nothing when the text is not a decimal number.
std::optional<std::int16_t> ConvertBoxText(std::string_view text);

// Key filter: digits, '.', Backspace (8) and Enter (13) reach the box; every other character
// code, the control codes of keyboard paste and copy included, is discarded.
bool KeyPassesFilter(char32_t code);
// Text an input method commits arrives at once, past the key filter: it lands only when every
// character is one a key could type into the box (a half-width digit or '.').
bool CommittedTextPassesFilter(std::u32string_view text);

// Maximum of pre + post seconds for a frame rate / quality pair (25 when nothing limits).
int RecordingLimitFor(bool rate14fps, bool qualityHigh);
// "最大 ２５ 秒間" etc. (full-width digits).
std::string LimitCaption(int limit);
// The warning for a limit of 24, 15 or 12: first line, '\n', second line.
std::string LimitWarningText(int limit);

class SettingFormObserver {
public:
    virtual ~SettingFormObserver() = default;
    virtual void boxTextChanged(int /*box*/) {}
    virtual void caretMoved(int /*box*/) {}
    virtual void optionChanged(OptionGroup /*group*/) {}
    virtual void limitCaptionChanged() {}
    virtual void clockCheckChanged() {}
    // Modal messages: "無効な入力です。" and the recording-time warning.
    virtual void invalidInput() {}
    virtual void limitWarning(const std::string& /*text*/) {}
};

class SettingForm {
public:
    explicit SettingForm(SettingFormObserver* observer = nullptr) : observer_(observer) {}
    void setObserver(SettingFormObserver* observer) { observer_ = observer; }

    // --- state ---
    const std::string& text(int box) const { return texts_.at(box); }
    std::size_t caret(int box) const { return carets_.at(box); }
    int option(OptionGroup group) const { return options_[static_cast<int>(group)]; }  // -1: none
    const std::string& limitCaption() const { return limitCaption_; }
    bool clockChecked() const { return clockChecked_; }

    // --- what the system does ---
    // Sets a box's text; when it differs, the box's change rule runs (tstVal_Change).
    void setText(int box, const std::string& text);
    // Selects an option; a frame-rate or quality selection runs ApplyRecordingLimit.
    void selectOption(OptionGroup group, int index);
    void setClockChecked(bool checked);

    // --- what the user does ---
    // The box's whole text as the user left it (typing that passed the key filter, paste,
    // deletion).
    void editText(int box, const std::string& text, std::size_t caret);
    // The focus leaves the box for another control of the window (tstVal_Validate).
    void leaveBox(int box);
    // An up-down arrow: steps from the box's number (or the last position when the text
    // holds no number in range) and writes the new position as text.
    void stepUpDown(int box, int delta);

    // --- the window's rules, as its handlers run them ---
    void tstVal_Change(int box);
    void tstVal_Validate(int box);
    void ApplyRecordingLimit(OptionGroup clickedGroup, int index);
    // Preparation steps that touch the form: up-down start positions, clock box clear, default
    // options, the stored copy (when given) decoded into the controls, each value passing the
    // change and leave rules as a typed one would, the limit caption.
    // False when a stored copy cannot be decoded (fewer than six bytes).
    bool Prepare(const SetupBytes* stored);
    // "初期値に戻す": clock box clear, default options, default texts.
    void RestoreDefaults();
    // The boxes and options as settings for encoding (clock fields left clear). Nothing when a
    // box holds no number or one outside 0..255.
    std::optional<RecorderSettings> ToSettings() const;

private:
    void selectDefaultOptions();
    bool pairRule(int box);  // false when a conversion fails
    void clamp(int box, int value);
    void setCaret(int box, std::size_t pos);
    void setLimitCaption(std::string caption);

    SettingFormObserver* observer_;
    std::array<std::string, kBoxCount> texts_{};
    std::array<std::size_t, kBoxCount> carets_{};
    std::array<int, kBoxCount> upDownPos_{0, 8, 2, 12, 8};
    std::array<int, 5> options_{-1, -1, -1, -1, -1};
    std::string limitCaption_ = "最大 ２５ 秒間";
    bool loading_ = false;
    bool clockChecked_ = false;
};

}  // namespace drv

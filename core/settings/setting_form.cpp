#include "core/settings/setting_form.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/common/numbers.h"

namespace drv {

namespace {

constexpr std::array<BoxRange, kBoxCount> kBoxRanges{{
    {0, 15, "0"},
    {1, 16, "8"},
    {0, 3, "2"},
    {5, 15, "12"},
    {5, 10, "8"},
}};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The frame rate and quality pairs (option indexes) whose recording time is limited; every
// other pair records up to 25 s. The pair rule lets an edited box keep at most its threshold
// and shortens the other box to fit the limit; a new limit shortens the pre-event time to its
// threshold at most and gives the rest of the limit to the post-event time.
struct LimitedPair {
    int rate, quality, limit;
    int thresholdPre, thresholdPost;
};
constexpr std::array<LimitedPair, 3> kLimitedPairs{{
    {0, 1, 24, 15, 10},
    {1, 0, 15, 10, 10},
    {1, 1, 12, 7, 7},
}};

const LimitedPair* limitedPair(int rate, int quality) {
    for (const LimitedPair& pair : kLimitedPairs)
        if (pair.rate == rate && pair.quality == quality) return &pair;
    return nullptr;
}

// Full-width digits for the limit captions.
std::string fullWidthNumber(int value) {
    static const char* const kDigits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
    const std::string plain = std::to_string(value);
    std::string out;
    for (char c : plain) out += isDigit(c) ? kDigits[c - '0'] : std::string(1, c);
    return out;
}

}  // namespace

const BoxRange& BoxRangeOf(int box) { return kBoxRanges.at(static_cast<std::size_t>(box)); }

std::optional<std::int16_t> ConvertBoxText(std::string_view text) {
    text = trimBlanks(text);
    // [+-] digits [. digits], at least one digit; nothing else.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t numberStart = i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0 || i != text.size()) return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data() + numberStart, text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    if (text.front() == '-') value = -value;
    const std::int64_t rounded = RoundHalfEven(value);
    if (rounded < -32768 || rounded > 32767) return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

bool KeyPassesFilter(char32_t code) {
    return (code >= U'0' && code <= U'9') || code == U'.' || code == 8 || code == 13;
}

bool CommittedTextPassesFilter(std::u32string_view text) {
    return std::all_of(text.begin(), text.end(), [](char32_t c) { return c != 8 && c != 13 && KeyPassesFilter(c); });
}

int RecordingLimitFor(bool rate14fps, bool qualityHigh) {
    const LimitedPair* pair = limitedPair(rate14fps ? 1 : 0, qualityHigh ? 1 : 0);
    return pair ? pair->limit : 25;
}

std::string LimitCaption(int limit) { return "最大 " + fullWidthNumber(limit) + " 秒間"; }

std::string LimitWarningText(int limit) {
    return std::string(kLimitWarningFirstLine) + "\n" + "現在の設定にて、記録時間前後合計で最大" +
           std::to_string(limit) + "秒間記録できます。";
}

// ---------------------------------------------------------------------------------------------

void SettingForm::setText(int box, const std::string& text) {
    std::string& current = texts_.at(static_cast<std::size_t>(box));
    if (current == text) return;  // an unchanged text raises no change
    current = text;
    carets_[box] = text.size();
    if (observer_) observer_->boxTextChanged(box);
    tstVal_Change(box);
}

void SettingForm::setCaret(int box, std::size_t pos) {
    carets_.at(static_cast<std::size_t>(box)) = pos;
    if (observer_) observer_->caretMoved(box);
}

void SettingForm::setLimitCaption(std::string caption) {
    if (limitCaption_ == caption) return;
    limitCaption_ = std::move(caption);
    if (observer_) observer_->limitCaptionChanged();
}

void SettingForm::selectOption(OptionGroup group, int index) {
    options_[static_cast<int>(group)] = index;
    if (observer_) observer_->optionChanged(group);
    if (group == OptionGroup::Rate || group == OptionGroup::Qua) ApplyRecordingLimit(group, index);
}

void SettingForm::setClockChecked(bool checked) {
    clockChecked_ = checked;
    if (observer_) observer_->clockCheckChanged();
}

void SettingForm::editText(int box, const std::string& text, std::size_t caret) {
    std::string& current = texts_.at(static_cast<std::size_t>(box));
    carets_[box] = std::min(caret, text.size());
    if (current == text) return;
    current = text;
    tstVal_Change(box);
}

void SettingForm::leaveBox(int box) { tstVal_Validate(box); }

void SettingForm::stepUpDown(int box, int delta) {
    const BoxRange& range = BoxRangeOf(box);
    int position = upDownPos_.at(static_cast<std::size_t>(box));
    if (const auto n = ConvertBoxText(texts_[box]); n && *n >= range.lower && *n <= range.upper) position = *n;
    const int next = std::clamp(position + delta, range.lower, range.upper);
    upDownPos_[box] = next;
    if (next == position) return;  // at the end of its range: nothing is written
    setText(box, std::to_string(next));
}

// The pair rule for an edited recording-time box.
bool SettingForm::pairRule(int box) {
    const int other = box == kBoxPre ? kBoxPost : kBoxPre;
    const LimitedPair* pair = limitedPair(option(OptionGroup::Rate), option(OptionGroup::Qua));
    if (!pair) return true;
    const int threshold = box == kBoxPre ? pair->thresholdPre : pair->thresholdPost;
    const auto edited = ConvertBoxText(texts_[box]);
    if (!edited) return false;
    // A blank partner is being typed into or waits for its own leave rule, which fills it and
    // weighs the pair then; there is nothing to weigh against yet.
    if (trimBlanks(texts_[other]).empty()) return true;
    const auto partner = ConvertBoxText(texts_[other]);
    if (!partner) return false;
    if (*edited <= threshold) {
        if (pair->limit - *edited < *partner) setText(other, std::to_string(pair->limit - *edited));
    } else {
        if (pair->limit - *partner < *edited) setText(box, std::to_string(pair->limit - *partner));
    }
    return true;
}

void SettingForm::clamp(int box, int value) {
    const BoxRange& range = BoxRangeOf(box);
    if (value > range.upper) setText(box, std::to_string(range.upper));
    else if (value < range.lower) setText(box, std::to_string(range.lower));
}

void SettingForm::tstVal_Change(int box) {
    if (trimBlanks(texts_.at(static_cast<std::size_t>(box))).empty()) return;
    bool ok = true;
    if (const auto n = ConvertBoxText(texts_[box]); !n) {
        ok = false;
    } else if (*n == 1) {
        return;  // lets the user type the first digit of 10..16
    } else {
        if (box == kBoxPre || box == kBoxPost) ok = pairRule(box);
        if (ok) {
            // Read afresh: the pair rule may have replaced the text.
            if (const auto now = ConvertBoxText(texts_[box])) clamp(box, *now);
            else ok = false;
        }
    }
    if (ok) {
        setCaret(box, trimBlanks(texts_[box]).size());
        return;
    }
    if (observer_) observer_->invalidInput();
    setText(box, "");
}

void SettingForm::tstVal_Validate(int box) {
    if (trimBlanks(texts_.at(static_cast<std::size_t>(box))).empty()) setText(box, BoxRangeOf(box).emptyText);
    if (box == kBoxPre || box == kBoxPost) {
        if (!pairRule(box)) {
            // Only a text the change rule rejected could get here; give the box its default.
            setText(box, BoxRangeOf(box).emptyText);
            return;
        }
    }
    if (const auto n = ConvertBoxText(texts_[box])) clamp(box, *n);
    else setText(box, BoxRangeOf(box).emptyText);
}

void SettingForm::ApplyRecordingLimit(OptionGroup clickedGroup, int index) {
    if (loading_) return;
    setLimitCaption(LimitCaption(25));
    const auto pre = ConvertBoxText(texts_[kBoxPre]);
    const auto post = ConvertBoxText(texts_[kBoxPost]);
    const bool rateClicked = clickedGroup == OptionGroup::Rate;
    if (!rateClicked && clickedGroup != OptionGroup::Qua) return;
    const LimitedPair* pair =
        limitedPair(rateClicked ? index : option(OptionGroup::Rate), rateClicked ? option(OptionGroup::Qua) : index);
    if (!pair) return;
    setLimitCaption(LimitCaption(pair->limit));
    // A box without a number (never left by the leave rule) cannot be weighed; leave the times.
    if (!pre || !post) return;
    if (*pre + *post <= pair->limit) return;
    if (observer_) observer_->limitWarning(LimitWarningText(pair->limit));
    // The boxes' ranges keep the pre-event time at most 15, so at 24 s only 15 + 10 is too long.
    const int newPre = std::min<int>(*pre, pair->thresholdPre);
    if (newPre != *pre) setText(kBoxPre, std::to_string(newPre));
    setText(kBoxPost, std::to_string(pair->limit - newPre));
}

// The clock box clear and the options the window starts with.
void SettingForm::selectDefaultOptions() {
    setClockChecked(false);
    selectOption(OptionGroup::Speed, 1);
    selectOption(OptionGroup::ExSw, 1);
    selectOption(OptionGroup::Unit, 0);
    selectOption(OptionGroup::Rate, 0);
    selectOption(OptionGroup::Qua, 0);
}

bool SettingForm::Prepare(const SetupBytes* stored) {
    loading_ = true;
    for (int box = 0; box < kBoxCount; ++box) {
        upDownPos_[box] = std::stoi(BoxRangeOf(box).emptyText);
        setText(box, BoxRangeOf(box).emptyText);
    }
    selectDefaultOptions();
    if (stored) {
        const auto s = DecodeSetup(*stored);
        if (!s) {
            loading_ = false;
            return false;
        }
        // A stored value meets the rules a typed one does: the change rule as it lands, then
        // the leave rule, so that a stored 1 or a text equal to the one shown (which raises no
        // change) cannot stay outside the range or the recording limit.
        auto enter = [this](int box, int value) {
            setText(box, std::to_string(value));
            tstVal_Validate(box);
        };
        enter(kBoxDanger, s->DangerLevel);
        enter(kBoxShock, s->ShockLevel);
        selectOption(OptionGroup::Speed, s->SpeedPulse);
        enter(kBoxBuzzer, s->BuzzerVolume);
        selectOption(OptionGroup::ExSw, s->ExternalSwitch ? 1 : 0);
        selectOption(OptionGroup::Unit, s->DriveInfoUnit ? 1 : 0);
        selectOption(OptionGroup::Rate, s->Rate14fps ? 1 : 0);
        selectOption(OptionGroup::Qua, s->QualityHigh ? 1 : 0);
        enter(kBoxPre, s->PreSeconds);
        enter(kBoxPost, s->PostSeconds);
    }
    setLimitCaption(LimitCaption(RecordingLimitFor(option(OptionGroup::Rate) == 1, option(OptionGroup::Qua) == 1)));
    loading_ = false;
    return true;
}

void SettingForm::RestoreDefaults() {
    selectDefaultOptions();
    for (int box = 0; box < kBoxCount; ++box) setText(box, BoxRangeOf(box).emptyText);
}

std::optional<RecorderSettings> SettingForm::ToSettings() const {
    std::array<int, kBoxCount> values{};
    for (int box = 0; box < kBoxCount; ++box) {
        const auto n = ConvertBoxText(texts_[box]);
        if (!n || *n < 0 || *n > 255) return std::nullopt;
        values[box] = *n;
    }
    RecorderSettings s;
    s.DangerLevel = values[kBoxDanger];
    s.ShockLevel = values[kBoxShock];
    s.SpeedPulse = option(OptionGroup::Speed);
    s.BuzzerVolume = values[kBoxBuzzer];
    s.ExternalSwitch = option(OptionGroup::ExSw) == 1;
    s.DriveInfoUnit = option(OptionGroup::Unit) == 1;
    s.Rate14fps = option(OptionGroup::Rate) == 1;
    s.QualityHigh = option(OptionGroup::Qua) == 1;
    s.PreSeconds = values[kBoxPre];
    s.PostSeconds = values[kBoxPost];
    s.ClockSet = false;
    return s;
}

}  // namespace drv

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "core/settings/setting_form.h"

namespace drv {
namespace {

struct Recorder : SettingFormObserver {
    std::vector<std::string> messages;
    void invalidInput() override { messages.push_back(kInvalidInputText); }
    void limitWarning(const std::string& text) override { messages.push_back(text); }
};

// All five boxes, e.g. "0 8 2 12 8".
std::string Boxes(const SettingForm& f) {
    std::string all;
    for (int box = 0; box < kBoxCount; ++box) all += (box ? " " : "") + f.text(box);
    return all;
}

class SettingsForm : public ::testing::Test {
protected:
    SettingsForm() : form_(&events_) {}
    void SetUp() override { ASSERT_TRUE(form_.Prepare(nullptr)); }
    // Arranges a case from the defaults; the warnings of these steps are not what the test looks at.
    void arrange(int rate, int quality, int pre, int post) {
        form_.RestoreDefaults();
        form_.selectOption(OptionGroup::Rate, rate);
        form_.selectOption(OptionGroup::Qua, quality);
        form_.setText(kBoxPre, std::to_string(pre));
        form_.setText(kBoxPost, std::to_string(post));
        events_.messages.clear();
    }
    // The two recording times, e.g. "12+8".
    std::string times() const { return form_.text(kBoxPre) + "+" + form_.text(kBoxPost); }
    Recorder events_;
    SettingForm form_;
};

TEST(SettingsConversion, RoundsHalfEvenWithin16Bits) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"12", 12},         {" 7 ", 7},      {"2.5", 2},    {"3.5", 4},   {"0.5", 0},
        {"-3", -3},         {"+4", 4},       {"16.", 16},   {".5", 0},    {"32767", 32767},
        {"-32768", -32768}, {"32767.5", {}}, {"32768", {}}, {".", {}},    {"", {}},
        {"1 2", {}},        {"1.2.3", {}},   {"abc", {}},   {"１２", {}}, {"99999999999999999999999", {}},
    };
    for (const auto& [text, value] : cases) {
        const auto got = ConvertBoxText(text);
        EXPECT_EQ(got ? std::optional<int>(*got) : std::nullopt, value) << text;
    }
}

// The window lets a key through only when it passes the filter; what lands then, or what is
// pasted, meets the change rule as the box's whole text.
TEST_F(SettingsForm, KeyFilterAndTheLoneFullStop) {
    for (char32_t key : {U'0', U'9', U'.', char32_t(8), char32_t(13)}) EXPECT_TRUE(KeyPassesFilter(key)) << int(key);
    for (char32_t key : {U'a', U'-', U' ', char32_t(22), U'１'}) EXPECT_FALSE(KeyPassesFilter(key)) << int(key);
    for (const char32_t* committed : {U"１２", U"1a", U"1 ", U"\b", U"\r"})
        EXPECT_FALSE(CommittedTextPassesFilter(committed));
    form_.editText(kBoxShock, ".", 1);
    EXPECT_EQ(form_.text(kBoxShock), "");
    EXPECT_EQ(events_.messages, std::vector<std::string>{"無効な入力です。"});
}

// From the defaults with frame rate, quality and times arranged, one box emptied and given a
// text (and, with `leave`, left): then all five boxes (danger, shock, buzzer, pre, post).
TEST_F(SettingsForm, ChangeLeaveAndPairRules) {
    struct Case {
        int rate, quality, pre, post, box;
        const char* text;
        bool leave;
        const char* boxes;
    };
    const Case cases[] = {
        // Change rules clamp into each box's range (pre only from above), a fraction stays as typed.
        {0, 0, 12, 8, kBoxShock, "99", false, "0 16 2 12 8"},
        {0, 0, 12, 8, kBoxShock, "0", false, "0 1 2 12 8"},
        {0, 0, 12, 8, kBoxShock, "7.5", false, "0 7.5 2 12 8"},
        {0, 0, 12, 8, kBoxDanger, "20", false, "15 8 2 12 8"},
        {0, 0, 12, 8, kBoxBuzzer, "9", false, "0 8 3 12 8"},
        {0, 0, 12, 8, kBoxPost, "3", false, "0 8 2 12 5"},
        {0, 0, 12, 8, kBoxPost, "11", false, "0 8 2 12 10"},
        {0, 0, 12, 8, kBoxPre, "16", false, "0 8 2 15 8"},
        {0, 0, 12, 8, kBoxPre, "1", false, "0 8 2 1 8"},
        {0, 0, 12, 8, kBoxPre, "-4", false, "0 8 2 5 8"},
        // Leave rules fill an empty box and raise a short time.
        {0, 0, 12, 8, kBoxBuzzer, "  ", true, "0 8 2 12 8"},
        {0, 0, 12, 8, kBoxPre, "", true, "0 8 2 12 8"},
        {0, 0, 12, 8, kBoxPost, "", true, "0 8 2 12 8"},
        {0, 0, 12, 8, kBoxShock, "1", true, "0 1 2 12 8"},
        {0, 0, 12, 8, kBoxPre, "1", true, "0 8 2 5 8"},
        {0, 0, 12, 8, kBoxPost, "1", true, "0 8 2 12 5"},
        // The pair rule against the limit (14fps High 12, 7fps High 24, 14fps Low 15): a time above
        // its T gives way itself, else its partner does; a time clamped up weighs again (nested).
        {1, 1, 5, 7, kBoxPre, "7", false, "0 8 2 7 5"},
        {1, 1, 7, 5, kBoxPre, "9", false, "0 8 2 7 5"},
        {0, 1, 12, 10, kBoxPre, "15", false, "0 8 2 15 9"},
        {1, 1, 5, 7, kBoxPre, "3", false, "0 8 2 5 7"},
        {1, 0, 6, 9, kBoxPre, "11", false, "0 8 2 6 9"},
        {1, 0, 6, 9, kBoxPost, "10", false, "0 8 2 5 10"},
    };
    for (const Case& c : cases) {
        arrange(c.rate, c.quality, c.pre, c.post);
        form_.editText(c.box, "", 0);
        form_.editText(c.box, c.text, std::string(c.text).size());
        if (c.leave) form_.leaveBox(c.box);
        EXPECT_EQ(Boxes(form_), c.boxes) << c.box << " '" << c.text << "'" << (c.leave ? " left" : "");
    }
    EXPECT_TRUE(events_.messages.empty());
    // A blank partner has nothing to weigh against: the box left is filled and kept, silently.
    arrange(1, 1, 7, 5);
    form_.editText(kBoxPre, "", 0);
    form_.editText(kBoxPost, "", 0);
    form_.leaveBox(kBoxPost);
    EXPECT_EQ(times(), "+8");
    form_.leaveBox(kBoxPre);  // now the pair is weighed: 12 is above T = 7, so pre gives way
    EXPECT_EQ(times(), "5+7");
    EXPECT_TRUE(events_.messages.empty());
}

TEST_F(SettingsForm, OptionClickSetsCaptionWarnsAndShortens) {
    // Options and times before, the click, then the caption, the limit warned of (0: none), the times.
    struct Case {
        int rate, quality, pre, post;
        OptionGroup clicked;
        int index;
        const char* caption;
        int warnedLimit;
        const char* after;
    };
    const Case cases[] = {
        {0, 0, 15, 10, OptionGroup::Qua, 1, "最大 ２４ 秒間", 24, "15+9"},
        {1, 0, 6, 9, OptionGroup::Qua, 1, "最大 １２ 秒間", 12, "6+6"},
        {0, 1, 12, 8, OptionGroup::Rate, 1, "最大 １２ 秒間", 12, "7+5"},
        {1, 1, 7, 5, OptionGroup::Qua, 0, "最大 １５ 秒間", 0, "7+5"},
        {0, 0, 15, 10, OptionGroup::Rate, 0, "最大 ２５ 秒間", 0, "15+10"},
        {1, 1, 7, 5, OptionGroup::Rate, 0, "最大 ２４ 秒間", 0, "7+5"},
    };
    for (const Case& c : cases) {
        arrange(c.rate, c.quality, c.pre, c.post);
        form_.selectOption(c.clicked, c.index);
        EXPECT_EQ(form_.limitCaption(), c.caption);
        std::vector<std::string> warnings;
        if (c.warnedLimit)
            warnings.push_back(
                "本設定変更により、記録時間の制限が発生しました。\n現在の設定にて、記録時間前後合計で最大" +
                std::to_string(c.warnedLimit) + "秒間記録できます。");
        EXPECT_EQ(events_.messages, warnings);
        EXPECT_EQ(times(), c.after);
    }
}

// Stored values land as typed ones: the change rule, then the leave rule of each box.
TEST(SettingsFormStored, StoredValuesAreBroughtWithinTheRules) {
    Recorder events;
    const SetupBytes five = {1, 2, 3, 4, 5};
    EXPECT_FALSE(SettingForm().Prepare(&five));
    // Byte 3: pulse and buzzer; byte 4: 0x02 external switch, 0x40 14fps, 0x80 High; byte 5: post << 4 | pre.
    const struct {
        SetupBytes stored;
        const char* boxes;
        const char* caption;
        int exSw, pulse;
    } cases[] = {
        // 12 + 8 at 14fps High: texts as shown raise no change
        {{0x07, 0, 0, 0x11, 0xC2, 0x8C}, "0 8 2 5 7", "最大 １２ 秒間", 1, 1},
        {{0x07, 0, 0, 0x18, 0x02, 0xF0}, "0 8 3 5 10", "最大 ２５ 秒間", 1, 1},  // buzzer 9, pre 0, post 15
        {{0x07, 0, 0, 0x5F, 0x40, 0x5A}, "0 8 0 10 5", "最大 １５ 秒間", 0, 5},  // pulse 5, buzzer 0
    };
    for (const auto& c : cases) {
        SettingForm form(&events);  // each opening starts afresh
        ASSERT_TRUE(form.Prepare(&c.stored));
        EXPECT_EQ(std::make_tuple(Boxes(form), form.limitCaption(), form.option(OptionGroup::ExSw),
                                  form.option(OptionGroup::Speed)),
                  std::make_tuple(c.boxes, c.caption, c.exSw, c.pulse));
    }
    // Every stored pair of times at every rate and quality opens within the ranges and the limit,
    // and a pair already within them opens unchanged.
    for (int flags : {0x02, 0x42, 0x82, 0xC2}) {
        for (int byte5 = 0; byte5 < 256; ++byte5) {
            const SetupBytes stored = {0x07, 0, 0, 0x11, std::uint8_t(flags), std::uint8_t(byte5)};
            SettingForm form(&events);
            ASSERT_TRUE(form.Prepare(&stored));
            const int pre = std::stoi(form.text(kBoxPre)), post = std::stoi(form.text(kBoxPost));
            const int limit = RecordingLimitFor(flags & 0x40, flags & 0x80);
            const int storedPre = byte5 & 15, storedPost = byte5 >> 4;
            EXPECT_TRUE(pre >= 5 && pre <= 15 && post >= 5 && post <= 10 && pre + post <= limit)
                << flags << " " << byte5;
            if (storedPre >= 5 && storedPre <= 15 && storedPost >= 5 && storedPost <= 10 &&
                storedPre + storedPost <= limit) {
                EXPECT_EQ(pre * 100 + post, storedPre * 100 + storedPost) << flags << " " << byte5;
            }
        }
    }
    EXPECT_TRUE(events.messages.empty());  // no warning while preparing
}

// Restoring runs the limit rule again and encodes as the default settings; an up-down arrow steps
// within the range, from the last position when the box holds no number; an empty box leaves
// nothing to encode.
TEST_F(SettingsForm, RestoreDefaultsUpDownAndToSettings) {
    arrange(1, 1, 7, 5);
    form_.setClockChecked(true);
    form_.RestoreDefaults();
    EXPECT_EQ(std::make_tuple(form_.limitCaption(), form_.clockChecked()), std::make_tuple("最大 ２５ 秒間", false));
    EXPECT_EQ(EncodeSetup(*form_.ToSettings()).bytes, EncodeSetup(RecorderSettings{}).bytes);
    form_.editText(kBoxShock, "16", 2);
    form_.stepUpDown(kBoxShock, +1);
    form_.editText(kBoxBuzzer, "", 0);
    form_.stepUpDown(kBoxBuzzer, -1);
    EXPECT_EQ(Boxes(form_), "0 16 1 12 8");
    form_.editText(kBoxDanger, "", 0);
    EXPECT_FALSE(form_.ToSettings());
}

}  // namespace
}  // namespace drv

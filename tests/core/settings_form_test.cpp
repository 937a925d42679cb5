#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/settings/setting_form.h"

namespace drv {
namespace {

// Records the messages and the order in which box texts change.
struct Recorder : SettingFormObserver {
    std::vector<std::string> messages;
    std::vector<int> boxChanges;
    void invalidInput() override { messages.push_back(kInvalidInputText); }
    void limitWarning(const std::string& text) override { messages.push_back(text); }
    void boxTextChanged(int box) override { boxChanges.push_back(box); }
};

class SettingsForm : public ::testing::Test {
protected:
    SettingsForm() : form_(&events_) {}
    void SetUp() override { ASSERT_TRUE(form_.Prepare(nullptr)); }
    void type(int box, const std::string& keys) {
        for (char c : keys) form_.typeKey(box, static_cast<unsigned char>(c));
    }
    // Arranges a case from the defaults; the warnings of these steps are not what the test looks at.
    void arrange(int rate, int quality, int pre, int post) {
        form_.RestoreDefaults();
        form_.selectOption(OptionGroup::Rate, rate);
        form_.selectOption(OptionGroup::Qua, quality);
        form_.setText(kBoxPre, std::to_string(pre));
        form_.setText(kBoxPost, std::to_string(post));
        events_.messages.clear();
        events_.boxChanges.clear();
    }
    std::string pre() const { return form_.text(kBoxPre); }
    std::string post() const { return form_.text(kBoxPost); }
    Recorder events_;
    SettingForm form_;
};

TEST(SettingsConversion, RoundsHalfEvenWithin16Bits) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"12", 12}, {" 7 ", 7}, {"2.5", 2}, {"3.5", 4}, {"7.5", 8}, {"0.5", 0}, {"1.5", 2}, {"-3", -3}, {"+4", 4},
        {"16.", 16}, {".5", 0}, {"32767", 32767}, {"-32768", -32768}, {"32767.5", {}}, {"32768", {}}, {".", {}},
        {"", {}}, {"1 2", {}}, {"1.2.3", {}}, {"abc", {}}, {"１２", {}}, {"99999999999999999999999", {}},
    };
    for (const auto& [text, value] : cases) {
        const auto got = ConvertBoxText(text);
        EXPECT_EQ(got ? std::optional<int>(*got) : std::nullopt, value) << text;
    }
}

TEST_F(SettingsForm, TypingIntoEmptiedBoxesAndTheLoneFullStop) {
    for (char32_t c = 0; c < 128; ++c)
        EXPECT_EQ(KeyPassesFilter(c), (c >= '0' && c <= '9') || c == '.' || c == 8 || c == 13) << int(c);
    EXPECT_FALSE(KeyPassesFilter(U'１'));
    EXPECT_TRUE(CommittedTextPassesFilter(U"12.5"));
    for (const char32_t* committed : {U"１２", U"1a", U"1 ", U"\b", U"\r"}) EXPECT_FALSE(CommittedTextPassesFilter(committed));
    form_.editText(kBoxPre, "", 0);
    type(kBoxPre, "12");
    EXPECT_EQ(pre(), "12");
    EXPECT_EQ(form_.caret(kBoxPre), 2u);
    EXPECT_TRUE(events_.messages.empty());
    type(kBoxShock, ".");  // after a digit the point is the start of a fraction
    EXPECT_EQ(form_.text(kBoxShock), "8.");
    form_.editText(kBoxShock, "", 0);
    type(kBoxShock, ".");
    EXPECT_EQ(form_.text(kBoxShock), "");
    EXPECT_EQ(events_.messages, std::vector<std::string>{"無効な入力です。"});
    form_.editText(kBoxDanger, "abc", 3);  // pasted text skips the key filter and meets the same conversion
    EXPECT_EQ(form_.text(kBoxDanger), "");
    EXPECT_FALSE(form_.typeKey(kBoxDanger, 'a'));
}

TEST_F(SettingsForm, ChangeAndLeaveRulesClampEachBox) {
    struct Case { int box; const char* text; const char* result; };
    const Case changed[] = {
        {kBoxShock, "99", "16"}, {kBoxShock, "0", "1"}, {kBoxShock, "7.5", "7.5"}, {kBoxDanger, "20", "15"},
        {kBoxDanger, "1", "1"},  {kBoxBuzzer, "9", "3"}, {kBoxBuzzer, "0", "0"},    {kBoxPost, "3", "5"},
        {kBoxPost, "11", "10"},  {kBoxPre, "16", "15"},  {kBoxPre, "1", "1"},       {kBoxPre, "-4", "5"},
    };
    for (const Case& c : changed) {
        form_.editText(c.box, "", 0);
        form_.editText(c.box, c.text, std::string(c.text).size());
        EXPECT_EQ(form_.text(c.box), c.result) << "changed " << c.box << " " << c.text;
    }
    EXPECT_TRUE(events_.messages.empty());
    form_.editText(kBoxShock, "7.5", 3);
    EXPECT_EQ(form_.ToSettings()->ShockLevel, 8);  // 7.5 counts as 8 when encoded
    const Case left[] = {
        {kBoxBuzzer, "", "2"}, {kBoxBuzzer, "  ", "2"}, {kBoxBuzzer, "0", "0"}, {kBoxPre, "1", "5"},
        {kBoxShock, "1", "1"}, {kBoxDanger, "", "0"},   {kBoxShock, "", "8"},   {kBoxPre, "", "12"},
        {kBoxPost, "", "8"},   {kBoxPost, "1", "5"},
    };
    for (const Case& c : left) {
        form_.RestoreDefaults();
        form_.setText(c.box, "");
        form_.editText(c.box, c.text, 0);
        form_.leaveBox(c.box);
        EXPECT_EQ(form_.text(c.box), c.result) << "left " << c.box << " '" << c.text << "'";
    }
}

TEST_F(SettingsForm, PairRuleFollowsTheSelectedLimit) {
    arrange(1, 1, 5, 7);  // 14fps High: limit 12
    form_.editText(kBoxPre, "7", 1);
    EXPECT_EQ(pre() + "+" + post(), "7+5");
    form_.editText(kBoxPre, "9", 1);
    EXPECT_EQ(pre() + "+" + post(), "7+5");
    arrange(0, 1, 12, 10);  // 7fps High: limit 24
    form_.editText(kBoxPre, "", 0);
    type(kBoxPre, "15");
    EXPECT_EQ(pre() + "+" + post(), "15+9");
    EXPECT_TRUE(events_.messages.empty());
    // A blank partner has nothing to weigh against: the box left is filled and kept, silently.
    arrange(1, 1, 7, 5);
    form_.editText(kBoxPre, "", 0);
    form_.editText(kBoxPost, "", 0);
    form_.leaveBox(kBoxPost);
    EXPECT_EQ(pre() + "+" + post(), "+8");
    form_.leaveBox(kBoxPre);  // now the pair is weighed: 12 is above T = 7, so pre gives way
    EXPECT_EQ(pre() + "+" + post(), "5+7");
    EXPECT_TRUE(events_.messages.empty());
}

TEST_F(SettingsForm, ReentrantChangesRunInsideTheEditedBoxRule) {
    arrange(1, 1, 5, 7);  // 12
    // 3 is below T but 12 - 3 leaves the partner alone; 3 clamps to 5, whose own (nested)
    // change rule weighs 5 against 7: 12 - 5 = 7 is not below 7.
    form_.editText(kBoxPre, "3", 1);
    EXPECT_EQ(pre() + "+" + post(), "5+7");
    EXPECT_EQ(events_.boxChanges, (std::vector<int>{kBoxPre}));
    arrange(1, 0, 6, 9);  // 14fps Low: pre 11 is above T = 10, so pre becomes 15 - post.
    form_.editText(kBoxPre, "11", 2);
    EXPECT_EQ(pre() + "+" + post(), "6+9");
    form_.editText(kBoxPost, "10", 2);  // T = 10 for post: pre gives way to 5
    EXPECT_EQ(pre() + "+" + post(), "5+10");
}

TEST_F(SettingsForm, OptionClickSetsCaptionWarnsAndShortens) {
    // Options and times before, the click, then the caption, the limit warned of (0: none), the times.
    struct Case { int rate, quality, pre, post; OptionGroup clicked; int index; const char* caption;
                  int warnedLimit; const char* after; };
    const Case cases[] = {
        {0, 0, 12, 8, OptionGroup::Rate, 1, "最大 １５ 秒間", 15, "10+5"},
        {0, 0, 15, 10, OptionGroup::Qua, 1, "最大 ２４ 秒間", 24, "15+9"},
        {1, 0, 6, 9, OptionGroup::Qua, 1, "最大 １２ 秒間", 12, "6+6"},
        {0, 1, 12, 8, OptionGroup::Rate, 1, "最大 １２ 秒間", 12, "7+5"},
        {1, 1, 7, 5, OptionGroup::Qua, 0, "最大 １５ 秒間", 0, "7+5"},
        {0, 0, 15, 10, OptionGroup::Rate, 0, "最大 ２５ 秒間", 0, "15+10"},
        {1, 1, 7, 5, OptionGroup::Rate, 0, "最大 ２４ 秒間", 0, "7+5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "from " << c.rate << c.quality << " to " << c.caption);
        arrange(c.rate, c.quality, c.pre, c.post);
        form_.selectOption(c.clicked, c.index);
        EXPECT_EQ(form_.limitCaption(), c.caption);
        std::vector<std::string> warnings;
        if (c.warnedLimit)
            warnings.push_back("本設定変更により、記録時間の制限が発生しました。\n現在の設定にて、記録時間前後合計で最大" +
                               std::to_string(c.warnedLimit) + "秒間記録できます。");
        EXPECT_EQ(events_.messages, warnings);
        EXPECT_EQ(pre() + "+" + post(), c.after);
    }
}

TEST(SettingsFormStored, StoredCopyIsAppliedInDecodingOrder) {
    RecorderSettings s;  // 14fps Low stored with 10 + 5
    s.Rate14fps = true, s.PreSeconds = 10, s.PostSeconds = 5, s.BuzzerVolume = 0, s.ExternalSwitch = false;
    s.SpeedPulse = 5;
    SetupBytes stored = EncodeSetup(s).bytes;
    Recorder events;
    SettingForm form(&events);
    ASSERT_TRUE(form.Prepare(&stored));
    EXPECT_EQ(form.limitCaption(), "最大 １５ 秒間");
    EXPECT_EQ(form.text(kBoxPre) + "+" + form.text(kBoxPost), "10+5");
    EXPECT_EQ(form.text(kBoxBuzzer), "0");
    EXPECT_EQ(form.option(OptionGroup::ExSw), 0);
    EXPECT_EQ(form.option(OptionGroup::Speed), 5);
    EXPECT_TRUE(events.messages.empty());  // no warning while preparing
    SetupBytes five = {1, 2, 3, 4, 5};
    EXPECT_FALSE(SettingForm().Prepare(&five));
}

// Stored values land as typed ones: the change rule, then the leave rule of each box.
TEST(SettingsFormStored, StoredValuesAreBroughtWithinTheRules) {
    auto boxes = [](const SettingForm& f) {
        std::string all;
        for (int box = 0; box < kBoxCount; ++box) all += (box ? " " : "") + f.text(box);
        return all;
    };
    // Byte 4: 0x40 14fps, 0x80 High; byte 5: post << 4 | pre.
    const std::pair<SetupBytes, const char*> cases[] = {
        {{0x07, 0, 0, 0x11, 0xC2, 0x8C}, "0 8 2 5 7"},   // 14fps High 12 + 8: texts as shown raise no change
        {{0x07, 0, 0, 0x11, 0xC2, 0xA1}, "0 8 2 5 7"},   // 14fps High, a stored pre 1
        {{0x07, 0, 0, 0x11, 0xC2, 0x15}, "0 8 2 5 5"},   // 14fps High, a stored post 1
        {{0x07, 0, 0, 0x18, 0x02, 0xF0}, "0 8 3 5 10"},  // buzzer 9, pre 0, post 15
    };
    Recorder events;
    for (const auto& [stored, expected] : cases) {
        SettingForm form(&events);  // each opening starts afresh
        ASSERT_TRUE(form.Prepare(&stored));
        EXPECT_EQ(boxes(form), expected) << int(stored[4]) << " " << int(stored[5]);
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
            SCOPED_TRACE(::testing::Message() << flags << " " << storedPre << "+" << storedPost);
            EXPECT_TRUE(pre >= 5 && pre <= 15 && post >= 5 && post <= 10 && pre + post <= limit);
            if (storedPre >= 5 && storedPre <= 15 && storedPost >= 5 && storedPost <= 10 &&
                storedPre + storedPost <= limit) {
                EXPECT_EQ(pre * 100 + post, storedPre * 100 + storedPost);
            }
        }
    }
    EXPECT_TRUE(events.messages.empty());
}

TEST_F(SettingsForm, RestoredDefaultsEncodeAsTheDefaultSettings) {
    arrange(1, 1, 7, 5);  // restoring runs the limit rule again
    form_.setClockChecked(true);
    form_.RestoreDefaults();
    EXPECT_EQ(form_.limitCaption(), "最大 ２５ 秒間");
    EXPECT_FALSE(form_.clockChecked());
    EXPECT_EQ(EncodeSetup(*form_.ToSettings()).bytes, EncodeSetup(RecorderSettings{}).bytes);
}

TEST_F(SettingsForm, UpDownStepsWithinRangeAndToSettingsNeedsNumbers) {
    form_.editText(kBoxShock, "16", 2);
    form_.stepUpDown(kBoxShock, +1);
    EXPECT_EQ(form_.text(kBoxShock), "16");
    form_.editText(kBoxBuzzer, "", 0);
    form_.stepUpDown(kBoxBuzzer, -1);  // no number: steps from the last position (2)
    EXPECT_EQ(form_.text(kBoxBuzzer), "1");
    form_.editText(kBoxDanger, "", 0);
    EXPECT_FALSE(form_.ToSettings());
}

}  // namespace
}  // namespace drv

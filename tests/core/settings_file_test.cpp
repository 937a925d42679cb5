#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "core/settings/setup_file.h"

namespace drv {
namespace {

SetupBytes hex(std::initializer_list<int> values) {
    SetupBytes b;
    for (int v : values) b.push_back(static_cast<std::uint8_t>(v));
    return b;
}

TEST(SettingsEncode, WorkedExamples) {
    RecorderSettings defaults;
    EXPECT_EQ(EncodeSetup(defaults).bytes, hex({0x07, 0, 0, 0x11, 0x02, 0x8C, 0, 0, 0, 0, 0, 0, 0, 0xA6}));

    RecorderSettings clock = defaults;
    clock.ClockSet = true;
    clock.Clock = {2007, 10, 10, 12, 34, 56};
    EXPECT_EQ(EncodeSetup(clock).bytes,
              hex({0x07, 0, 0, 0x11, 0x02, 0x8C, 0, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0x27}));

    // A clock that is not requested writes nothing, whatever the value holds.
    RecorderSettings unticked = clock;
    unticked.ClockSet = false;
    EXPECT_EQ(EncodeSetup(unticked).bytes, EncodeSetup(defaults).bytes);
}

struct ByteCase {
    const char* name;
    void (*change)(RecorderSettings&);
    std::size_t offset;
    int expected;
};

class SettingsEncodeByte : public ::testing::TestWithParam<ByteCase> {};

TEST_P(SettingsEncodeByte, LandsInItsBits) {
    RecorderSettings s;
    GetParam().change(s);
    const EncodeResult r = EncodeSetup(s);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.bytes.at(GetParam().offset), GetParam().expected);
    EXPECT_EQ(r.bytes[13], SetupChecksum(r.bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsEncodeByte,
    ::testing::Values(
        ByteCase{"DangerMaxShockMax", [](RecorderSettings& s) { s.DangerLevel = 15, s.ShockLevel = 16; }, 0, 0xFF},
        ByteCase{"DangerOffShockMin", [](RecorderSettings& s) { s.DangerLevel = 0, s.ShockLevel = 1; }, 0, 0x00},
        ByteCase{"AutoPulseLoudBuzzer", [](RecorderSettings& s) { s.SpeedPulse = 5, s.BuzzerVolume = 3; }, 3, 0x52},
        ByteCase{"NoPulseSelected", [](RecorderSettings& s) { s.SpeedPulse = -1, s.BuzzerVolume = 1; }, 3, 0x00},
        ByteCase{"BuzzerOffKeepsPulse", [](RecorderSettings& s) { s.SpeedPulse = 4, s.BuzzerVolume = 0; }, 3, 0x4F},
        ByteCase{"BuzzerOffPulseZero", [](RecorderSettings& s) { s.SpeedPulse = 0, s.BuzzerVolume = 0; }, 3, 0x0F},
        ByteCase{"AllFlags",
                 [](RecorderSettings& s) {
                     s.ExternalSwitch = s.DriveInfoUnit = s.Rate14fps = s.QualityHigh = true;
                 },
                 4, 0xC6},
        ByteCase{"NoFlags", [](RecorderSettings& s) { s.ExternalSwitch = false; }, 4, 0x00},
        ByteCase{"Times", [](RecorderSettings& s) { s.PreSeconds = 15, s.PostSeconds = 10; }, 5, 0xAF},
        ByteCase{"LastYear",
                 [](RecorderSettings& s) { s.ClockSet = true, s.Clock = {2255, 12, 31, 23, 59, 59}; }, 7, 255}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsEncode, ValuesThatCannotBeStoredFailWhole) {
    const std::vector<std::pair<const char*, void (*)(RecorderSettings&)>> cases = {
        {"year 2256", [](RecorderSettings& s) { s.ClockSet = true, s.Clock = {2256, 1, 1, 0, 0, 0}; }},
        {"year 1999", [](RecorderSettings& s) { s.ClockSet = true, s.Clock = {1999, 12, 31, 0, 0, 0}; }},
        {"danger 16", [](RecorderSettings& s) { s.DangerLevel = 16; }},
        {"shock 0", [](RecorderSettings& s) { s.ShockLevel = 0; }},
        {"shock 17", [](RecorderSettings& s) { s.ShockLevel = 17; }},
        {"pulse 8", [](RecorderSettings& s) { s.SpeedPulse = 8; }},
        {"buzzer -1", [](RecorderSettings& s) { s.BuzzerVolume = -1; }},
        {"pre 16", [](RecorderSettings& s) { s.PreSeconds = 16; }},
        {"post 16", [](RecorderSettings& s) { s.PostSeconds = 16; }},
    };
    for (const auto& [name, change] : cases) {
        RecorderSettings s;
        change(s);
        const EncodeResult r = EncodeSetup(s);
        EXPECT_FALSE(r.ok()) << name;
        EXPECT_TRUE(r.bytes.empty()) << name;
    }
}

TEST(SettingsDecode, FieldsAndOddBits) {
    auto s = DecodeSetup(hex({0x07, 0, 0, 0x11, 0x02, 0x8C}));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->DangerLevel, 0);
    EXPECT_EQ(s->ShockLevel, 8);
    EXPECT_EQ(s->SpeedPulse, 1);
    EXPECT_EQ(s->BuzzerVolume, 2);
    EXPECT_TRUE(s->ExternalSwitch);
    EXPECT_FALSE(s->DriveInfoUnit);
    EXPECT_EQ(s->PreSeconds, 12);
    EXPECT_EQ(s->PostSeconds, 8);

    // Pulse 7 falls back to index 0; nibble 0 is volume 1; bit 1 clear is "not connected";
    // the unused bits 0, 3, 4, 5 and the clock bytes are ignored.
    s = DecodeSetup(hex({0xF0, 0xAA, 0xAA, 0x70, 0xF9, 0x00, 0xAA, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0x00}));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->DangerLevel, 15);
    EXPECT_EQ(s->ShockLevel, 1);
    EXPECT_EQ(s->SpeedPulse, 0);
    EXPECT_EQ(s->BuzzerVolume, 1);
    EXPECT_FALSE(s->ExternalSwitch);
    EXPECT_FALSE(s->DriveInfoUnit);
    EXPECT_TRUE(s->Rate14fps);
    EXPECT_TRUE(s->QualityHigh);
    EXPECT_EQ(s->PreSeconds, 0);
    EXPECT_EQ(s->PostSeconds, 0);
    EXPECT_FALSE(s->ClockSet);

    EXPECT_FALSE(DecodeSetup(hex({1, 2, 3, 4, 5})));
    EXPECT_FALSE(DecodeSetup({}));
}

TEST(SettingsDecode, EveryStorableSettingRoundTrips) {
    for (int buzzer = 0; buzzer <= 3; ++buzzer)
        for (int pulse = 0; pulse <= 5; ++pulse) {
            RecorderSettings in;
            in.BuzzerVolume = buzzer;
            in.SpeedPulse = pulse;
            in.DangerLevel = pulse * 3;
            in.ShockLevel = 16 - buzzer;
            in.Rate14fps = buzzer & 1;
            in.QualityHigh = pulse & 1;
            in.DriveInfoUnit = true;
            in.PreSeconds = 5 + pulse;
            in.PostSeconds = 10 - buzzer;
            const auto out = DecodeSetup(EncodeSetup(in).bytes);
            ASSERT_TRUE(out);
            EXPECT_EQ(out->BuzzerVolume, buzzer);
            EXPECT_EQ(out->SpeedPulse, pulse);
            EXPECT_EQ(out->DangerLevel, in.DangerLevel);
            EXPECT_EQ(out->ShockLevel, in.ShockLevel);
            EXPECT_EQ(out->Rate14fps, in.Rate14fps);
            EXPECT_EQ(out->QualityHigh, in.QualityHigh);
            EXPECT_EQ(out->PreSeconds, in.PreSeconds);
            EXPECT_EQ(out->PostSeconds, in.PostSeconds);
        }
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("drv_settings_file_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    void put(const std::string& name, const SetupBytes& b) {
        std::ofstream(dir_ / name, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                           static_cast<std::streamsize>(b.size()));
    }
    SetupBytes slurp(const std::string& name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        return SetupBytes(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::path dir_;
};

TEST_F(SettingsFileTest, WriteCreatesAndKeepsLongerTail) {
    const SetupBytes bytes = EncodeSetup(RecorderSettings{}).bytes;
    ASSERT_TRUE(WriteSetupFile(dir_ / "new.dat", bytes).ok());
    EXPECT_EQ(slurp("new.dat"), bytes);

    SetupBytes twenty(20);
    for (std::size_t i = 0; i < twenty.size(); ++i) twenty[i] = static_cast<std::uint8_t>(0xE0 + i);
    put("long.dat", twenty);
    ASSERT_TRUE(WriteSetupFile(dir_ / "long.dat", bytes).ok());
    const SetupBytes after = slurp("long.dat");
    ASSERT_EQ(after.size(), 20u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), after.begin()));
    for (std::size_t i = 14; i < 20; ++i) EXPECT_EQ(after[i], 0xE0 + i);

    // Reading such a file uses only the leading bytes.
    SetupBytes read;
    ASSERT_EQ(ReadSetupFile(dir_, "long.dat", read), SetupReadStatus::Found);
    EXPECT_EQ(read.size(), 20u);
    EXPECT_EQ(DecodeSetup(read)->PreSeconds, 12);
}

TEST_F(SettingsFileTest, WriteFailuresAreReported) {
    const SetupBytes bytes = EncodeSetup(RecorderSettings{}).bytes;
    EXPECT_FALSE(WriteSetupFile(dir_ / "missing" / "setup.dat", bytes).ok());  // folders are not made
    std::filesystem::create_directory(dir_ / "adir");
    EXPECT_FALSE(WriteSetupFile(dir_ / "adir", bytes).ok());
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_FALSE(WriteSetupFile(dir_ / "ro.dat", bytes).ok());
    }
}

TEST_F(SettingsFileTest, ReadFindsOnlyOrdinaryFiles) {
    SetupBytes buffer = {9, 9};
    EXPECT_EQ(ReadSetupFile(dir_, "setup.dat", buffer), SetupReadStatus::Absent);
    std::filesystem::create_directory(dir_ / "setup.dat");
    EXPECT_EQ(ReadSetupFile(dir_, "setup.dat", buffer), SetupReadStatus::Absent);
    EXPECT_EQ(buffer, (SetupBytes{9, 9}));  // untouched when absent

    put("five.dat", hex({1, 2, 3, 4, 5}));
    ASSERT_EQ(ReadSetupFile(dir_, "five.dat", buffer), SetupReadStatus::Found);
    EXPECT_EQ(buffer.size(), 5u);
    put("empty.dat", {});
    ASSERT_EQ(ReadSetupFile(dir_, "empty.dat", buffer), SetupReadStatus::Found);
    EXPECT_TRUE(buffer.empty());
}

}  // namespace
}  // namespace drv

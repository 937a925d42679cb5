#include <gtest/gtest.h>
#include <tuple>

#include "core/settings/setup_file.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/write_faults.h"

namespace drv {
namespace {

namespace fs = std::filesystem;
using Change = void (*)(RecorderSettings&);

const SetupBytes kDefaultBytes = {0x07, 0, 0, 0x11, 0x02, 0x8C, 0, 0, 0, 0, 0, 0, 0, 0xA6};

auto fields(const RecorderSettings& s) {
    return std::make_tuple(s.DangerLevel, s.ShockLevel, s.SpeedPulse, s.BuzzerVolume, s.ExternalSwitch, s.DriveInfoUnit,
                           s.Rate14fps, s.QualityHigh, s.PreSeconds, s.PostSeconds, s.ClockSet);
}

TEST(SettingsEncode, EachValueLandsInItsBitsOrFailsWhole) {
    RecorderSettings clock;
    clock.ClockSet = true;
    clock.Clock = {2007, 10, 10, 12, 34, 56};
    EXPECT_EQ(EncodeSetup(RecorderSettings{}).bytes, kDefaultBytes);
    EXPECT_EQ(EncodeSetup(clock).bytes,
              (SetupBytes{0x07, 0, 0, 0x11, 0x02, 0x8C, 0, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0x27}));
    clock.ClockSet = false;  // a clock that is not requested writes nothing, whatever the value holds
    EXPECT_EQ(EncodeSetup(clock).bytes, kDefaultBytes);
    const int kFails = -1;
    const struct {
        const char* name;
        Change change;
        std::size_t offset;
        int expected;
    } cases[] = {
        {"danger max shock max", [](RecorderSettings& s) { s.DangerLevel = 15, s.ShockLevel = 16; }, 0, 0xFF},
        {"auto pulse loud buzzer", [](RecorderSettings& s) { s.SpeedPulse = 5, s.BuzzerVolume = 3; }, 3, 0x52},
        {"no pulse selected", [](RecorderSettings& s) { s.SpeedPulse = -1, s.BuzzerVolume = 1; }, 3, 0x00},
        {"buzzer off keeps pulse", [](RecorderSettings& s) { s.SpeedPulse = 4, s.BuzzerVolume = 0; }, 3, 0x4F},
        {"all flags",
         [](RecorderSettings& s) { s.ExternalSwitch = s.DriveInfoUnit = s.Rate14fps = s.QualityHigh = true; }, 4, 0xC6},
        {"times", [](RecorderSettings& s) { s.PreSeconds = 15, s.PostSeconds = 10; }, 5, 0xAF},
        {"last year", [](RecorderSettings& s) { s.ClockSet = true, s.Clock = {2255, 12, 31, 23, 59, 59}; }, 7, 255},
        {"year 2256", [](RecorderSettings& s) { s.ClockSet = true, s.Clock = {2256, 1, 1, 0, 0, 0}; }, 0, kFails},
        {"danger 16", [](RecorderSettings& s) { s.DangerLevel = 16; }, 0, kFails},
        {"shock 0", [](RecorderSettings& s) { s.ShockLevel = 0; }, 0, kFails},
        {"pulse 8", [](RecorderSettings& s) { s.SpeedPulse = 8; }, 0, kFails},
        {"buzzer -1", [](RecorderSettings& s) { s.BuzzerVolume = -1; }, 0, kFails},
        {"pre 16", [](RecorderSettings& s) { s.PreSeconds = 16; }, 0, kFails},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecorderSettings s;
        c.change(s);
        const EncodeResult r = EncodeSetup(s);
        if (c.expected == kFails) {
            EXPECT_TRUE(!r.ok() && r.bytes.empty());
            continue;
        }
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_EQ(r.bytes.at(c.offset), c.expected);
    }
}

TEST(SettingsDecode, FieldsOddBitsAndShortInput) {
    auto s = DecodeSetup({0x07, 0, 0, 0x11, 0x02, 0x8C});
    ASSERT_TRUE(s);
    EXPECT_EQ(fields(*s), fields(RecorderSettings{}));
    // Pulse 7 falls back to index 0; nibble 0 is volume 1; bit 1 clear is "not connected";
    // the unused bits 0, 3, 4, 5 and the clock bytes are ignored.
    s = DecodeSetup({0xF0, 0xAA, 0xAA, 0x70, 0xF9, 0x00, 0xAA, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0x00});
    ASSERT_TRUE(s);
    EXPECT_EQ(fields(*s), std::make_tuple(15, 1, 0, 1, false, false, true, true, 0, 0, false));
    EXPECT_FALSE(DecodeSetup({1, 2, 3, 4, 5}));
    EXPECT_FALSE(DecodeSetup({}));
}

// A longer file keeps its tail. A failed save never leaves an empty or short copy: the older file
// stays whole, its tail and mode included, with no temporary file beside it (a short copy would
// make every later opening of the settings window fail). The card's setup.dat has a fixed name,
// so a link there is refused and the file it names left alone; the program's own copy is written
// through a link.
TEST(SettingsFile, WriteKeepsTheTailAndTheOlderCopyAndRefusesOrFollowsLinks) {
    const test::TempFolder tmp;
    const fs::path& folder = tmp.path();
    const fs::path file = folder / "long.dat";
    SetupBytes twenty(20);
    for (std::size_t i = 0; i < twenty.size(); ++i) twenty[i] = static_cast<std::uint8_t>(0xE0 + i);
    test::WriteFile(file, twenty);
    ::chmod(file.c_str(), 0600);
    for (const std::size_t room : {0, 6, 16}) {  // no room, part of the record, the record but not the tail
        const ScopedWriteCalls full(test::DiskFullAfter(room));
        const Status status = WriteSetupFile(file, kDefaultBytes);
        EXPECT_EQ(status.errorNumber, ENOSPC) << room << " " << status.message;
    }
    EXPECT_EQ(test::ReadFile<SetupBytes>(file), twenty);
    EXPECT_EQ(test::Entries(folder), std::vector<std::string>{"long.dat"});
    ASSERT_TRUE(WriteSetupFile(file, kDefaultBytes));
    SetupBytes expected = kDefaultBytes;
    expected.insert(expected.end(), twenty.begin() + 14, twenty.end());
    EXPECT_EQ(test::ReadFile<SetupBytes>(file), expected);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    // Folders are not made; a folder or a file in the way; a disk that takes nothing.
    fs::create_directory(folder / "adir");
    for (const fs::path& bad : {folder / "missing" / "setup.dat", folder / "adir", file / "setup.dat",
                                fs::path(fs::is_character_file("/dev/full") ? "/dev/full" : "/")}) {
        EXPECT_FALSE(WriteSetupFile(bad, kDefaultBytes)) << bad;
    }
    test::WriteFile(folder / "elsewhere", {1, 2, 3});
    fs::create_symlink("elsewhere", folder / "setup.dat");
    EXPECT_FALSE(WriteSetupFile(folder / "setup.dat", kDefaultBytes, LinkPolicy::Refuse));
    EXPECT_EQ(test::ReadFile<SetupBytes>(folder / "elsewhere"), (SetupBytes{1, 2, 3}));
    ASSERT_TRUE(WriteSetupFile(folder / "setup.dat", kDefaultBytes));
    EXPECT_TRUE(fs::is_symlink(folder / "setup.dat"));
    EXPECT_EQ(test::ReadFile<SetupBytes>(folder / "elsewhere"), kDefaultBytes);
}

TEST(SettingsFile, ReadFindsOnlyOrdinaryFiles) {
    const test::TempFolder tmp;
    const fs::path& folder = tmp.path();
    SetupBytes buffer = {9, 9};
    fs::create_directory(folder / "setup.dat");
    EXPECT_EQ(ReadSetupFile(folder, "setup.dat", buffer), SetupReadStatus::Absent);
    EXPECT_EQ(ReadSetupFile(folder, "none.dat", buffer), SetupReadStatus::Absent);
    EXPECT_EQ(buffer, (SetupBytes{9, 9}));  // untouched when absent
    test::WriteFile(folder / "five.dat", {1, 2, 3, 4, 5});
    ASSERT_EQ(ReadSetupFile(folder, "five.dat", buffer), SetupReadStatus::Found);
    EXPECT_EQ(buffer, (SetupBytes{1, 2, 3, 4, 5}));
    // A pipe or a device is refused at once instead of waited on.
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    for (const fs::path& odd : {folder / "pipe", fs::path("/dev/zero"), folder}) {
        const Status read = ReadSetupBytes(odd, buffer);
        EXPECT_FALSE(read) << odd;
        EXPECT_NE(read.message.find(odd.string()), std::string::npos) << read.message;
    }
    EXPECT_EQ(buffer, (SetupBytes{1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace drv

// drtool setup, run as a user would.
#include <gtest/gtest.h>
#include <string>

#include "core/settings/setup_file.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

test::ShellRun RunSetup(const std::string& args, const std::filesystem::path& file) {
    return test::Shell(test::Tool() + " setup " + args + " " + test::Quote(file) + " 2>/dev/null");
}

TEST(SettingsTool, EncodeDecodeAndRefusals) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    const auto file = dir.path() / "setup.dat";
    ASSERT_EQ(RunSetup("encode --danger 15 --shock 16 --speed-pulse 5 --buzzer 0 --external-switch 0 --drive-unit 1 "
                       "--fps 14 --quality high --pre 7 --post 5 --clock 2007-10-10T12:34:56",
                       file)
                  .status,
              0);
    EXPECT_EQ(test::ReadFile<SetupBytes>(file),
              (SetupBytes{0xFF, 0, 0, 0x5F, 0xC4, 0x57, 0, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0xFA}));
    EXPECT_NE(RunSetup("decode", file).out.find("\"ClockRequest\": \"2007-10-10T12:34:56\""), std::string::npos);
    // A value that cannot be stored writes nothing; a short file is no setup.
    const auto bad = dir.path() / "bad.dat";
    EXPECT_EQ(RunSetup("encode --pre 16", bad).status, 1);
    EXPECT_FALSE(std::filesystem::exists(bad));
    test::WriteFile(bad, {0x07, 0, 0, 0x11, 0x02});
    EXPECT_EQ(RunSetup("decode", bad).status, 1);
}

}  // namespace
}  // namespace drv

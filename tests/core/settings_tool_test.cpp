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
    ASSERT_EQ(RunSetup("encode --clock 2007-10-10T12:34:56", file).status, 0);
    EXPECT_EQ(test::ReadFile<SetupBytes>(file),
              (SetupBytes{0x07, 0, 0, 0x11, 0x02, 0x8C, 0, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0x27}));
    const std::string all = "encode --danger 15 --shock 16 --speed-pulse 5 --buzzer 0 --external-switch 0 "
                            "--drive-unit 1 --fps 14 --quality high --pre 7 --post 5";
    ASSERT_EQ(RunSetup(all, file).status, 0);
    const test::ShellRun decoded = RunSetup("decode", file);
    ASSERT_EQ(decoded.status, 0);
    for (const char* expected :
         {"\"DangerLevel\": 15,", "\"ShockLevel\": 16,", "\"SpeedPulse\": 5,", "\"BuzzerVolume\": 0,",
          "\"ExternalSwitch\": false,", "\"DriveInfoUnit\": true,", "\"Rate14fps\": true,", "\"QualityHigh\": true,",
          "\"PreSeconds\": 7,", "\"PostSeconds\": 5,", "\"ClockRequest\": null,", "\"ChecksumValid\": true"})
        EXPECT_NE(decoded.out.find(expected), std::string::npos) << expected << "\n" << decoded.out;
    // Values that cannot be stored (1) or cannot be read (2) write nothing.
    const auto bad = dir.path() / "bad.dat";
    const std::pair<const char*, int> refused[] = {{"--clock 2256-01-01T00:00:00", 1}, {"--clock 2007-02-30T00:00:00", 2},
                                                   {"--fps 9", 2}, {"--pre 16", 1}};
    for (const auto& [args, status] : refused) EXPECT_EQ(RunSetup(std::string("encode ") + args, bad).status, status) << args;
    EXPECT_FALSE(std::filesystem::exists(bad));
    test::WriteFile(dir.path() / "short.dat", {0x07, 0, 0, 0x11, 0x02});
    EXPECT_EQ(RunSetup("decode", dir.path() / "short.dat").status, 1);
    EXPECT_EQ(RunSetup("decode", dir.path() / "none.dat").status, 1);
}

}  // namespace
}  // namespace drv

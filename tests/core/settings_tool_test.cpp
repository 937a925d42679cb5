// drtool setup, run as a user would.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/settings/setup_file.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status;
    std::string out;
};

ToolRun runTool(const std::string& args) {
    const char* tool = std::getenv("DRV_TOOL");
    if (!tool) return {-1, ""};
    const std::string command = std::string(tool) + " " + args + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {-1, ""};
    std::string out;
    char buffer[512];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int raw = ::pclose(pipe);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out};
}

class SettingsTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DRV_TOOL")) GTEST_SKIP() << "DRV_TOOL not set";
        dir_ = fs::temp_directory_path() / ("drv_settings_tool_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    SetupBytes slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return SetupBytes(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir_;
};

TEST_F(SettingsTool, EncodeThenDecode) {
    const fs::path out = dir_ / "setup.dat";
    ASSERT_EQ(runTool("setup encode --clock 2007-10-10T12:34:56 " + out.string()).status, 0);
    EXPECT_EQ(slurp(out), (SetupBytes{0x07, 0, 0, 0x11, 0x02, 0x8C, 0, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0x27}));

    ASSERT_EQ(runTool("setup encode --danger 15 --shock 16 --speed-pulse 5 --buzzer 0 --external-switch 0 "
                      "--drive-unit 1 --fps 14 --quality high --pre 7 --post 5 " + out.string())
                  .status,
              0);
    const ToolRun decoded = runTool("setup decode " + out.string());
    ASSERT_EQ(decoded.status, 0);
    for (const char* expected :
         {"\"DangerLevel\": 15,", "\"ShockLevel\": 16,", "\"SpeedPulse\": 5,", "\"BuzzerVolume\": 0,",
          "\"ExternalSwitch\": false,", "\"DriveInfoUnit\": true,", "\"Rate14fps\": true,", "\"QualityHigh\": true,",
          "\"PreSeconds\": 7,", "\"PostSeconds\": 5,", "\"ClockRequest\": null,", "\"ChecksumValid\": true"})
        EXPECT_NE(decoded.out.find(expected), std::string::npos) << expected << "\n" << decoded.out;
}

TEST_F(SettingsTool, RefusesWhatCannotBeStoredAndWritesNothing) {
    const fs::path out = dir_ / "bad.dat";
    EXPECT_EQ(runTool("setup encode --clock 2256-01-01T00:00:00 " + out.string()).status, 1);
    EXPECT_EQ(runTool("setup encode --clock 2007-02-30T00:00:00 " + out.string()).status, 2);
    EXPECT_EQ(runTool("setup encode --fps 9 " + out.string()).status, 2);
    EXPECT_EQ(runTool("setup encode --pre 16 " + out.string()).status, 1);
    EXPECT_FALSE(fs::exists(out));

    std::ofstream(dir_ / "short.dat", std::ios::binary).write("\x07\x00\x00\x11\x02", 5);
    EXPECT_EQ(runTool("setup decode " + (dir_ / "short.dat").string()).status, 1);
    EXPECT_EQ(runTool("setup decode " + (dir_ / "none.dat").string()).status, 1);
}

}  // namespace
}  // namespace drv

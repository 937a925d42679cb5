// drtool setup, run as a user would.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/settings/setup_file.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

class SettingsTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DRV_TOOL")) GTEST_SKIP() << "DRV_TOOL not set";
        dir_ = fs::temp_directory_path() / ("drv_settings_tool_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    // Runs "drtool setup ARGS FILE"; the exit status, and the standard output in *out.
    int run(const std::string& args, const fs::path& file, std::string* out = nullptr) {
        const std::string command = std::string(std::getenv("DRV_TOOL")) + " setup " + args + " " + file.string();
        FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
        if (!pipe) return -1;
        char buffer[512];
        while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            if (out) out->append(buffer, n);
        const int raw = ::pclose(pipe);
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    fs::path dir_;
};

TEST_F(SettingsTool, EncodeThenDecode) {
    const fs::path file = dir_ / "setup.dat";
    ASSERT_EQ(run("encode --clock 2007-10-10T12:34:56", file), 0);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(SetupBytes(std::istreambuf_iterator<char>(in), {}),
              (SetupBytes{0x07, 0, 0, 0x11, 0x02, 0x8C, 0, 0x07, 0x0A, 0x0A, 0x0C, 0x22, 0x38, 0x27}));

    ASSERT_EQ(run("encode --danger 15 --shock 16 --speed-pulse 5 --buzzer 0 --external-switch 0 --drive-unit 1 "
                  "--fps 14 --quality high --pre 7 --post 5",
                  file),
              0);
    std::string out;
    ASSERT_EQ(run("decode", file, &out), 0);
    for (const char* expected :
         {"\"DangerLevel\": 15,", "\"ShockLevel\": 16,", "\"SpeedPulse\": 5,", "\"BuzzerVolume\": 0,",
          "\"ExternalSwitch\": false,", "\"DriveInfoUnit\": true,", "\"Rate14fps\": true,", "\"QualityHigh\": true,",
          "\"PreSeconds\": 7,", "\"PostSeconds\": 5,", "\"ClockRequest\": null,", "\"ChecksumValid\": true"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
}

TEST_F(SettingsTool, RefusesWhatCannotBeStoredAndWritesNothing) {
    const fs::path bad = dir_ / "bad.dat";
    EXPECT_EQ(run("encode --clock 2256-01-01T00:00:00", bad), 1);
    EXPECT_EQ(run("encode --clock 2007-02-30T00:00:00", bad), 2);
    EXPECT_EQ(run("encode --fps 9", bad), 2);
    EXPECT_EQ(run("encode --pre 16", bad), 1);
    EXPECT_FALSE(fs::exists(bad));

    std::ofstream(dir_ / "short.dat", std::ios::binary).write("\x07\x00\x00\x11\x02", 5);
    EXPECT_EQ(run("decode", dir_ / "short.dat"), 1);
    EXPECT_EQ(run("decode", dir_ / "none.dat"), 1);
}

}  // namespace
}  // namespace drv

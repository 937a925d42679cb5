// MP4 export with the telemetry band against the ffmpeg command line encoding the same JPEG
// files with the same codec settings (libx264, preset, CRF, High profile, yuv420p, fast
// start), both timed in every iteration so that the shared machine's load falls on both
// sides of the ratio. The command a user runs, `drtool video --overlay`, as a whole process
// (start-up, reading the telemetry, decoding, drawing, encoding) against the ffmpeg process:
// budget 1.0 x. The library call alone is measured beside it. And the same command on a
// recording with two hostile frames against the recording without them.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/recording/recording_dump.h"
#include "draw/sample/sample_recording.h"
#include "core/video/video_export.h"
#include "bench/support/sample_rig.h"
#include "draw/video/video_frames.h"
#include "tests/core/support/hostile_pictures.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 200;  // about 14 seconds at 14 fps

drv::bench::SampleRig& rig() {
    static drv::bench::SampleRig r(kFrames);
    return r;
}

double seconds(Clock::time_point since) { return drv::bench::SecondsSince(since); }

// Processor time of this process (all its threads) or of its finished children.
double cpuSeconds(int who) {
    rusage use{};
    getrusage(who, &use);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(use.ru_utime) + s(use.ru_stime);
}

void BM_VideoExportVsFfmpeg(benchmark::State& state) {
    auto& r = rig();
    const bool ffmpeg = std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
    // The frames in playback order (the sample's names sort so), at the recording's rate.
    const std::string command =
        "ffmpeg -v error -y -framerate 14 -pattern_type glob -i '" + r.folder.string() +
        "/*.JPG' -c:v libx264 -preset " + drv::VideoSettings{}.preset + " -crf " + std::to_string(drv::kDefaultCrf) +
        " -profile:v high -pix_fmt yuv420p -movflags +faststart '" + r.out("cli.mp4").string() + "'";
    const drv::VideoExportRequest request{
        {1, kFrames}, true, drv::BrightnessMode::Standard, drv::kDefaultCrf, r.out("ours.mp4")};
    // Wall time is what a user waits; processor time says how much of the gap is work rather
    // than the other programs' turns on a busy machine.
    double ours = 0, theirs = 0, oursCpu = 0, theirsCpu = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        double cpu = cpuSeconds(RUSAGE_SELF);
        if (!drv::ExportVideo(r.recording, request, drv::QtVideoDrawing()).result.ok())
            state.SkipWithError("export failed");
        ours += seconds(start);
        oursCpu += cpuSeconds(RUSAGE_SELF) - cpu;
        if (!ffmpeg) continue;
        start = Clock::now();
        cpu = cpuSeconds(RUSAGE_CHILDREN);
        if (std::system(command.c_str()) != 0) state.SkipWithError("ffmpeg failed");
        theirs += seconds(start);
        theirsCpu += cpuSeconds(RUSAGE_CHILDREN) - cpu;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["s_ours"] = ours / n;
    state.counters["fps"] = kFrames * n / ours;
    state.counters["x_realtime"] = kFrames * n / ours / 14.0;
    if (ffmpeg) {
        state.counters["s_ffmpeg"] = theirs / n;
        state.counters["x_ffmpeg"] = ours / theirs;
        state.counters["x_ffmpeg_cpu"] = oursCpu / theirsCpu;
    } else {
        state.SetLabel("ffmpeg not installed: no comparison");
    }
}
BENCHMARK(BM_VideoExportVsFfmpeg)->Iterations(5)->Unit(benchmark::kSecond)->UseRealTime();

void BM_VideoToolVsFfmpeg(benchmark::State& state) {
    auto& r = rig();
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
        state.SkipWithError("ffmpeg not installed: no comparison");
        return;
    }
    const std::string ours = std::string("'") + DRV_TOOL_PATH + "' video '" + r.folder.string() + "' --overlay -o '" +
                             r.out("tool.mp4").string() + "'";
    const std::string theirs =
        "ffmpeg -v error -y -framerate 14 -pattern_type glob -i '" + r.folder.string() +
        "/*.JPG' -c:v libx264 -preset " + drv::VideoSettings{}.preset + " -crf " + std::to_string(drv::kDefaultCrf) +
        " -profile:v high -pix_fmt yuv420p -movflags +faststart '" + r.out("cli.mp4").string() + "'";
    double oursTime = 0, theirsTime = 0;
    for (auto _ : state) {
        // Alternating which goes first spreads any drift of the machine's load over both.
        for (int turn = 0; turn < 2; ++turn) {
            const bool first = (state.iterations() + static_cast<std::uint64_t>(turn)) % 2 == 0;
            const auto start = Clock::now();
            if (std::system((first ? ours : theirs).c_str()) != 0) state.SkipWithError("a command failed");
            (first ? oursTime : theirsTime) += seconds(start);
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["s_tool"] = oursTime / n;
    state.counters["s_ffmpeg"] = theirsTime / n;
    state.counters["x_ffmpeg"] = oursTime / theirsTime;
}
BENCHMARK(BM_VideoToolVsFfmpeg)->Iterations(6)->Unit(benchmark::kSecond)->UseRealTime();

// Runs drtool with `args` (stderr dropped) and waits for it alone: its wall time, exit status
// and peak resident size in MiB (the kernel's figure for that one child, not for all children
// this process ever waited for, which would include ffmpeg's).
struct ToolRun {
    double seconds = 0;
    int status = -1;
    double peakMiB = 0;
};

ToolRun runTool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string tool = DRV_TOOL_PATH;
    argv.push_back(tool.data());
    std::vector<std::string> copy = args;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ToolRun run;
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        rusage use{};
        int status = 0;
        if (wait4(pid, &status, 0, &use) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
        run.peakMiB = static_cast<double>(use.ru_maxrss) / 1024.0;  // KiB on Linux
    }
    run.seconds = seconds(start);
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// `drtool video --overlay` on the recording with frame 1 a progressive JPEG of 20,000 scans and
// frame 2 a 5700 x 5700 picture, against the same recording without them, alternating in one
// run: budget 1.5 x, and at most 150 MB peak resident size for the hostile run's process.
void BM_VideoToolHostileRecording(benchmark::State& state) {
    auto& r = rig();
    const std::filesystem::path hostile = r.out("hostile");
    std::filesystem::remove_all(hostile);
    std::filesystem::copy(r.folder, hostile);
    drv::SampleOptions o;
    o.frames = kFrames;
    drv::test::PlantPicture(hostile / drv::SampleFileName(o, 1), drv::test::ManyScansJpeg(20000));
    drv::test::PlantPicture(hostile / drv::SampleFileName(o, 2), drv::test::HugeJpeg(5700, 5700));
    auto args = [&](const std::filesystem::path& folder) {
        return std::vector<std::string>{"video", folder.string(), "--overlay", "-o", r.out("hostile.mp4").string()};
    };
    double plainTime = 0, hostileTime = 0, plainPeak = 0, hostilePeak = 0;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool bad = (state.iterations() + static_cast<std::uint64_t>(turn)) % 2 == 0;
            const ToolRun run = runTool(args(bad ? hostile : r.folder));
            if (run.status != 0) state.SkipWithError("drtool video failed");
            (bad ? hostileTime : plainTime) += run.seconds;
            double& peak = bad ? hostilePeak : plainPeak;
            peak = std::max(peak, run.peakMiB);
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["s_plain"] = plainTime / n;
    state.counters["s_hostile"] = hostileTime / n;
    state.counters["x_plain"] = hostileTime / plainTime;
    state.counters["MB_peak_hostile"] = hostilePeak * 1.048576;
    state.counters["MB_peak_plain"] = plainPeak * 1.048576;
}
BENCHMARK(BM_VideoToolHostileRecording)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

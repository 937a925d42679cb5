// The incident report and the evidence package of a full 441-frame recording.
// Report: the whole PDF (reading every frame for its sum, five frames decoded, the chart, the
// tables) against the budget of 2 s. Package: against its baseline in the same iteration,
// the video export with the band plus a plain copy of the frame files; budget 1.5 x.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/common/file_write.h"
#include "core/recording/recording_dump.h"
#include "core/report/report_content.h"
#include "draw/report/evidence_package.h"
#include "draw/report/report_pages.h"
#include "bench/support/sample_rig.h"
#include "gui/common/sample_recording.h"
#include "gui/video/video_export.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 441;

drv::bench::SampleRig& rig() {
    static drv::bench::SampleRig r(kFrames);
    return r;
}

double seconds(Clock::time_point since) { return drv::bench::SecondsSince(since); }

drv::VideoExportRequest videoRequest(const std::filesystem::path& target) {
    return {{1, kFrames}, true, drv::BrightnessMode::Standard, drv::kDefaultCrf, target};
}

void BM_Report441(benchmark::State& state) {
    auto& r = rig();
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        std::string error;
        const auto content = drv::BuildReportContent(r.recording, {});
        const auto pdf = content ? drv::ReportPdf(r.recording, *content, {}, error) : std::nullopt;
        if (!pdf || !drv::ReplaceFileContents(r.out("report.pdf"), std::string_view(pdf->constData(), pdf->size())))
            state.SkipWithError("report failed");
        total += seconds(start);
    }
    state.counters["s_report"] = total / static_cast<double>(state.iterations());
    state.counters["x_budget_2s"] = total / static_cast<double>(state.iterations()) / 2.0;
}
BENCHMARK(BM_Report441)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PackageVsVideoAndCopy(benchmark::State& state) {
    auto& r = rig();
    double ours = 0, baseline = 0;
    for (auto _ : state) {
        // The baseline: what a user would do by hand, the video export and a copy of the frames.
        auto start = Clock::now();
        if (!drv::ExportVideo(r.recording, videoRequest(r.out("video.mp4"))).result.ok())
            state.SkipWithError("export failed");
        const auto copy = r.out("copy");
        std::filesystem::remove_all(copy);
        std::filesystem::copy(r.folder, copy, std::filesystem::copy_options::recursive);
        baseline += seconds(start);

        start = Clock::now();
        drv::EvidenceRequest request;
        request.makeVideo = [&](const std::filesystem::path& mp4, const std::function<bool(double)>&, std::string&) {
            return drv::ExportVideo(r.recording, videoRequest(mp4)).result.ok();
        };
        if (!drv::WriteEvidencePackage(r.recording, request, r.out("evidence.zip")).ok())
            state.SkipWithError("package failed");
        ours += seconds(start);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["s_package"] = ours / n;
    state.counters["s_video_and_copy"] = baseline / n;
    state.counters["x_baseline"] = ours / baseline;
}
BENCHMARK(BM_PackageVsVideoAndCopy)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

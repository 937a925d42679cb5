#include "core/report/report_content.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <sys/stat.h>

#include "core/common/numbers.h"
#include "core/common/utf8.h"
#include "core/export/telemetry_export.h"
#include "core/common/sha256.h"
#include "core/viewer/panel_text.h"

namespace drv {

namespace {

// The panel's time per frame (ElapsedSeconds' step).
double secondsPerFrame(const RecordingState& state) { return state.HighFrameRate ? 0.073 : 0.145; }

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

const FrameRecord& recordOf(const Recording& recording, int frame) {
    return recording.frames.at(static_cast<std::size_t>(frame));
}

std::string speedOf(const Recording& recording, int frame) {
    const auto speed = ShownSpeed(recordOf(recording, frame), recording.state);
    return speed ? SpeedText(*speed) : kNoSpeedText;
}

std::string frameText(int frame) { return "フレーム " + std::to_string(frame); }

// "フレーム 212、+00.803秒" or "フレーム 212" without a trigger.
std::string whenText(const Recording& recording, int frame) {
    std::string text = frameText(frame);
    if (recording.triggerFrame()) text += "、" + SignedSecondsText(ElapsedSeconds(recording.state, frame));
    return text;
}

std::string degreesText(const FrameRecord& record) {
    if (!record.position.valid) return {};
    return FormatDegrees(record.position.latitude) + ", " + FormatDegrees(record.position.longitude);
}

std::string gText(float g) { return trimmed(AccelerationText(g)); }

std::vector<KeyFigure> keyFigures(const Recording& recording) {
    std::vector<KeyFigure> figures;
    const int n = recording.frameCount();
    const auto trigger = recording.triggerFrame();
    const RecordingState& state = recording.state;
    const bool hasSpeed = ShownSpeed(FrameRecord{}, state).has_value();

    figures.push_back({"トリガー時の速度", trigger ? speedOf(recording, *trigger) : "トリガーなし"});

    if (hasSpeed) {
        int top = 1;
        for (int i = 2; i <= n; ++i)
            if (*ShownSpeed(recordOf(recording, i), state) > *ShownSpeed(recordOf(recording, top), state)) top = i;
        figures.push_back({"最高速度", speedOf(recording, top) + "（" + whenText(recording, top) + "）"});
    } else {
        figures.push_back({"最高速度", kNoSpeedText});
    }

    if (trigger) {
        const int before = *trigger - static_cast<int>(std::lround(3.0 / secondsPerFrame(state)));
        figures.push_back(
            {"トリガー3秒前の速度", before >= 1 ? speedOf(recording, before) + "（" + whenText(recording, before) + "）"
                                                : "記録なし（記録開始より前）"});
    } else {
        figures.push_back({"トリガー3秒前の速度", "トリガーなし"});
    }

    // Peaks by magnitude; the first frame wins a tie.
    const auto peak = [&](float FrameRecord::*field) {
        int best = 1;
        for (int i = 2; i <= n; ++i)
            if (std::fabs(recordOf(recording, i).*field) > std::fabs(recordOf(recording, best).*field)) best = i;
        return best;
    };
    const int lon = peak(&FrameRecord::AccelLongitudinal);
    figures.push_back({"前後加速度の最大",
                       gText(recordOf(recording, lon).AccelLongitudinal) + "（" + whenText(recording, lon) + "）"});
    const int lat = peak(&FrameRecord::AccelLateral);
    figures.push_back(
        {"左右加速度の最大", gText(recordOf(recording, lat).AccelLateral) + "（" + whenText(recording, lat) + "）"});

    std::string brake;
    if (!state.VehicleSignalsPresent) {
        brake = "ブレーキ信号なし";
    } else if (!trigger) {
        brake = "トリガーなし";
    } else {
        // The braking in effect at the trigger counts from where it began (a time before the
        // trigger); otherwise the first frame with the brake on after it.
        int first = 0;
        if (recordOf(recording, *trigger).Brake) {
            first = *trigger;
            while (first > 1 && recordOf(recording, first - 1).Brake) --first;
        } else {
            for (int i = *trigger + 1; i <= n && first == 0; ++i)
                if (recordOf(recording, i).Brake) first = i;
        }
        brake = first ? SignedSecondsText(ElapsedSeconds(state, first)) + "（" + frameText(first) + "）"
                      : "トリガー後にブレーキ ＯＮ のフレームなし";
    }
    figures.push_back({"トリガーからブレーキ ＯＮ まで", brake});

    if (trigger) {
        const FrameRecord& at = recordOf(recording, *trigger);
        const PanelTexts texts = ComputePanelTexts(at, state, *trigger);
        const std::string degrees = degreesText(at);
        figures.push_back({"トリガー時の位置", degrees.empty()
                                                   ? "位置情報なし"
                                                   : texts.latitude + "　" + texts.longitude + "（" + degrees + "）"});
    } else {
        figures.push_back({"トリガー時の位置", "トリガーなし"});
    }
    return figures;
}

}  // namespace

std::string SignedSecondsText(float seconds) {
    const std::string digits = FormatNumber(std::fabs(seconds), "00.000");
    return (seconds < 0 && digits != "00.000" ? "-" : "+") + digits + "秒";
}

std::vector<int> ChooseReportFrames(const Recording& recording, const std::vector<double>& offsetsSeconds) {
    const int n = recording.frameCount();
    std::set<int> frames;
    if (n < 1) return {};
    if (const auto trigger = recording.triggerFrame()) {
        const double step = secondsPerFrame(recording.state);
        for (double s : offsetsSeconds) {
            if (!std::isfinite(s)) continue;
            const double moved = *trigger + std::round(s / step);
            frames.insert(static_cast<int>(std::clamp(moved, 1.0, double(n))));
        }
    } else {
        const std::size_t count = std::max<std::size_t>(offsetsSeconds.size(), 1);
        for (std::size_t i = 0; i < count; ++i)
            frames.insert(count == 1 ? 1 : 1 + static_cast<int>(std::lround(double(i) * (n - 1) / double(count - 1))));
    }
    return {frames.begin(), frames.end()};
}

std::optional<ReportContent> BuildReportContent(const Recording& recording, const ReportChoices& choices,
                                                const ReportProgress& progress) {
    ReportContent c;
    const int n = recording.frameCount();
    const RecordingState& state = recording.state;
    std::filesystem::path folder = recording.folder;
    if (!folder.has_filename()) folder = folder.parent_path();
    c.folderName = ToValidUtf8(folder.filename().native());
    c.triggerFrame = recording.triggerFrame();
    c.clockLabel = c.triggerFrame ? "トリガー時刻" : "記録開始時刻";
    c.clock = n >= 1 ? recordOf(recording, c.triggerFrame.value_or(1)).RecordedAt : "";
    c.triggerKind = c.triggerFrame && !state.TriggerKindCaption.empty() ? state.TriggerKindCaption
                    : c.triggerFrame                                    ? "トリガー"
                                                                        : "トリガーなし";
    c.frameRate = trimmed(FpsText(state.HighFrameRate, state.HighQuality));
    c.frameCount = n;
    c.note = ToValidUtf8(choices.note);
    if (n < 1) return c;

    for (int frame : ChooseReportFrames(recording, choices.offsetsSeconds)) {
        ReportFrame f;
        f.frame = frame;
        f.trigger = c.triggerFrame == frame;
        f.frameText = frameText(frame);
        f.clock = recordOf(recording, frame).RecordedAt;
        f.speed = speedOf(recording, frame);
        if (c.triggerFrame) f.passTime = PassTimeText(state, frame);
        c.frames.push_back(std::move(f));
    }
    c.figures = keyFigures(recording);

    for (int i = 1; i <= n; ++i) {
        const FrameRecord& r = recordOf(recording, i);
        const PanelTexts texts = ComputePanelTexts(r, state, i);
        ReportRow row;
        row.frame = i;
        row.fileName = ToValidUtf8(recording.fileNames[static_cast<std::size_t>(i)].native());
        row.clock = r.RecordedAt;
        row.speed = texts.speed;
        row.accelLongitudinal = gText(r.AccelLongitudinal);
        row.accelLateral = gText(r.AccelLateral);
        row.brake = state.VehicleSignalsPresent ? (r.Brake ? "ON" : "OFF") : "-";
        row.position = texts.latitude + " " + texts.longitude;
        c.rows.push_back(std::move(row));
    }

    for (int i = 1; i <= n; ++i) {
        ReportFile file;
        const auto path = recording.framePath(i);
        file.name = ToValidUtf8(recording.fileNames[static_cast<std::size_t>(i)].native());
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) file.size = static_cast<std::uintmax_t>(st.st_size);
        if (const Status read = Sha256OfFile(path, file.sha256); !read) file.error = read.message;
        c.files.push_back(std::move(file));
        if (progress && !progress(double(i) / n)) return std::nullopt;
    }
    return c;
}

}  // namespace drv

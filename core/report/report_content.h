#pragma once
// What an incident report says, as data: the heading, the frames shown on page 1 with their
// captions, the key figures, the frame table and the list of original files with their sums.
// The pages only lay this out, so the figures are tested here without a printer.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/recording/recording.h"

namespace drv {

// Seconds around the trigger of the frames on page 1.
inline const std::vector<double> kDefaultReportOffsets = {-2, -1, 0, 1, 2};

struct ReportChoices {
    std::vector<double> offsetsSeconds = kDefaultReportOffsets;
    std::string note;  // free text under the heading (UTF-8)
};

struct ReportFrame {
    int frame = 0;
    bool trigger = false;
    std::string frameText;  // "フレーム 187"
    std::string clock;      // the recorder clock as the frame carries it
    std::string speed;      // as the panel writes it ("52.3km/h", "----km/h")
    std::string passTime;   // as the panel writes it ("経過時間：　-01.971秒"); empty without a trigger
};

struct KeyFigure {
    std::string label;
    std::string value;
};

struct ReportRow {
    int frame = 0;
    std::string fileName;  // UTF-8 for showing (bytes that are not become U+FFFD)
    std::string clock;
    std::string speed;
    std::string accelLongitudinal;  // "-0.45 G"
    std::string accelLateral;
    std::string brake;     // "ON", "OFF", or "-" when the recording carries no brake signal
    std::string position;  // the panel's latitude and longitude texts
};

struct ReportFile {
    std::string name;  // UTF-8 for showing
    std::uintmax_t size = 0;
    std::string sha256;  // empty when the file could not be read
    std::string error;
};

struct ReportContent {
    std::string folderName;  // UTF-8 for showing
    std::string clockLabel;  // "トリガー時刻" or "記録開始時刻"
    std::string clock;
    std::string triggerKind;  // the trigger kind caption, or "トリガーなし"
    std::string frameRate;    // the panel's " 7fps / 低画質"
    int frameCount = 0;
    std::optional<int> triggerFrame;
    std::string note;
    std::vector<ReportFrame> frames;
    std::vector<KeyFigure> figures;
    std::vector<ReportRow> rows;
    std::vector<ReportFile> files;
};

// The frames for page 1: with a trigger, the trigger frame moved by each offset at the panel's
// time per frame (clamped to the recording); without one, frame 1 and frames evenly spaced to
// the last, as many as there are offsets. In ascending order, each once.
std::vector<int> ChooseReportFrames(const Recording& recording, const std::vector<double>& offsetsSeconds);

// Called with the share of the file sums done; returning false cancels (nothing is returned).
using ReportProgress = std::function<bool(double done)>;

std::optional<ReportContent> BuildReportContent(const Recording& recording, const ReportChoices& choices,
                                                const ReportProgress& progress = {});

// "+1.500秒" style time from the trigger for the key figures (the panel's "00.000" digits).
std::string SignedSecondsText(float seconds);

}  // namespace drv

#pragma once
// Listing, ordering and loading the frames of a recording folder.
#include <filesystem>
#include <functional>

#include "core/exif/exif_reader.h"
#include "core/recording/recording.h"

namespace drv {

// Frame indexes and counts are 16-bit: a recording keeps at most this many frames.
inline constexpr std::size_t kMaxFrames = 32767;

// Names of the ordinary files in `folder` ending in ".jpg" in any letter case, hidden ones
// excepted (IsHiddenName), in natural order (byte order, but runs of digits by their value:
// IMG_2 before IMG_10; zero-padded names keep their byte order), as a FileNameList (entry 0
// empty), all of them. Upper bound 0: none (also when the folder cannot be read). Symbolic links to
// files count as files.
FileNameList ListJpgFiles(const std::filesystem::path& folder);

// Rotates entries 1..N so that the list starts at the first file whose modification
// time (whole seconds) is strictly earlier than that of entry 1. A file that vanished or
// cannot be examined keeps its place and never marks the start; when entry 1 is such a
// file, the first file with a known time takes its role. Then keeps the first `maxFrames`
// entries: an over-long recording keeps its oldest frames.
void OrderFilesByTime(const std::filesystem::path& folder, FileNameList& names, std::size_t maxFrames = kMaxFrames);

// One frame of a load, in list order: its fields, the trigger rule and its chart samples.
void LoadFrame(const ExifTags& tags, FrameRecord& record, int index, RecordingState& state);

// Called with the percentage (0..100) before each frame is read.
using LoadProgress = std::function<void(int percent)>;
// Asked before each frame is read; true stops the load there (the tables are then incomplete).
using LoadCancelled = std::function<bool()>;

// Reads the telemetry of every frame: re-creates `frames` with N + 1 entries, puts `state`
// back to its start-up values (all but the graph samples), decodes in list order. A file
// that cannot be read decodes to the placeholders; every frame is decoded, and frames past
// 441 get no graph samples.
void LoadAllFrames(const std::filesystem::path& folder, const FileNameList& names, FrameTable& frames,
                   RecordingState& state, const LoadProgress& progress = {}, const LoadCancelled& cancelled = {});

}  // namespace drv

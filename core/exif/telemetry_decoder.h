#pragma once
// Turns a frame's Exif texts into its FrameRecord, graph samples and the recording flags.
#include <string>
#include <string_view>

#include "core/exif/exif_reader.h"
#include "core/recording/frame_record.h"

namespace drv {

// Trigger-kind captions, as the window shows them.
inline constexpr std::string_view kCaptionExternalSwitch = "外部スイッチ";
inline constexpr std::string_view kCaptionShock = "衝撃検出撮影";
inline constexpr std::string_view kCaptionPowerCut = "常時電源切断";

// No-position text of the latitude and longitude fields (before padding to 13).
inline constexpr std::string_view kNoPosition = "----度--分--秒-";

// Decodes the texts of frame `index` (1-based, in playback order) into `record`, stores
// its graph samples when index is 1..441, and on the first frame of a load that carries
// a trigger mark sets TriggerFound, TriggerPosition and the recording flags.
void DecodeFrameTelemetry(const ExifTags& tags, FrameRecord& record, int index, RecordingState& state);

// "2007:10:10 04:18:59" -> "2007/10/10 04:18:59"; the century is always 20 and an empty
// text gives "2000/00/00 00:00:00". Always 19 characters.
std::string ExifDateToDisplay(std::string_view text);

// Byte k of the UserComment status block (UserComment value byte 20 + k); 0 where the
// comment does not reach.
int UserCommentBlockByte(std::string_view userCommentHex, int k);

}  // namespace drv

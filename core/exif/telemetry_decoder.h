#pragma once
// Turns a frame's Exif texts into its FrameRecord and its status bits. Fields only: the
// trigger frame (core/recording/trigger_rule.h) and the chart's samples
// (core/graphs/graph_samples.h) are rules of their own over what this decodes.
#include <string>
#include <string_view>

#include "core/exif/exif_reader.h"
#include "core/recording/frame_record.h"

namespace drv {

// No-position text of the latitude and longitude fields (before padding to 13).
inline constexpr std::string_view kNoPosition = "----度--分--秒-";

// The MakerNote fields and the Exif date-times of one frame, with the accelerations' signs
// from the status block. Every field of `record` is written.
void DecodeFrameTelemetry(const ExifTags& tags, FrameRecord& record);

// The frame's status bits; all false where the UserComment does not reach.
FrameStatus DecodeFrameStatus(const ExifTags& tags);

// "2007:10:10 04:18:59" -> "2007/10/10 04:18:59"; the century is always 20 and an empty
// text gives "2000/00/00 00:00:00". Always 19 characters.
std::string ExifDateToDisplay(std::string_view text);

// Byte k of the UserComment status block; 0 where the comment does not reach.
int UserCommentBlockByte(std::string_view userCommentHex, int k);

}  // namespace drv

// libFuzzer target: any bytes as a frame file, through the reader and the decoder.
// Built by scripts/fuzz, not by the normal build.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/exif/telemetry_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    drv::RecordingState state;
    drv::FrameRecord record;
    const drv::ExifTags tags = drv::ReadExifTagsFromMemory(data, size);
    // Frame indexes at both ends of the sample table and past it.
    for (int index : {1, 441, 442}) drv::DecodeFrameTelemetry(tags, record, index, state);

    // The decoder on its own, with texts the reader would never produce.
    drv::ExifTags raw;
    const std::size_t half = size / 2;
    raw.MakerNoteText.assign(reinterpret_cast<const char*>(data), half);
    raw.UserCommentHex.assign(reinterpret_cast<const char*>(data) + half, size - half);
    raw.DateTimeText = raw.MakerNoteText;
    drv::DecodeFrameTelemetry(raw, record, size % 2 ? 3 : 32767, state);
    return 0;
}

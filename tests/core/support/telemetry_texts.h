#pragma once
// Exif texts as the reader leaves them, for the decoder's and the load rules' tests.
#include <array>
#include <cstdint>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/exif/recorder_layout.h"

namespace drv::test {

// The worked example (decoded whole in the dump's tests): 52.3 km/h, pulse 0, brake,
// 0.25 / 0.12 / 0.98 G, 2007-10-10 04:18:59, N 035 40 41 2, E 139 45 06 7.
inline const std::string kExampleNote = "052300001025012098071010041859N03540412E13945067";

// The UserComment: unused bytes, then the recorder's block.
struct Block {
    std::array<std::uint8_t, kUserCommentSize> bytes{};
    Block& set(int k, std::uint8_t v) {
        bytes[kStatusBlockOffset + static_cast<std::size_t>(k)] = v;
        return *this;
    }
    std::string hex() const {
        std::string s;
        for (std::uint8_t b : bytes) s += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
        return s;
    }
};

inline ExifTags Tags(std::string note, const Block& block = {}) {
    ExifTags t;
    t.MakerNoteText = std::move(note);
    t.UserCommentHex = block.hex();
    t.DateTimeOriginalText = "2007:10:10 04:18:59";
    t.DateTimeDigitizedText = "2007:10:10 04:19:00";
    t.DateTimeText = "2008:01:02 03:04:05";
    return t;
}

}  // namespace drv::test

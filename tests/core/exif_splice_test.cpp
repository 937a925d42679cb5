#include <gtest/gtest.h>
#include <sys/stat.h>
#include <filesystem>
#include <tuple>

#include "core/exif/exif_reader.h"
#include "core/exif/exif_splice.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What an encoder writes: SOI, a JFIF APP0, then the picture's segments.
const Bytes kEncoded = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F', 0xFF, 0xDB, 0x00, 0x02, 0xFF, 0xD9};

TEST(ExifSplice, MovesTheSegmentAndTheTelemetryWithIt) {
    for (const bool bigEndian : {false, true}) {
        const Bytes frame = test::FrameBytes(test::ExampleExif(bigEndian));
        const Bytes segment = ExifSegmentAfterSoi(frame.data(), frame.size());
        EXPECT_EQ(segment, Bytes(frame.begin() + 2, frame.begin() + 2 + static_cast<std::ptrdiff_t>(segment.size())));
        const ExifTags a = test::ReadTagsOf(frame);
        ASSERT_EQ(a.MakerNoteText.size(), 48u);
        // An Exif segment already in the target is replaced, not doubled.
        for (const Bytes& target : {kEncoded, SpliceExifSegment(kEncoded.data(), kEncoded.size(), segment)}) {
            const Bytes out = SpliceExifSegment(target.data(), target.size(), segment);
            ASSERT_EQ(out.size(), 2 + segment.size() + 6);
            EXPECT_TRUE(std::equal(kEncoded.end() - 6, kEncoded.end(), out.end() - 6));
            const ExifTags b = test::ReadTagsOf(out);
            EXPECT_EQ(std::tie(b.MakerNoteText, b.UserCommentHex, b.DateTimeText),
                      std::tie(a.MakerNoteText, a.UserCommentHex, a.DateTimeText));
        }
    }
}

TEST(ExifSplice, RefusesDamagedInputWithoutReadingPastIt) {
    const Bytes frame = test::FrameBytes(test::ExampleExif());
    const Bytes segment = ExifSegmentAfterSoi(frame.data(), frame.size());
    // Every cut of the frame inside its segment gives nothing rather than a short segment.
    for (std::size_t n = 0; n < 2 + segment.size(); ++n) {
        const Bytes cut(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_TRUE(ExifSegmentAfterSoi(cut.data(), cut.size()).empty()) << n;
    }
    auto patched = [](Bytes b, std::size_t at, std::uint8_t v) { return b[at] = v, b; };
    for (const Bytes& bad :
         {patched(frame, 0, 0), patched(frame, 3, 0xE2), patched(frame, 6, 'e'), patched(patched(frame, 4, 0), 5, 1)}) {
        EXPECT_TRUE(ExifSegmentAfterSoi(bad.data(), bad.size()).empty());
    }
    EXPECT_TRUE(ExifSegmentAfterSoi(nullptr, 0).empty());
    EXPECT_TRUE(ReadExifSegment("/nonexistent/f.jpg").empty());
    // Each target and segment in buffers of their own length, so that an overread shows.
    Bytes longer = segment;
    longer.push_back(0);
    const std::pair<Bytes, Bytes> refused[] = {
        {kEncoded, {}},
        {kEncoded, longer},
        {kEncoded, patched(segment, 1, 0xE0)},
        {Bytes(kEncoded.begin() + 2, kEncoded.end()), segment},  // no SOI
        {patched(kEncoded, 5, 0x40), segment},                   // the APP0 runs past the end
        {Bytes(kEncoded.begin(), kEncoded.begin() + 5), segment},
    };
    for (const auto& [target, seg] : refused) EXPECT_TRUE(SpliceExifSegment(target.data(), target.size(), seg).empty());
}

}  // namespace
}  // namespace drv

#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <tuple>

#include "core/exif/exif_reader.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

using test::ExampleExif;
using test::FrameBytes;
using test::ReadTagsOf;

// A good frame to damage: its bytes, layout and byte order.
struct Frame {
    std::vector<std::uint8_t> b;
    ExifLayout l;
    bool be;
    off_t fileSize = 0;  // larger than the bytes: the file goes on, sparse, to this size
    explicit Frame(bool bigEndian) : be(bigEndian) { b = FrameBytes(ExampleExif(be), &l); }
    // Numbers in the frame's byte order at a file offset.
    void put(std::size_t at, std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i)
            b.at(at + static_cast<std::size_t>(be ? size - 1 - i : i)) = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void put16(std::size_t at, std::uint16_t v) { put(at, v, 2); }
    void put32(std::size_t at, std::uint32_t v) { put(at, v, 4); }
    std::size_t tiff(std::uint32_t offset) const { return ExifLayout::kTiffBase + offset; }
    // The end of the file (past the segment, after the picture), from the TIFF base.
    std::uint32_t end() const { return static_cast<std::uint32_t>(b.size() - ExifLayout::kTiffBase); }
    // File offset of the Exif segment's end: 4 + its big-endian length.
    std::size_t segmentEnd() const { return 4 + (std::size_t{b[4]} << 8 | b[5]); }
    // Moves the UserComment, its bytes 0x5A, to `at` from the TIFF base, at the end of the file.
    void moveUserCommentTo(std::size_t at) {
        b.resize(ExifLayout::kTiffBase + at + kUserCommentSize, 0x5A);
        put32(l.exifEntry(3) + 8, static_cast<std::uint32_t>(at));
    }
    // Appends bytes to the Exif segment, whose length grows with them; their offset from
    // the TIFF base.
    std::uint32_t grow(const std::vector<std::uint8_t>& more) {
        const std::size_t at = segmentEnd();
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), more.begin(), more.end());
        const std::size_t length = at - 4 + more.size();
        b[4] = static_cast<std::uint8_t>(length >> 8), b[5] = static_cast<std::uint8_t>(length);
        return static_cast<std::uint32_t>(at - ExifLayout::kTiffBase);
    }
};

// Five empty texts; or the DateTime of IFD0 alone, nothing from the Exif IFD.
void ExpectAllEmpty(const ExifTags& t) {
    EXPECT_EQ(t.MakerNoteText + t.UserCommentHex + t.DateTimeOriginalText + t.DateTimeDigitizedText + t.DateTimeText,
              "");
}
// The example frame's texts, whole.
void ExpectWhole(const ExifTags& t) {
    EXPECT_EQ(t.MakerNoteText.size(), kMakerNoteLength);
    EXPECT_EQ(t.UserCommentHex.size(), 2 * kUserCommentSize);
    EXPECT_EQ(t.DateTimeText, "2008:01:02 03:04:05");
}
void OnlyIfd0Text(ExifTags t) {
    EXPECT_EQ(t.DateTimeText, "2008:01:02 03:04:05");
    t.DateTimeText.clear();
    ExpectAllEmpty(t);
}

// A damaged, foreign or hostile file: how to damage a good frame, and what the reader must give.
// Whatever a file claims, the reader reads and holds no more than 64 KiB past the TIFF header.
struct BadInput {
    const char* name;
    std::function<void(Frame&)> damage;
    ExifStatus status = ExifStatus::Damaged;
    std::function<void(const ExifTags&)> check = ExpectAllEmpty;
    std::size_t decodedBytes = 0;  // the value bytes decoded, where the row counts them
};

const BadInput kBadInputs[] = {
    {"EmptyFile", [](Frame& f) { f.b.clear(); }, ExifStatus::NoExif},
    // The length field is not what bounds the reads: one that understates the segment (even
    // one too short for the TIFF header) leaves the telemetry readable.
    {"LengthFieldTooShortForTheTiffHeader", [](Frame& f) { f.b[4] = 0, f.b[5] = 8; }, ExifStatus::Ok, ExpectWhole},
    {"LengthFieldZero", [](Frame& f) { f.b[4] = 0, f.b[5] = 0; }, ExifStatus::Ok, ExpectWhole},
    // The UserComment's last byte one past the window, then the last in it.
    {"ExifDataPast64KiBAfterTheTiffHeader", [](Frame& f) { f.moveUserCommentTo(0x10000 - kUserCommentSize + 1); }},
    {"ExifDataEndingAt64KiBAfterTheTiffHeader", [](Frame& f) { f.moveUserCommentTo(0x10000 - kUserCommentSize); },
     ExifStatus::Ok,
     [](const ExifTags& t) {
         std::string hex;
         for (std::size_t k = 0; k < kUserCommentSize; ++k) hex += "5A";
         EXPECT_EQ(t.UserCommentHex, hex);
     }},
    {"Ifd0OffsetPastTheEnd", [](Frame& f) { f.put32(16, static_cast<std::uint32_t>(f.b.size())); }},
    {"Ifd0OffsetNear2To32", [](Frame& f) { f.put32(16, 0xFFFFFFF8u); }},
    {"Ifd0Count7FFF", [](Frame& f) { f.put16(f.tiff(f.l.ifd0), 0x7FFF); }},
    // 0x8000 and up are negative as signed 16-bit numbers: an IFD without entries.
    {"Ifd0Count8000", [](Frame& f) { f.put16(f.tiff(f.l.ifd0), 0x8000); }, ExifStatus::Ok},
    {"ExifIfdCount8000KeepsTheIfd0Text", [](Frame& f) { f.put16(f.tiff(f.l.exifIfd), 0x8000); }, ExifStatus::Ok,
     OnlyIfd0Text},
    {"ExifIfdCount7FFF", [](Frame& f) { f.put16(f.tiff(f.l.exifIfd), 0x7FFF); }},
    {"ExifIfdCountFFFFKeepsTheIfd0Text", [](Frame& f) { f.put16(f.tiff(f.l.exifIfd), 0xFFFF); }, ExifStatus::Ok,
     OnlyIfd0Text},
    {"ExifIfdPointerPastTheEnd",
     [](Frame& f) { f.put32(f.l.ifd0Entry(1) + 8, static_cast<std::uint32_t>(f.b.size())); }},
    {"DateTimeOffsetPastTheEnd", [](Frame& f) { f.put32(f.l.ifd0Entry(0) + 8, f.end()); }},
    {"MakerNotePastTheFileEnd", [](Frame& f) { f.put32(f.l.exifEntry(2) + 8, f.end()); }},
    {"MakerNoteOffsetNear2To32", [](Frame& f) { f.put32(f.l.exifEntry(2) + 8, 0xFFFFFFFFu); }},
    {"UserCommentOffsetNear2To32", [](Frame& f) { f.put32(f.l.exifEntry(3) + 8, 0xFFFFFFF4u); }},
    {"UserCommentCountFFFFFFFF", [](Frame& f) { f.put32(f.l.exifEntry(3) + 4, 0xFFFFFFFFu); }},
    {"UserCommentRunsPastTheFileEnd", [](Frame& f) { f.put32(f.l.exifEntry(3) + 4, f.end() - f.l.userComment + 1); }},
    {"UserCommentCountZero", [](Frame& f) { f.put32(f.l.exifEntry(3) + 4, 0); }, ExifStatus::Ok,
     [](const ExifTags& t) { EXPECT_TRUE(t.UserCommentHex.empty() && t.MakerNoteText.size() == 48u); }},
    {"UserCommentCount74", [](Frame& f) { f.put32(f.l.exifEntry(3) + 4, 74); }, ExifStatus::Ok,
     [](const ExifTags& t) { EXPECT_TRUE(t.UserCommentHex.size() == 148u && t.MakerNoteText.size() == 48u); }},
    {"MakerNoteWithoutZeroRunsToTheFileEnd",
     [](Frame& f) {
         f.put32(f.l.exifEntry(2) + 8, f.end());
         f.b.insert(f.b.end(), {'T', 'A', '\n', 'I', 'L'});
     },
     ExifStatus::Ok,  // a line feed becomes a blank in place
     [](const ExifTags& t) { EXPECT_TRUE(t.MakerNoteText == "TA IL" && t.DateTimeText == "2008:01:02 03:04:05"); }},
    {"LongMakerNoteIsCapped",
     [](Frame& f) { f.put32(f.l.exifEntry(2) + 8, f.grow(std::vector<std::uint8_t>(60000, 'X'))); }, ExifStatus::Ok,
     [](const ExifTags& t) { EXPECT_EQ(t.MakerNoteText, std::string(kMaxNulTextBytes, 'X')); }},
    {"SecondDateTimeOriginalWins", [](Frame& f) { f.put16(f.l.exifEntry(1), 0x9003); }, ExifStatus::Ok,
     [](const ExifTags& t) {
         EXPECT_TRUE(t.DateTimeOriginalText == "2007:10:10 04:19:00" && t.DateTimeDigitizedText == "");
     }},
    {"NoExifIfdPointer", [](Frame& f) { f.put16(f.l.ifd0Entry(1), 0x1234); }, ExifStatus::Ok, OnlyIfd0Text},
    {"JfifFile",
     [](Frame& f) {
         f.b.insert(f.b.begin() + 2, {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
     },
     ExifStatus::NoExif},
    // A 3 GB file whose MakerNote lies 3 GB in, far past the 64 KiB the reader looks at.
    {"MakerNote3GBIn",
     [](Frame& f) {
         f.put32(f.l.exifEntry(2) + 8, 3'000'000'000u);
         f.b[4] = f.b[5] = 0xFF;
         f.fileSize = 3'000'000'100;
     }},
    // 32767 UserComment entries of 64 KiB each, running far past the segment.
    {"UserComment32767Times64KiB",
     [](Frame& f) {
         const std::size_t entries = f.tiff(f.l.exifIfd) + 2;
         const std::uint32_t value = static_cast<std::uint32_t>(entries + 32767 * 12 - ExifLayout::kTiffBase);
         f.b.resize(entries + 32767 * 12 + 65536, 0x5A);
         f.put16(entries - 2, 0x7FFF);
         for (std::size_t k = 0; k < 32767; ++k) {
             f.put16(entries + 12 * k, 0x9286), f.put16(entries + 12 * k + 2, 7);
             f.put32(entries + 12 * k + 4, 65536), f.put32(entries + 12 * k + 8, value);
         }
     }},
    // An Exif IFD of 4000 UserComment entries inside the segment: all but the last name 12000
    // bytes, the last the frame's own 94. Only IFD0's DateTime and the last entry are decoded.
    {"RepeatedTagsAreDecodedOnceFromTheLastEntry",
     [](Frame& f) {
         const std::uint32_t blob = f.grow(std::vector<std::uint8_t>(12000, 0x5A));
         const std::uint32_t at = f.grow(std::vector<std::uint8_t>(2 + 4000 * 12));
         f.put16(f.tiff(at), 4000);
         for (std::size_t k = 0; k < 4000; ++k) {
             const std::size_t e = f.tiff(at) + 2 + 12 * k;
             f.put16(e, 0x9286), f.put32(e + 4, k < 3999 ? 12000 : 94);
             f.put32(e + 8, k < 3999 ? blob : f.l.userComment);
         }
         f.put32(f.l.ifd0Entry(1) + 8, at);
     },
     ExifStatus::Ok, [](const ExifTags& t) { EXPECT_EQ(t.UserCommentHex, ReadTagsOf(Frame(false).b).UserCommentHex); },
     19 + 94},
};

class ExifReaderBadInput : public ::testing::TestWithParam<std::tuple<BadInput, bool>> {};

TEST_P(ExifReaderBadInput, ReadsWithinTheSegmentAndGivesTheRowsTexts) {
    const auto& [bad, bigEndian] = GetParam();
    Frame f(bigEndian);
    bad.damage(f);
    ExifReadCost cost;
    const ExifTags t = ReadTagsOf(f.b, &cost, f.fileSize);
    EXPECT_EQ(t.status, bad.status);
    bad.check(t);
    if (bad.decodedBytes) {
        EXPECT_EQ(cost.valueBytesDecoded, bad.decodedBytes);
    }
    EXPECT_LE(cost.bytesRead, kExifReadLimit);
    EXPECT_LE(cost.bufferBytes, kExifReadLimit);
}

const auto kRowName = [](const auto& info) {
    return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_MM" : "_II");
};

INSTANTIATE_TEST_SUITE_P(Table, ExifReaderBadInput,
                         ::testing::Combine(::testing::ValuesIn(kBadInputs), ::testing::Values(false, true)), kRowName);

TEST(ExifReader, EveryCutOfAFrameStaysInsideTheBuffer) {
    // The reader's buffer is exactly as long as what it may read, so AddressSanitizer sees any
    // overread; a cut inside the segment is damaged and gives no text at all.
    for (const bool bigEndian : {false, true}) {
        const Frame whole(bigEndian);
        for (std::size_t n = 0; n < whole.b.size(); ++n) {
            const ExifTags t = ReadTagsOf({whole.b.begin(), whole.b.begin() + static_cast<std::ptrdiff_t>(n)});
            EXPECT_EQ(t.status == ExifStatus::Ok, n >= whole.segmentEnd()) << n;
            if (t.status != ExifStatus::Ok) ExpectAllEmpty(t);
        }
    }
}

}  // namespace
}  // namespace drv

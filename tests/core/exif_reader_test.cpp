#include <gtest/gtest.h>
#include <unistd.h>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include "core/exif/exif_reader.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

using test::ExampleExif;
using test::FrameBytes;

bool AllEmpty(const ExifTags& t) {
    return t.MakerNoteText.empty() && t.UserCommentHex.empty() && t.DateTimeOriginalText.empty() &&
           t.DateTimeDigitizedText.empty() && t.DateTimeText.empty();
}

// A good frame to damage: its bytes, layout and byte order.
struct Frame {
    std::vector<std::uint8_t> b;
    ExifLayout l;
    bool be;
    explicit Frame(bool bigEndian) : be(bigEndian) { b = FrameBytes(ExampleExif(be), &l); }
    // Numbers in the frame's byte order at a file offset.
    void put(std::size_t at, std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i)
            b.at(at + static_cast<std::size_t>(be ? size - 1 - i : i)) = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void put16(std::size_t at, std::uint16_t v) { put(at, v, 2); }
    void put32(std::size_t at, std::uint32_t v) { put(at, v, 4); }
    void cut(std::size_t size) { b.resize(std::min(b.size(), size)); }
    std::size_t tiff(std::uint32_t offset) const { return ExifLayout::kTiffBase + offset; }
    std::uint32_t end() const { return static_cast<std::uint32_t>(b.size() - ExifLayout::kTiffBase); }
};

class ExifReaderByteOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ExifReaderByteOrder, FileAndMemoryAgreeEvenWhenValuesLieBeyondTheFirstBlock) {
    // Move the MakerNote 10000 bytes into the file, past the first read.
    Frame f(GetParam());
    f.b.resize(f.b.size() + 10000, 0x20);
    f.put32(f.l.exifEntry(2) + 8, f.end());
    for (char c : std::string("FAR\nNOTE")) f.b.push_back(static_cast<std::uint8_t>(c));
    f.b.push_back(0);
    test::TempFolder dir;
    test::WriteFile(dir.path() / "f.jpg", f.b);
    const ExifTags fromFile = ReadExifTags(dir.path() / "f.jpg");
    const ExifTags fromMemory = ReadExifTagsFromMemory(f.b.data(), f.b.size());
    EXPECT_EQ(fromFile.MakerNoteText, "FAR NOTE");
    EXPECT_EQ(fromMemory.MakerNoteText, "FAR NOTE");
    EXPECT_EQ(fromFile.UserCommentHex, fromMemory.UserCommentHex);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, ExifReaderByteOrder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MM" : "II"; });

// Five empty texts; or the DateTime of IFD0 alone, nothing from the Exif IFD.
void ExpectAllEmpty(const ExifTags& t) { EXPECT_TRUE(AllEmpty(t)) << t.MakerNoteText << t.DateTimeText; }
void OnlyIfd0Text(const ExifTags& t) {
    EXPECT_EQ(t.DateTimeText, "2008:01:02 03:04:05");
    EXPECT_TRUE(t.MakerNoteText.empty() && t.UserCommentHex.empty() && t.DateTimeOriginalText.empty() &&
                t.DateTimeDigitizedText.empty());
}

// A damaged or foreign file: how to damage a good frame, and what the reader must give.
struct BadInput {
    const char* name;
    std::function<void(Frame&)> damage;
    std::function<void(const ExifTags&)> check = ExpectAllEmpty;
};

const BadInput kBadInputs[] = {
    {"EmptyFile", [](Frame& f) { f.b.clear(); }},
    {"CutInsideIfd0", [](Frame& f) { f.cut(f.l.ifd0Entry(1) + 6); }},
    {"CutInsideUserCommentValue", [](Frame& f) { f.cut(f.tiff(f.l.userComment) + 50); }},
    {"CutInsideMakerNoteValue", [](Frame& f) { f.cut(f.tiff(f.l.makerNote) + 20); }},
    {"Ifd0OffsetPastTheEnd", [](Frame& f) { f.put32(16, static_cast<std::uint32_t>(f.b.size())); }},
    {"Ifd0OffsetNear2To32", [](Frame& f) { f.put32(16, 0xFFFFFFF8u); }},
    {"Ifd0Count7FFF", [](Frame& f) { f.put16(f.tiff(f.l.ifd0), 0x7FFF); }},
    {"ExifIfdCount7FFF", [](Frame& f) { f.put16(f.tiff(f.l.exifIfd), 0x7FFF); }},
    {"ExifIfdCountFFFFKeepsTheIfd0Text", [](Frame& f) { f.put16(f.tiff(f.l.exifIfd), 0xFFFF); },
     OnlyIfd0Text},
    {"ExifIfdPointerPastTheEnd", [](Frame& f) { f.put32(f.l.ifd0Entry(1) + 8, static_cast<std::uint32_t>(f.b.size())); }},
    {"DateTimeOffsetPastTheEnd", [](Frame& f) { f.put32(f.l.ifd0Entry(0) + 8, static_cast<std::uint32_t>(f.b.size() - 12)); }},
    {"MakerNoteOffsetNear2To32", [](Frame& f) { f.put32(f.l.exifEntry(2) + 8, 0xFFFFFFFFu); }},
    {"UserCommentOffsetNear2To32", [](Frame& f) { f.put32(f.l.exifEntry(3) + 8, 0xFFFFFFF4u); }},
    {"UserCommentCountFFFFFFFF", [](Frame& f) { f.put32(f.l.exifEntry(3) + 4, 0xFFFFFFFFu); }},
    {"UserCommentCountZero", [](Frame& f) { f.put32(f.l.exifEntry(3) + 4, 0); },
     [](const ExifTags& t) { EXPECT_TRUE(t.UserCommentHex.empty() && t.MakerNoteText.size() == 48u); }},
    {"UserCommentCount74", [](Frame& f) { f.put32(f.l.exifEntry(3) + 4, 74); },
     [](const ExifTags& t) { EXPECT_TRUE(t.UserCommentHex.size() == 148u && t.MakerNoteText.size() == 48u); }},
    {"MakerNoteWithoutZeroRunsToTheEnd",
     [](Frame& f) { f.put32(f.l.exifEntry(2) + 8, f.end()), f.b.insert(f.b.end(), {'T', 'A', 'I', 'L'}); },
     [](const ExifTags& t) { EXPECT_TRUE(t.MakerNoteText == "TAIL" && t.DateTimeText == "2008:01:02 03:04:05"); }},
    {"LongMakerNoteIsCapped", [](Frame& f) { f.put32(f.l.exifEntry(2) + 8, f.end()), f.b.insert(f.b.end(), 100000, 'X'); },
     [](const ExifTags& t) { EXPECT_EQ(t.MakerNoteText, std::string(kMaxNulTextBytes, 'X')); }},
    {"SecondDateTimeOriginalWins", [](Frame& f) { f.put16(f.l.exifEntry(1), 0x9003); },
     [](const ExifTags& t) { EXPECT_TRUE(t.DateTimeOriginalText == "2007:10:10 04:19:00" && t.DateTimeDigitizedText == ""); }},
    {"NoExifIfdPointer", [](Frame& f) { f.put16(f.l.ifd0Entry(1), 0x1234); }, OnlyIfd0Text},
    {"JfifFile", [](Frame& f) {
         f.b.insert(f.b.begin() + 2, {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
     }},
    {"PngRenamed", [](Frame& f) {
         f.b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 2, 0x80, 0, 0, 1, 0xE0};
         f.b.resize(200, 0);
     }},
};

class ExifReaderBadInput : public ::testing::TestWithParam<std::tuple<BadInput, bool>> {};

TEST_P(ExifReaderBadInput, GivesTheDocumentedTextsFromMemoryAndFromFile) {
    const auto& [bad, bigEndian] = GetParam();
    Frame f(bigEndian);
    bad.damage(f);
    test::TempFolder dir;
    test::WriteFile(dir.path() / "bad.jpg", f.b);
    for (const ExifTags& t : {ReadExifTagsFromMemory(f.b.data(), f.b.size()), ReadExifTags(dir.path() / "bad.jpg")}) {
        bad.check(t);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ExifReaderBadInput,
                         ::testing::Combine(::testing::ValuesIn(kBadInputs), ::testing::Values(false, true)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_MM" : "_II");
                         });

TEST(ExifReader, EveryCutOfAFrameStaysInsideTheBuffer) {
    const auto bytes = FrameBytes(ExampleExif());
    // A buffer of exactly n bytes, so that AddressSanitizer sees any overread; up to 20 bytes
    // not even the TIFF header is there.
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[n ? n : 1]);
        std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), exact.get());
        const ExifTags t = ReadExifTagsFromMemory(exact.get(), n);
        EXPECT_TRUE(n > 20 || AllEmpty(t)) << n;
    }
    EXPECT_TRUE(AllEmpty(ReadExifTagsFromMemory(nullptr, 10)));
    // Line feeds in texts become blanks in place.
    FrameExif exif = ExampleExif();
    exif.makerNote[3] = '\n';
    const auto fed = FrameBytes(exif);
    EXPECT_EQ(ReadExifTagsFromMemory(fed.data(), fed.size()).MakerNoteText,
              exif.makerNote.substr(0, 3) + ' ' + exif.makerNote.substr(4));
}

TEST(ExifReader, MissingFolderOrUnreadableFileGivesNoTexts) {
    test::TempFolder dir;
    for (const auto& path : {dir.path() / "missing.jpg", std::filesystem::path(), dir.path()})
        EXPECT_TRUE(AllEmpty(ReadExifTags(path))) << path;
    test::WriteFile(dir.path() / "locked.jpg", FrameBytes(ExampleExif()));
    std::filesystem::permissions(dir.path() / "locked.jpg", std::filesystem::perms::none);
    EXPECT_TRUE(::geteuid() == 0 || AllEmpty(ReadExifTags(dir.path() / "locked.jpg")));  // root reads it anyway
}

}  // namespace
}  // namespace drv

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include <unistd.h>

#include "core/exif/exif_reader.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

using test::ExampleExif;
using test::FrameBytes;
using test::Put16;
using test::Put32;

bool AllEmpty(const ExifTags& t) {
    return t.MakerNoteText.empty() && t.UserCommentHex.empty() && t.DateTimeOriginalText.empty() &&
           t.DateTimeDigitizedText.empty() && t.DateTimeText.empty();
}

std::string Hex(const std::uint8_t* p, std::size_t n) {
    std::string s;
    char buf[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", p[i]);
        s += buf;
    }
    return s;
}

class ExifReaderByteOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ExifReaderByteOrder, ReadsTheFiveTextsOfARecorderFrame) {
    const FrameExif exif = ExampleExif(GetParam());
    const auto bytes = FrameBytes(exif);
    const ExifTags t = ReadExifTagsFromMemory(bytes.data(), bytes.size());
    EXPECT_EQ(t.MakerNoteText, exif.makerNote);
    EXPECT_EQ(t.UserCommentHex, Hex(exif.userComment.data(), exif.userComment.size()));
    EXPECT_EQ(t.UserCommentHex.size(), 188u);
    EXPECT_EQ(t.DateTimeOriginalText, "2007:10:10 04:18:59");
    EXPECT_EQ(t.DateTimeDigitizedText, "2007:10:10 04:19:00");
    EXPECT_EQ(t.DateTimeText, "2008:01:02 03:04:05");
}

TEST_P(ExifReaderByteOrder, FileAndMemoryAgreeEvenWhenValuesLieBeyondTheFirstBlock) {
    // Move the MakerNote 10000 bytes into the file, past the first read.
    FrameExif exif = ExampleExif(GetParam());
    ExifLayout layout;
    auto bytes = FrameBytes(exif, &layout);
    const std::uint32_t farOffset = static_cast<std::uint32_t>(bytes.size() + 10000 - ExifLayout::kTiffBase);
    bytes.resize(bytes.size() + 10000, 0x20);
    const std::string far = "FAR\nNOTE";
    bytes.insert(bytes.end(), far.begin(), far.end());
    bytes.push_back(0);
    Put32(bytes, layout.exifEntry(2) + 8, farOffset, GetParam());

    test::TempFolder dir;
    test::WriteFile(dir.path() / "f.jpg", bytes);
    const ExifTags fromFile = ReadExifTags(dir.path() / "f.jpg");
    const ExifTags fromMemory = ReadExifTagsFromMemory(bytes.data(), bytes.size());
    EXPECT_EQ(fromFile.MakerNoteText, "FAR NOTE");
    EXPECT_EQ(fromMemory.MakerNoteText, "FAR NOTE");
    EXPECT_EQ(fromFile.UserCommentHex, fromMemory.UserCommentHex);
    EXPECT_EQ(fromFile.DateTimeText, fromMemory.DateTimeText);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, ExifReaderByteOrder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MM" : "II"; });

TEST(ExifReader, BothByteOrdersGiveIdenticalTexts) {
    const auto le = FrameBytes(ExampleExif(false));
    const auto be = FrameBytes(ExampleExif(true));
    const ExifTags a = ReadExifTagsFromMemory(le.data(), le.size());
    const ExifTags b = ReadExifTagsFromMemory(be.data(), be.size());
    EXPECT_EQ(a.MakerNoteText, b.MakerNoteText);
    EXPECT_EQ(a.UserCommentHex, b.UserCommentHex);
    EXPECT_EQ(a.DateTimeOriginalText, b.DateTimeOriginalText);
    EXPECT_EQ(a.DateTimeDigitizedText, b.DateTimeDigitizedText);
    EXPECT_EQ(a.DateTimeText, b.DateTimeText);
}

// A damaged or foreign file: how to damage a good frame, and what the reader must give.
struct BadInput {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&, const ExifLayout&, bool bigEndian)> damage;
    std::function<void(const ExifTags&)> check;  // empty: five empty texts
};

void Truncate(std::vector<std::uint8_t>& b, std::size_t size) { b.resize(std::min(b.size(), size)); }

const BadInput kBadInputs[] = {
    {"EmptyFile", [](auto& b, auto&, bool) { b.clear(); }, {}},
    {"CutInsideIfd0", [](auto& b, auto& l, bool) { Truncate(b, l.ifd0Entry(1) + 6); }, {}},
    {"CutInsideExifIfd", [](auto& b, auto& l, bool) { Truncate(b, l.exifEntry(3)); }, {}},
    {"CutInsideUserCommentValue",
     [](auto& b, auto& l, bool) { Truncate(b, ExifLayout::kTiffBase + l.userComment + 50); }, {}},
    {"CutInsideMakerNoteValue",
     [](auto& b, auto& l, bool) { Truncate(b, ExifLayout::kTiffBase + l.makerNote + 20); }, {}},
    {"Ifd0OffsetPastTheEnd", [](auto& b, auto&, bool be) { Put32(b, 16, static_cast<std::uint32_t>(b.size()), be); }, {}},
    {"Ifd0OffsetNear2To32", [](auto& b, auto&, bool be) { Put32(b, 16, 0xFFFFFFF8u, be); }, {}},
    {"Ifd0Count7FFF", [](auto& b, auto& l, bool be) { Put16(b, ExifLayout::kTiffBase + l.ifd0, 0x7FFF, be); }, {}},
    {"Ifd0CountFFFF", [](auto& b, auto& l, bool be) { Put16(b, ExifLayout::kTiffBase + l.ifd0, 0xFFFF, be); }, {}},
    {"Ifd0CountZero", [](auto& b, auto& l, bool be) { Put16(b, ExifLayout::kTiffBase + l.ifd0, 0, be); }, {}},
    {"ExifIfdCount7FFF", [](auto& b, auto& l, bool be) { Put16(b, ExifLayout::kTiffBase + l.exifIfd, 0x7FFF, be); }, {}},
    {"ExifIfdCountFFFFKeepsTheIfd0Text",
     [](auto& b, auto& l, bool be) { Put16(b, ExifLayout::kTiffBase + l.exifIfd, 0xFFFF, be); },
     [](const ExifTags& t) {
         EXPECT_EQ(t.DateTimeText, "2008:01:02 03:04:05");
         EXPECT_TRUE(t.MakerNoteText.empty() && t.UserCommentHex.empty() && t.DateTimeOriginalText.empty());
     }},
    {"ExifIfdPointerPastTheEnd",
     [](auto& b, auto& l, bool be) { Put32(b, l.ifd0Entry(1) + 8, static_cast<std::uint32_t>(b.size()), be); }, {}},
    {"DateTimeOffsetPastTheEnd",
     [](auto& b, auto& l, bool be) { Put32(b, l.ifd0Entry(0) + 8, static_cast<std::uint32_t>(b.size() - 12), be); }, {}},
    {"MakerNoteOffsetNear2To32", [](auto& b, auto& l, bool be) { Put32(b, l.exifEntry(2) + 8, 0xFFFFFFFFu, be); }, {}},
    {"UserCommentOffsetNear2To32", [](auto& b, auto& l, bool be) { Put32(b, l.exifEntry(3) + 8, 0xFFFFFFF4u, be); }, {}},
    {"UserCommentCountFFFFFFFF", [](auto& b, auto& l, bool be) { Put32(b, l.exifEntry(3) + 4, 0xFFFFFFFFu, be); }, {}},
    {"UserCommentCountZero", [](auto& b, auto& l, bool be) { Put32(b, l.exifEntry(3) + 4, 0, be); },
     [](const ExifTags& t) {
         EXPECT_EQ(t.UserCommentHex, "");
         EXPECT_EQ(t.MakerNoteText.size(), 48u);
     }},
    {"UserCommentCount74", [](auto& b, auto& l, bool be) { Put32(b, l.exifEntry(3) + 4, 74, be); },
     [](const ExifTags& t) { EXPECT_EQ(t.UserCommentHex.size(), 148u); }},
    {"MakerNoteWithoutZeroRunsToTheEnd",
     [](auto& b, auto& l, bool be) {
         Put32(b, l.exifEntry(2) + 8, static_cast<std::uint32_t>(b.size() - ExifLayout::kTiffBase), be);
         b.insert(b.end(), {'T', 'A', 'I', 'L'});
     },
     [](const ExifTags& t) {
         EXPECT_EQ(t.MakerNoteText, "TAIL");
         EXPECT_EQ(t.DateTimeText, "2008:01:02 03:04:05");
     }},
    {"LongMakerNoteIsCapped",
     [](auto& b, auto& l, bool be) {
         Put32(b, l.exifEntry(2) + 8, static_cast<std::uint32_t>(b.size() - ExifLayout::kTiffBase), be);
         b.insert(b.end(), 100000, 'X');
     },
     [](const ExifTags& t) { EXPECT_EQ(t.MakerNoteText, std::string(kMaxNulTextBytes, 'X')); }},
    {"SecondDateTimeOriginalWins",
     [](auto& b, auto& l, bool be) { Put16(b, l.exifEntry(1), 0x9003, be); },
     [](const ExifTags& t) {
         EXPECT_EQ(t.DateTimeOriginalText, "2007:10:10 04:19:00");
         EXPECT_EQ(t.DateTimeDigitizedText, "");
     }},
    {"NoExifIfdPointer", [](auto& b, auto& l, bool be) { Put16(b, l.ifd0Entry(1), 0x1234, be); },
     [](const ExifTags& t) {
         EXPECT_EQ(t.DateTimeText, "2008:01:02 03:04:05");
         EXPECT_TRUE(t.MakerNoteText.empty() && t.UserCommentHex.empty());
     }},
    {"JfifFile",
     [](auto& b, auto&, bool) {
         const std::vector<std::uint8_t> app0 = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
         b.insert(b.begin() + 2, app0.begin(), app0.end());
     },
     {}},
    {"PngRenamed",
     [](auto& b, auto&, bool) {
         b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 2, 0x80, 0, 0, 1, 0xE0};
         b.resize(200, 0);
     },
     {}},
};

class ExifReaderBadInput : public ::testing::TestWithParam<std::tuple<BadInput, bool>> {};

TEST_P(ExifReaderBadInput, GivesTheDocumentedTextsFromMemoryAndFromFile) {
    const auto& [bad, bigEndian] = GetParam();
    ExifLayout layout;
    auto bytes = FrameBytes(ExampleExif(bigEndian), &layout);
    bad.damage(bytes, layout, bigEndian);

    test::TempFolder dir;
    test::WriteFile(dir.path() / "bad.jpg", bytes);
    for (const ExifTags& t : {ReadExifTagsFromMemory(bytes.data(), bytes.size()), ReadExifTags(dir.path() / "bad.jpg")}) {
        if (bad.check) {
            bad.check(t);
        } else {
            EXPECT_TRUE(AllEmpty(t)) << t.MakerNoteText << '|' << t.DateTimeText;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ExifReaderBadInput,
                         ::testing::Combine(::testing::ValuesIn(kBadInputs), ::testing::Values(false, true)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_MM" : "_II");
                         });

TEST(ExifReader, EveryShortPrefixGivesNoTexts) {
    const auto bytes = FrameBytes(ExampleExif());
    for (std::size_t n = 0; n <= 20; ++n) {
        // Copy to a buffer of exactly n bytes so that AddressSanitizer sees any overread.
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[n ? n : 1]);
        std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), exact.get());
        EXPECT_TRUE(AllEmpty(ReadExifTagsFromMemory(exact.get(), n))) << n;
    }
    // And every cut of the whole frame stays inside the buffer whatever it gives.
    for (std::size_t n = 21; n < bytes.size(); ++n) {
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[n]);
        std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), exact.get());
        (void)ReadExifTagsFromMemory(exact.get(), n);
    }
}

TEST(ExifReader, MissingFolderOrUnreadableFileGivesNoTexts) {
    test::TempFolder dir;
    EXPECT_TRUE(AllEmpty(ReadExifTags(dir.path() / "missing.jpg")));
    EXPECT_TRUE(AllEmpty(ReadExifTags({})));
    EXPECT_TRUE(AllEmpty(ReadExifTags(dir.path())));  // a folder
    test::WriteFile(dir.path() / "locked.jpg", FrameBytes(ExampleExif()));
    std::filesystem::permissions(dir.path() / "locked.jpg", std::filesystem::perms::none);
    if (::geteuid() != 0) {
        EXPECT_TRUE(AllEmpty(ReadExifTags(dir.path() / "locked.jpg")));
    }
    EXPECT_TRUE(AllEmpty(ReadExifTagsFromMemory(nullptr, 10)));
}

TEST(ExifReader, LineFeedsInTextsBecomeBlanksInPlace) {
    FrameExif exif = ExampleExif();
    exif.makerNote[3] = '\n';
    const auto bytes = FrameBytes(exif);
    const ExifTags t = ReadExifTagsFromMemory(bytes.data(), bytes.size());
    ASSERT_EQ(t.MakerNoteText.size(), 48u);
    EXPECT_EQ(t.MakerNoteText[3], ' ');
    EXPECT_EQ(t.MakerNoteText.substr(4), exif.makerNote.substr(4));
}

}  // namespace
}  // namespace drv

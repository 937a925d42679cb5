#include <gtest/gtest.h>
#include <zip.h>

#include <map>

#include "core/recording/recording_dump.h"
#include "core/report/package.h"
#include "core/report/package_contents.h"
#include "core/common/sha256.h"
#include "support/frame_files.h"
#include "support/write_faults.h"

namespace drv {
namespace {

using test::Quote;
using test::ReadFile;
using test::Shell;
using test::TempFolder;

// A recording "rec" of six frames that differ, in `dir`, loaded, with frame 2 named `oddName`.
Recording MakeRecording(const std::filesystem::path& dir, const std::string& oddName = "トリガー.jpg") {
    test::WriteRecording(dir / "rec", 6, [](int i) {
        MakerNoteFields f = test::ExampleFields();
        f.speed = 10 + i;
        FrameExif exif = test::ExampleExif();
        exif.makerNote = FormatMakerNote(f);
        return exif;
    });
    std::filesystem::rename(dir / "rec" / "00002.jpg", dir / "rec" / oddName);
    return test::LoadedFolder(dir / "rec");
}

std::vector<PackageItem> ItemsOf(const Recording& recording) {
    auto items = FramePackageItems(recording);
    items.push_back({"telemetry.csv", {}, "frame,speed\r\n1,11\r\n", {}});
    return items;
}

// A file longer than the read buffer digested in pieces; SHA256SUMS lines as sha256sum writes
// them for awkward names (their digests too), read back whole.
TEST(ReportSha256, DigestsAndSumsLinesMatchSha256sum) {
    TempFolder dir;
    std::string bytes(200'003, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    test::WriteText(dir.path() / "big", bytes);
    std::string hex;
    EXPECT_TRUE(Sha256OfFile(dir.path() / "big", hex));
    EXPECT_EQ(hex, Sha256Hex(bytes));
    EXPECT_EQ(Sha256OfFile(dir.path() / "absent", hex).errorNumber, ENOENT);
    for (const std::string name : {"plain.jpg", "with blank.JPG", "back\\slash.jpg", "line\nbreak.jpg",
                                   "\xe3\x83\x88\xe3\x83\xaa.jpg", "bad\xff\xfe.jpg"}) {
        test::WriteText(dir.path() / name, name);
        const auto run = Shell("cd " + Quote(dir.path()) + " && sha256sum " + Quote(name));
        const std::string line = Sha256SumsLine(Sha256Hex(name), name);
        EXPECT_EQ(line, run.out) << name;
        const auto parsed = ParseSha256Sums(line);
        ASSERT_TRUE(parsed && parsed->size() == 1u) << name;
        EXPECT_EQ((*parsed)[0].name, name);
    }
    for (const std::string& bad :
         std::vector<std::string>{"abc  x\n", std::string(64, 'a') + "x", std::string(64, 'g') + "  x\n",
                                  "\\" + std::string(64, 'a') + "  x\\q\n"})
        EXPECT_FALSE(ParseSha256Sums(bad)) << bad;
}

TEST(ReportPackage, UnzipsToTheOriginalsAndSha256sumAcceptsThem) {
    TempFolder dir;
    const Recording recording = MakeRecording(dir.path());
    const auto target = dir.path() / "evidence.zip";
    std::vector<double> seen;
    const PackageResult result = WritePackage(target, ItemsOf(recording), [&](double d) {
        seen.push_back(d);
        return true;
    });
    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_EQ(test::Entries(dir.path()), (std::vector<std::string>{"evidence.zip", "rec"}));
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);

    const auto out = dir.path() / "out";
    std::filesystem::create_directory(out);
    ASSERT_EQ(Shell("unzip -q " + Quote(target) + " -d " + Quote(out)).status, 0);
    const auto check = Shell("cd " + Quote(out) + " && sha256sum -c --strict SHA256SUMS");
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(std::count(check.out.begin(), check.out.end(), '\n'), recording.frameCount() + 1);
    for (int i = 1; i <= recording.frameCount(); ++i) {
        const auto name = recording.fileNames[static_cast<std::size_t>(i)];
        const auto copy = out / "rec" / name;
        EXPECT_EQ(ReadFile(copy), ReadFile(recording.framePath(i))) << name;
        // The exact second, not the archive header's two-second steps: time order is frame order.
        EXPECT_EQ(std::filesystem::last_write_time(copy), std::filesystem::last_write_time(recording.framePath(i)))
            << name;
    }
    // Stored, not compressed: the frames are JPEGs already and stay their own bytes.
    const auto listing = Shell("unzip -v " + Quote(target));
    EXPECT_EQ(listing.out.find("Defl"), std::string::npos) << listing.out;

    const VerifyResult verified = VerifyPackage(target);
    EXPECT_TRUE(verified.allMatch());
    EXPECT_EQ(verified.files.size(), static_cast<std::size_t>(recording.frameCount() + 1));

    // A name that is not UTF-8 keeps its bytes in the archive (unzip may recode it by locale).
    TempFolder other;
    const Recording odd = MakeRecording(other.path(), "0000\xff.jpg");
    ASSERT_TRUE(WritePackage(other.path() / "odd.zip", ItemsOf(odd)).ok());
    const VerifyResult oddCheck = VerifyPackage(other.path() / "odd.zip");
    EXPECT_TRUE(oddCheck.allMatch());
    EXPECT_TRUE(std::any_of(oddCheck.files.begin(), oddCheck.files.end(),
                            [](const VerifiedFile& f) { return f.name == "rec/0000\xff.jpg"; }));
}

// Rewrites the archive with entry `name` replaced by `bytes` (its checksum then fits), and
// optionally one more file that SHA256SUMS does not list.
void Tamper(const std::filesystem::path& zipPath, const std::string& name, const std::string& bytes, bool addUnlisted) {
    int err = 0;
    zip_t* za = zip_open(zipPath.c_str(), 0, &err);
    ASSERT_TRUE(za);
    const zip_int64_t index = zip_name_locate(za, name.c_str(), ZIP_FL_ENC_RAW);
    ASSERT_GE(index, 0);
    ASSERT_EQ(
        zip_file_replace(za, static_cast<zip_uint64_t>(index), zip_source_buffer(za, bytes.data(), bytes.size(), 0), 0),
        0);
    if (addUnlisted) {
        ASSERT_GE(zip_file_add(za, "extra.txt", zip_source_buffer(za, "x", 1, 0), 0), 0);
    }
    ASSERT_EQ(zip_close(za), 0);
}

TEST(ReportPackage, VerifyNamesTheFileThatChanged) {
    DRV_REQUIRE_TOOL();
    TempFolder dir;
    MakeRecording(dir.path());  // frames that differ: each one's bytes are found once in the archive
    const std::string zip = Quote(dir.path() / "p.zip");
    ASSERT_EQ(Shell(test::Tool() + " package " + Quote(dir.path() / "rec") + " -o " + zip + " --no-video").status, 0);
    const auto good = Shell(test::Tool() + " verify " + zip);
    EXPECT_EQ(good.status, 0) << good.out;
    EXPECT_NE(good.out.find("rec/00003.jpg: OK"), std::string::npos) << good.out;

    // One byte flipped in place: the archive's own checksum no longer holds either.
    std::string bytes = ReadFile(dir.path() / "p.zip");
    const std::string frame = ReadFile(dir.path() / "rec" / "00003.jpg");
    const std::size_t at = bytes.find(frame);
    ASSERT_NE(at, std::string::npos);
    bytes[at + frame.size() / 2] ^= 0x01;
    const auto flipped = dir.path() / "flipped.zip";
    test::WriteText(flipped, bytes);
    const auto bad = Shell(test::Tool() + " verify " + Quote(flipped) + " 2>&1");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("rec/00003.jpg: FAILED"), std::string::npos) << bad.out;
    EXPECT_NE(bad.out.find("rec/00001.jpg: OK"), std::string::npos) << bad.out;

    // A well-formed archive whose frame was swapped, and one with a file nobody vouches for.
    std::string changed = frame;
    changed[changed.size() / 2] ^= 0x01;
    Tamper(dir.path() / "p.zip", "rec/00003.jpg", changed, true);
    const VerifyResult result = VerifyPackage(dir.path() / "p.zip");
    EXPECT_FALSE(result.allMatch());
    std::map<std::string, FileCheck> checks;
    for (const auto& f : result.files) checks[f.name] = f.check;
    EXPECT_EQ(checks["rec/00003.jpg"], FileCheck::Mismatch);
    EXPECT_EQ(checks["rec/00001.jpg"], FileCheck::Match);
    EXPECT_EQ(checks["extra.txt"], FileCheck::Unlisted);

    test::WriteText(dir.path() / "junk.zip", "not a zip");
    EXPECT_EQ(Shell(test::Tool() + " verify " + Quote(dir.path() / "junk.zip") + " 2>/dev/null").status, 1);
}

// Cancel in each phase (reading for sums, writing, reading back) and a source that vanished:
// nothing new beside the target, and an older package of that name as it was.
TEST(ReportPackage, CancelOrFailureLeavesNothing) {
    TempFolder dir;
    const Recording recording = MakeRecording(dir.path());
    const auto target = dir.path() / "evidence.zip";
    test::WriteText(target, "older");
    for (const double stopAt : {0.0, 0.2, 0.5, 0.9}) {
        const PackageResult result = WritePackage(target, ItemsOf(recording), [&](double d) { return d < stopAt; });
        EXPECT_EQ(result.status, PackageStatus::Cancelled) << stopAt;
        EXPECT_EQ(test::Entries(dir.path()), (std::vector<std::string>{"evidence.zip", "rec"})) << stopAt;
        EXPECT_EQ(ReadFile(target), "older");
    }
    auto items = ItemsOf(recording);
    items.push_back({"rec/gone.jpg", dir.path() / "rec" / "gone.jpg", {}, {}});
    const PackageResult missing = WritePackage(target, items);
    EXPECT_EQ(missing.status, PackageStatus::CannotRead);
    EXPECT_NE(missing.detail.find("gone.jpg"), std::string::npos);
    EXPECT_EQ(test::Entries(dir.path()), (std::vector<std::string>{"evidence.zip", "rec"}));
    EXPECT_EQ(ReadFile(target), "older");

    const PackageResult noFolder = WritePackage(dir.path() / "absent" / "p.zip", ItemsOf(recording));
    EXPECT_EQ(noFolder.status, PackageStatus::CannotWrite);
}

}  // namespace
}  // namespace drv

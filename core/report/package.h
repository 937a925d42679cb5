#pragma once
// The evidence package: one ZIP of files copied byte for byte (stored, names and times kept)
// with a SHA256SUMS list that `sha256sum -c` checks, and the check of such a package.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drv {

inline constexpr const char* kSumsName = "SHA256SUMS";

// One file of the package: copied from `source`, or made of `contents` when it holds bytes.
struct PackageItem {
    std::string name;  // inside the archive, "/" between folders, bytes as given
    std::filesystem::path source;
    std::optional<std::string> contents;
    std::optional<std::time_t> modified;  // the source's time when not given
};

// Called with the share of the work done (0..1); returning false cancels.
using PackageProgress = std::function<bool(double done)>;

enum class PackageStatus { Ok, Cancelled, CannotRead, CannotWrite, Unsound };

struct PackageResult {
    PackageStatus status = PackageStatus::Ok;
    std::string detail;  // the file and the reason, for a message
    bool ok() const { return status == PackageStatus::Ok; }
};

// Writes the items and their SHA256SUMS (last in the archive) to `target`, through a temporary
// file beside it that is renamed into place only once the written archive has been read back
// and checked; cancelled or failed, nothing is left behind and an older `target` stays.
PackageResult WritePackage(const std::filesystem::path& target, const std::vector<PackageItem>& items,
                           const PackageProgress& progress = {});

struct SumEntry {
    std::string hex;
    std::string name;
};
// The entries of a SHA256SUMS text (text or binary mode marks, escaped names); nothing when a
// line is not of that form.
std::optional<std::vector<SumEntry>> ParseSha256Sums(std::string_view text);

enum class FileCheck {
    Match,     // the bytes have the listed digest
    Mismatch,  // they do not
    Missing,   // listed, but not in the archive
    Damaged,   // in the archive but cannot be read back (its checksum fails)
    Unlisted,  // in the archive but not in SHA256SUMS: nothing vouches for it
};

struct VerifiedFile {
    std::string name;
    FileCheck check = FileCheck::Match;
};

struct VerifyResult {
    std::string error;  // the archive or its SHA256SUMS could not be read; empty otherwise
    std::vector<VerifiedFile> files;
    bool allMatch() const;
};

// Re-reads every file of the package and compares it with SHA256SUMS.
VerifyResult VerifyPackage(const std::filesystem::path& zip, const PackageProgress& progress = {});

const char* FileCheckText(FileCheck check);

}  // namespace drv

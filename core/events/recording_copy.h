#pragma once
// Getting recordings off the card: each recording folder copied into a destination folder of
// its own name, every file read back and compared by SHA-256 before the copy counts, with a
// SHA256SUMS file that `sha256sum -c` checks. A recording is copied into a hidden temporary
// folder and renamed into place only when whole, so a failure or Cancel never leaves half a
// recording; nothing in the source is written (not even its access times, where allowed).
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace drv {

inline constexpr const char* kChecksumFileName = "SHA256SUMS";

enum class CopyEnd {
    Complete,
    Cancelled,          // recordings finished before stay; the one under way is removed
    SourceUnreadable,   // a source file or folder could not be read (a card pulled out)
    DestinationFull,    // no space left on the destination
    DestinationFailed,  // the destination could not be written for another reason
    Mismatch,           // a file read back differs from the one read from the card
};

struct CopiedRecording {
    std::filesystem::path source;
    std::filesystem::path destination;  // the folder made, "NAME" or "NAME (2)"...
    int files = 0;
    std::uint64_t bytes = 0;
};

struct CopyResult {
    CopyEnd end = CopyEnd::Complete;
    std::vector<CopiedRecording> copied;  // whole and verified, in the order given
    std::filesystem::path failedAt;       // the file or folder the failure concerns
    std::string reason;                   // the system's words for it
};

struct CopyCallbacks {
    // Bytes copied of all the recordings' files, and the recording under way (0-based).
    std::function<void(std::uint64_t done, std::uint64_t total, int recording)> progress;
    std::function<bool()> cancelled;  // asked between blocks
    // The tests' seam for writing: as ::write. Lets a test fill the disk at a chosen byte.
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
};

// Copies each folder of `sources` (its ordinary files whose names do not begin with '.', not
// its subfolders) into `destination`, which must exist. A name already taken there gets
// " (2)", " (3)"..., never a merge.
CopyResult CopyRecordings(const std::vector<std::filesystem::path>& sources, const std::filesystem::path& destination,
                          const CopyCallbacks& callbacks = {});

// The free name for `name` in `folder`: `name`, else "name (2)", "name (3)"...
std::filesystem::path FreeFolderName(const std::filesystem::path& folder, const std::filesystem::path& name);

}  // namespace drv

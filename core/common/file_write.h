#pragma once
// Every file the program writes lands completely or leaves the target as it was: the bytes go to
// a temporary file beside the target, every write, the flush to disk and the close are checked,
// and only then is the temporary file renamed over the target. Whatever fails on the way, the
// temporary file is removed.
//
// Rules for the target:
// - Only a regular file is ever replaced: a target that exists as anything else (a folder, a
//   device, a pipe, what /dev/stdout leads to) is refused, since a rename would put the file in
//   its place (as root, "-o /dev/null" would become a file).
// - A symbolic link is written through by default: the file at the end of its chain is replaced
//   in its own folder and the link stays a link, as cp and ffmpeg do. A fixed name that must
//   never lead elsewhere (setup.dat on a card) refuses a link instead.
// - A replaced file keeps its permission bits (and, where the system lets us, its owner); a new
//   file gets the usual mode for the user's umask.
//
// Failures come back as a Status whose message is the reason (the system's text where it has
// one), without the file's name: callers say which file they were writing.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/common/status.h"

namespace drv {

enum class LinkPolicy {
    WriteThrough,  // replace the file the link chain ends at; the link stays
    Refuse,        // a link at the target's name is an error
};

// Where a write to `target` lands: `target` itself, or the end of its chain of links. Refuses an
// existing target that is not a regular file, a link under LinkPolicy::Refuse and a chain that
// loops.
Status ResolveWriteTarget(const std::filesystem::path& target, LinkPolicy links, std::filesystem::path& resolved);

// The streaming form, for writers that produce their data piece by piece (an encoder, a copy):
//     ReplacingFile out;
//     if (!out.open(target)) ...;  out.write(...); ...;  Status done = out.commit();
// Destroying it without a successful commit removes the temporary file, so an early return,
// an exception or Cancel never leaves one behind.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(ReplacingFile&& other) noexcept;
    ReplacingFile& operator=(ReplacingFile&& other) noexcept;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();

    // Resolves `target` and creates the temporary file beside its final file.
    Status open(const std::filesystem::path& target, LinkPolicy links = LinkPolicy::WriteThrough);
    // Appends all of `size` bytes. After the first failure nothing more is written and every
    // later call, commit() included, returns that failure.
    Status write(const void* data, std::size_t size);
    Status write(std::string_view bytes) { return write(bytes.data(), bytes.size()); }
    // Flushes to disk, closes and renames over the target. On failure the temporary file is
    // gone and the target is untouched.
    Status commit();
    // Drops the temporary file; the target stays as it was. Harmless when nothing is open.
    void abort();
    // A failure found outside write(), e.g. by a library that seeks through fd(): commit() then
    // refuses. The first failure recorded wins.
    void fail(Status failure);

    bool isOpen() const { return fd_ >= 0; }
    // The temporary file's descriptor, for libraries that seek or read back what they wrote.
    // Write through write() so that every failure is seen.
    int fd() const { return fd_; }
    const std::filesystem::path& temporaryPath() const { return temporary_; }
    // The file that commit() replaces (the end of the link chain).
    const std::filesystem::path& finalTarget() const { return target_; }

private:
    int fd_ = -1;
    std::filesystem::path temporary_;
    std::filesystem::path target_;
    Status failure_;
};

// The whole-file form: `bytes` become the content of `target`, or nothing changes.
Status ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                           LinkPolicy links = LinkPolicy::WriteThrough);

// The older descriptor form: a temporary file beside `target` (not resolved through links; the
// caller renames it itself). Prefer ReplacingFile, which also resolves links, keeps the
// target's permissions and checks the flush. On failure `fd` is -1, `error` says why and
// `errorNumber` holds the system's code (0 for a target that is not a regular file).
struct TemporaryFile {
    int fd = -1;
    std::string path;
    int errorNumber = 0;
    std::string error;
};
TemporaryFile CreateTemporaryBeside(const std::filesystem::path& target);

}  // namespace drv

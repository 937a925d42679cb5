#include "core/report/package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "core/common/file_write.h"
#include "core/common/sha256.h"

namespace drv {

namespace {

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

std::string nameForMessage(const PackageItem& item) { return item.contents ? item.name : item.source.string(); }

// Shares of the work: reading for the sums, writing the archive, reading it back.
struct ProgressSplit {
    const PackageProgress& progress;
    bool cancelled = false;
    bool report(double phase, double within) {
        if (!cancelled && progress && !progress((phase + std::min(1.0, std::max(0.0, within))) / 3.0)) cancelled = true;
        return !cancelled;
    }
};

bool hashItem(const PackageItem& item, std::string& hex, std::string& error) {
    if (item.contents) {
        hex = Sha256Hex(*item.contents);
        return true;
    }
    const Status read = Sha256OfFile(item.source, hex);
    if (!read) error = read.message;
    return read.ok;
}

std::optional<std::time_t> modificationTime(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return st.st_mtime;
}

std::string zipError(zip_t* archive) { return zip_strerror(archive); }

bool unescapeName(std::string_view in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i == in.size()) return false;
        if (in[i] == '\\') out += '\\';
        else if (in[i] == 'n') out += '\n';
        else if (in[i] == 'r') out += '\r';
        else return false;
    }
    return true;
}

bool isHexDigest(std::string_view text) {
    if (text.size() != 64) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

}  // namespace

std::optional<std::vector<SumEntry>> ParseSha256Sums(std::string_view text) {
    std::vector<SumEntry> entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const bool escaped = line.front() == '\\';
        if (escaped) line.remove_prefix(1);
        // digest 64 + blank 1 + mode mark (blank or '*') 1 + name at least 1
        if (line.size() < 67 || !isHexDigest(line.substr(0, 64)) || line[64] != ' ' ||
            (line[65] != ' ' && line[65] != '*'))
            return std::nullopt;
        SumEntry entry;
        entry.hex = std::string(line.substr(0, 64));
        for (char& c : entry.hex) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        const std::string_view name = line.substr(66);
        if (escaped) {
            if (!unescapeName(name, entry.name)) return std::nullopt;
        } else {
            entry.name = std::string(name);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

PackageResult WritePackage(const std::filesystem::path& target, const std::vector<PackageItem>& items,
                           const PackageProgress& progress) {
    ProgressSplit split{progress};
    if (!split.report(0, 0)) return {PackageStatus::Cancelled, {}};

    // The sums come from a read of each file of its own, before the archive copies it; the
    // read-back at the end catches a file that changed in between.
    std::string sums;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string hex, error;
        if (!hashItem(items[i], hex, error))
            return {PackageStatus::CannotRead, nameForMessage(items[i]) + ": " + error};
        sums += Sha256SumsLine(hex, items[i].name);
        if (!split.report(0, double(i + 1) / double(items.size()))) return {PackageStatus::Cancelled, {}};
    }

    TemporaryFile temp = CreateTemporaryBeside(target);
    if (temp.fd < 0) return {PackageStatus::CannotWrite, target.string() + ": " + temp.error};
    ::close(temp.fd);
    const auto removeTemp = [&] { ::unlink(temp.path.c_str()); };

    int zipErrorCode = 0;
    ZipHandle archive(zip_open(temp.path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zipErrorCode));
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, zipErrorCode);
        PackageResult result{PackageStatus::CannotWrite, target.string() + ": " + zip_error_strerror(&error)};
        zip_error_fini(&error);
        removeTemp();
        return result;
    }
    const std::time_t now = std::time(nullptr);
    const auto add = [&](const std::string& name, zip_source_t* source, std::time_t modified) -> std::string {
        if (!source) return zipError(archive.get());
        const zip_int64_t index = zip_file_add(archive.get(), name.c_str(), source, ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(source);
            return zipError(archive.get());
        }
        const auto at = static_cast<zip_uint64_t>(index);
        // Stored: the frames are JPEGs already, and a stored copy is the file's bytes as they were.
        if (zip_set_file_compression(archive.get(), at, ZIP_CM_STORE, 0) != 0 ||
            zip_file_set_mtime(archive.get(), at, modified, 0) != 0)
            return zipError(archive.get());
        // The header's own time is local and in steps of 2 s, but recordings are put in order
        // by whole seconds: the "extended timestamp" field (0x5455: flags 1, then the Unix
        // modification time, 4 bytes little-endian) carries the exact second, and unzip
        // restores it.
        const auto seconds = static_cast<std::uint32_t>(modified);
        const zip_uint8_t stamp[5] = {1, static_cast<zip_uint8_t>(seconds), static_cast<zip_uint8_t>(seconds >> 8),
                                      static_cast<zip_uint8_t>(seconds >> 16), static_cast<zip_uint8_t>(seconds >> 24)};
        if (zip_file_extra_field_set(archive.get(), at, 0x5455, ZIP_EXTRA_FIELD_NEW, stamp, sizeof stamp,
                                     ZIP_FL_LOCAL | ZIP_FL_CENTRAL) != 0)
            return zipError(archive.get());
        return {};
    };
    for (const PackageItem& item : items) {
        std::string error;
        if (item.contents) {
            error = add(item.name, zip_source_buffer(archive.get(), item.contents->data(), item.contents->size(), 0),
                        item.modified.value_or(now));
        } else {
            const auto modified = item.modified ? item.modified : modificationTime(item.source);
            if (!modified) {
                removeTemp();
                return {PackageStatus::CannotRead, item.source.string() + ": " + std::strerror(errno)};
            }
            error = add(item.name, zip_source_file(archive.get(), item.source.c_str(), 0, 0), *modified);
        }
        if (!error.empty()) {
            removeTemp();
            return {PackageStatus::CannotRead, nameForMessage(item) + ": " + error};
        }
    }
    if (const std::string error = add(kSumsName, zip_source_buffer(archive.get(), sums.data(), sums.size(), 0), now);
        !error.empty()) {
        removeTemp();
        return {PackageStatus::CannotWrite, error};
    }

    zip_register_progress_callback_with_state(
        archive.get(), 0.01,
        [](zip_t*, double done, void* state) { static_cast<ProgressSplit*>(state)->report(1, done); }, nullptr, &split);
    zip_register_cancel_callback_with_state(
        archive.get(), [](zip_t*, void* state) { return static_cast<ProgressSplit*>(state)->cancelled ? 1 : 0; },
        nullptr, &split);
    if (zip_close(archive.get()) != 0) {
        const std::string error = zipError(archive.get());
        removeTemp();
        if (split.cancelled) return {PackageStatus::Cancelled, {}};
        return {PackageStatus::CannotWrite, target.string() + ": " + error};
    }
    archive.release();  // closed

    // libzip wrote the archive beside the temporary name and renamed it there; flush it to disk.
    const int fd = ::open(temp.path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    const int flushErrno = errno;
    if (fd >= 0) ::close(fd);
    if (!flushed) {
        removeTemp();
        return {PackageStatus::CannotWrite, target.string() + ": " + std::strerror(flushErrno)};
    }

    const VerifyResult check = VerifyPackage(temp.path, [&](double done) { return split.report(2, done); });
    if (split.cancelled) {
        removeTemp();
        return {PackageStatus::Cancelled, {}};
    }
    if (!check.allMatch()) {
        removeTemp();
        std::string which;
        for (const VerifiedFile& f : check.files)
            if (f.check != FileCheck::Match) which += (which.empty() ? "" : ", ") + f.name;
        return {PackageStatus::Unsound, check.error.empty() ? "changed while being packed: " + which : check.error};
    }
    if (::rename(temp.path.c_str(), target.c_str()) != 0) {
        const int renameErrno = errno;
        removeTemp();
        return {PackageStatus::CannotWrite, target.string() + ": " + std::strerror(renameErrno)};
    }
    return {};
}

bool VerifyResult::allMatch() const {
    if (!error.empty() || files.empty()) return false;
    for (const VerifiedFile& f : files)
        if (f.check != FileCheck::Match) return false;
    return true;
}

VerifyResult VerifyPackage(const std::filesystem::path& zip, const PackageProgress& progress) {
    VerifyResult result;
    int zipErrorCode = 0;
    ZipHandle archive(zip_open(zip.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &zipErrorCode));
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, zipErrorCode);
        result.error = zip_error_strerror(&error);
        zip_error_fini(&error);
        return result;
    }
    zip_t* za = archive.get();
    std::vector<char> buffer(1 << 16);
    // Reads entry `index` whole through `sink`; false when its bytes cannot be read back as stored.
    const auto readEntry = [&](zip_uint64_t index, auto&& sink) {
        std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(za, index, 0));
        if (!file) return false;
        for (;;) {
            const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
            if (n < 0) return false;
            if (n == 0) return true;
            sink(buffer.data(), static_cast<std::size_t>(n));
        }
    };

    // Entries by their names' bytes as stored: libzip's own lookup compares names after its
    // guess at their encoding, which a name that is not UTF-8 does not survive.
    const zip_int64_t count = zip_get_num_entries(za, 0);
    std::map<std::string, zip_uint64_t> byName;
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW))
            byName.emplace(name, static_cast<zip_uint64_t>(i));
    const auto locate = [&](const std::string& name) -> zip_int64_t {
        const auto it = byName.find(name);
        return it == byName.end() ? -1 : static_cast<zip_int64_t>(it->second);
    };

    const zip_int64_t sumsIndex = locate(kSumsName);
    std::string sumsText;
    if (sumsIndex < 0 || !readEntry(static_cast<zip_uint64_t>(sumsIndex),
                                    [&](const char* data, std::size_t n) { sumsText.append(data, n); })) {
        result.error = std::string(kSumsName) + " is missing or unreadable";
        return result;
    }
    const auto sums = ParseSha256Sums(sumsText);
    if (!sums) {
        result.error = std::string(kSumsName) + " is not a list of SHA-256 sums";
        return result;
    }

    std::vector<bool> listed(static_cast<std::size_t>(std::max<zip_int64_t>(count, 0)), false);
    listed[static_cast<std::size_t>(sumsIndex)] = true;
    for (std::size_t i = 0; i < sums->size(); ++i) {
        const SumEntry& entry = (*sums)[i];
        VerifiedFile file{entry.name, FileCheck::Missing};
        const zip_int64_t index = locate(entry.name);
        if (index >= 0) {
            listed[static_cast<std::size_t>(index)] = true;
            Sha256 hash;
            const bool read = readEntry(static_cast<zip_uint64_t>(index),
                                        [&](const char* data, std::size_t n) { hash.update(data, n); });
            file.check = !read                           ? FileCheck::Damaged
                         : hash.finishHex() == entry.hex ? FileCheck::Match
                                                         : FileCheck::Mismatch;
        }
        result.files.push_back(std::move(file));
        if (progress && !progress(double(i + 1) / double(sums->size()))) return result;
    }
    for (zip_int64_t i = 0; i < count; ++i) {
        if (listed[static_cast<std::size_t>(i)]) continue;
        const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        std::string text = name ? name : "";
        // A folder entry holds no bytes to vouch for.
        if (!text.empty() && text.back() == '/') continue;
        result.files.push_back({std::move(text), FileCheck::Unlisted});
    }
    return result;
}

const char* FileCheckText(FileCheck check) {
    switch (check) {
        case FileCheck::Match: return "OK";
        case FileCheck::Mismatch: return "FAILED (does not match its sum)";
        case FileCheck::Missing: return "FAILED (listed but not in the package)";
        case FileCheck::Damaged: return "FAILED (cannot be read back)";
        case FileCheck::Unlisted: return "FAILED (not listed in SHA256SUMS)";
    }
    return "FAILED";
}

}  // namespace drv

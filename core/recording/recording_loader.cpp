#include "core/recording/recording_loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/common/file_names.h"
#include "core/common/numbers.h"
#include "core/exif/telemetry_decoder.h"
#include "core/graphs/graph_samples.h"
#include "core/recording/trigger_rule.h"

namespace drv {
namespace {

bool endsWithJpg(const std::string& name) {
    if (name.size() < 4) return false;
    const std::string_view tail(name.data() + name.size() - 4, 4);
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return tail[0] == '.' && lower(tail[1]) == 'j' && lower(tail[2]) == 'p' && lower(tail[3]) == 'g';
}

// Modification time in whole seconds; nothing when the file cannot be examined.
std::optional<std::int64_t> modificationSeconds(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Byte order, except that runs of digits compare by their value: IMG_2 before IMG_10. Names
// with zero-padded numbers of one width keep their byte order.
bool naturalNameLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (!isDigit(a[i]) || !isDigit(b[j])) {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i, ++j;
            continue;
        }
        // Two runs of digits compare by value: without their leading zeros, the shorter is
        // smaller, then digit by digit.
        std::size_t iEnd = i, jEnd = j;
        while (iEnd < a.size() && isDigit(a[iEnd])) ++iEnd;
        while (jEnd < b.size() && isDigit(b[jEnd])) ++jEnd;
        while (i + 1 < iEnd && a[i] == '0') ++i;
        while (j + 1 < jEnd && b[j] == '0') ++j;
        const std::string_view x = a.substr(i, iEnd - i), y = b.substr(j, jEnd - j);
        if (x.size() != y.size()) return x.size() < y.size();
        if (x != y) return x < y;
        i = iEnd, j = jEnd;
    }
    if (i < a.size() || j < b.size()) return i == a.size();
    return a < b;  // equal but for leading zeros ("IMG_02", "IMG_2"): byte order decides
}

}  // namespace

FileNameList ListJpgFiles(const std::filesystem::path& folder) {
    FileNameList names(1);
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return names;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        const std::filesystem::path name = it->path().filename();
        if (IsHiddenName(name) || !endsWithJpg(name.native())) continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        names.push_back(name);
    }
    std::sort(names.begin() + 1, names.end(), [](const std::filesystem::path& a, const std::filesystem::path& b) {
        return naturalNameLess(a.native(), b.native());
    });
    return names;
}

namespace {

// The listing may begin mid-recording: rotate it to start at the first file whose time is
// strictly earlier than that of entry 1.
void rotateToOldest(const std::filesystem::path& folder, FileNameList& names) {
    const std::size_t n = names.empty() ? 0 : names.size() - 1;
    if (n < 2) return;
    std::vector<std::optional<std::int64_t>> times(n + 1);
    for (std::size_t i = 1; i <= n; ++i) times[i] = modificationSeconds(folder / names[i]);

    // A file that vanished or cannot be examined has no time: it never marks the break and
    // the reference is the first file whose time is known.
    std::size_t reference = 1;
    while (reference <= n && !times[reference]) ++reference;
    if (reference > n) return;
    std::size_t c = 0;
    for (std::size_t i = reference + 1; i <= n; ++i) {
        if (times[i] && *times[i] < *times[reference]) {
            c = i;
            break;
        }
    }
    if (c == 0) return;
    std::rotate(names.begin() + 1, names.begin() + static_cast<std::ptrdiff_t>(c), names.end());
}

}  // namespace

void OrderFilesByTime(const std::filesystem::path& folder, FileNameList& names, std::size_t maxFrames) {
    rotateToOldest(folder, names);
    // Frame indexes are 16-bit throughout the viewer. The cut comes after the rotation, so
    // what goes is the newest end of the recording, not whatever sorts last by name.
    if (names.size() > maxFrames + 1) names.resize(maxFrames + 1);
}

void LoadFrame(const ExifTags& tags, FrameRecord& record, int index, RecordingState& state) {
    DecodeFrameTelemetry(tags, record);
    const FrameStatus status = DecodeFrameStatus(tags);
    ApplyTriggerRule(status, index, state);
    StoreGraphSamples(record, status, index, state.GraphSamples);
}

void LoadAllFrames(const std::filesystem::path& folder, const FileNameList& names, FrameTable& frames,
                   RecordingState& state, const LoadProgress& progress, const LoadCancelled& cancelled) {
    const std::size_t n = names.empty() ? 0 : names.size() - 1;
    frames.assign(n + 1, FrameRecord{});
    // Every recording is read on its own, from the start-up state: one without a trigger mark
    // must not show the trigger, signals, frame rate or quality of the one opened before.
    // The chart samples stay: those past this recording's end are never drawn.
    RecordingState fresh;
    fresh.GraphSamples = state.GraphSamples;
    state = std::move(fresh);
    for (std::size_t i = 1; i <= n; ++i) {
        if (cancelled && cancelled()) return;
        if (progress) progress(RoundToInt32(static_cast<double>(i) / static_cast<double>(n) * 100.0));
        const ExifTags tags = ReadExifTags(folder / names[i]);
        LoadFrame(tags, frames[i], static_cast<int>(i), state);
    }
}

}  // namespace drv

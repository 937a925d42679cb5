#include "core/events/event_cache.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/common/file_names.h"
#include "core/common/file_read.h"
#include "core/common/file_write.h"
#include "core/events/event_report.h"
#include "core/events/folder_files.h"
#include "core/common/sha256.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagic = "drviewer events cache 1\n";
constexpr std::string_view kTrailer = "sha256 ";
constexpr std::size_t kMaxCacheBytes = 64u << 20;
constexpr int kFields = 20;
constexpr int kMaxFrames = 1 << 20;

bool frameName(std::string_view name) {
    if (IsHiddenName(name) || name.size() < 4) return false;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".jpg";
}

std::string hexOf(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) out += kDigits[c >> 4], out += kDigits[c & 15];
    return out;
}

std::optional<std::string> fromHex(std::string_view hex) {
    if (hex.size() % 2) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        const auto r = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
        if (r.ec != std::errc() || r.ptr != hex.data() + i + 2) return std::nullopt;
        out += static_cast<char>(value);
    }
    return out;
}

// Numbers in the C locale whatever the program's locale: to_chars and from_chars.
template <typename T>
std::string number(T value) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

template <typename T>
bool parse(std::string_view text, T& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && !text.empty();
}

template <typename T, typename F>
std::string optional(const std::optional<T>& v, F format) {
    return v ? format(*v) : std::string("-");
}

template <typename T, typename P>
bool parseOptional(std::string_view text, std::optional<T>& out, P parser) {
    if (text == "-") return out.reset(), true;
    T value{};
    if (!parser(text, value)) return false;
    out = value;
    return true;
}

bool parseTime(std::string_view text, ClockTime& t) {
    // "2024-05-12T08:14:03"
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return false;
    auto field = [&](std::size_t at, std::size_t n, int& v) { return parse(text.substr(at, n), v); };
    if (!field(0, 4, t.year) || !field(5, 2, t.month) || !field(8, 2, t.day) || !field(11, 2, t.hour) ||
        !field(14, 2, t.minute) || !field(17, 2, t.second))
        return false;
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour <= 23 && t.minute <= 59 &&
           t.second <= 59;
}

bool parseBool(std::string_view text, bool& b) {
    if (text != "0" && text != "1") return false;
    b = text == "1";
    return true;
}

std::vector<std::string_view> split(std::string_view line, char sep) {
    std::vector<std::string_view> out;
    for (std::size_t at = 0;;) {
        const std::size_t end = line.find(sep, at);
        out.push_back(line.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) return out;
        at = end + 1;
    }
}

std::string entryLine(const std::string& path, const EventCache::Entry& e) {
    const EventSummary& s = e.summary;
    auto f = [](float v) { return number(v); };
    auto d = [](double v) { return number(v); };
    auto b = [](bool v) { return std::string(v ? "1" : "0"); };
    auto t = [](const ClockTime& v) { return EventTimeText(v); };
    const std::string fields[kFields] = {
        hexOf(path),
        e.signature,
        hexOf(s.pictureName.native()),
        number(s.frames),
        optional(s.firstShotAt, t),
        d(s.lengthSeconds),
        b(s.highFrameRate) + b(s.highQuality) + b(s.triggerFound),
        hexOf(s.triggerKind),
        number(s.triggerFrame),
        optional(s.triggerAt, t),
        optional(s.speedAtTrigger, f),
        optional(s.maxSpeed, f),
        f(s.peakAccelLongitudinal),
        f(s.peakAccelLateral),
        optional(s.brakeAfterTrigger, b),
        optional(s.brakeBeforeTrigger, b),
        optional(s.latitude, d),
        optional(s.longitude, d),
        number(s.damagedFrames),
        number(s.unopenedFrames),
    };
    std::string line;
    for (int i = 0; i < kFields; ++i) line += (i ? "\t" : "") + fields[i];
    return line + "\n";
}

// One entry, every value checked against what a scan can produce.
bool parseEntry(std::string_view line, std::string& path, EventCache::Entry& e) {
    const std::vector<std::string_view> f = split(line, '\t');
    if (f.size() != kFields) return false;
    EventSummary& s = e.summary;
    const auto p = fromHex(f[0]);
    const auto picture = fromHex(f[2]);
    const auto kind = fromHex(f[7]);
    if (!p || p->empty() || !picture || picture->empty() || picture->find('/') != std::string::npos || !kind)
        return false;
    if (f[1].size() != 64 || !fromHex(f[1])) return false;
    path = *p;
    e.signature = std::string(f[1]);
    s.path = *p;
    s.pictureName = *picture;
    s.triggerKind = *kind;
    auto finite = [](std::string_view text, auto& v) { return parse(text, v) && std::isfinite(v); };
    if (!parse(f[3], s.frames) || s.frames < 1 || s.frames > kMaxFrames) return false;
    if (!parseOptional(f[4], s.firstShotAt, parseTime) || !parseOptional(f[9], s.triggerAt, parseTime)) return false;
    if (!finite(f[5], s.lengthSeconds) || s.lengthSeconds < 0) return false;
    if (f[6].size() != 3 || !parseBool(f[6].substr(0, 1), s.highFrameRate) ||
        !parseBool(f[6].substr(1, 1), s.highQuality) || !parseBool(f[6].substr(2, 1), s.triggerFound))
        return false;
    if (!parse(f[8], s.triggerFrame) || s.triggerFrame < 0 || s.triggerFrame > s.frames ||
        s.triggerFound != (s.triggerFrame > 0))
        return false;
    if (!parseOptional(f[10], s.speedAtTrigger, finite) || !parseOptional(f[11], s.maxSpeed, finite)) return false;
    if (!finite(f[12], s.peakAccelLongitudinal) || !finite(f[13], s.peakAccelLateral)) return false;
    if (!parseOptional(f[14], s.brakeAfterTrigger, parseBool) || !parseOptional(f[15], s.brakeBeforeTrigger, parseBool))
        return false;
    if (!parseOptional(f[16], s.latitude, finite) || !parseOptional(f[17], s.longitude, finite)) return false;
    if (s.latitude.has_value() != s.longitude.has_value()) return false;
    if (s.latitude && (std::fabs(*s.latitude) > 90 || std::fabs(*s.longitude) > 180)) return false;
    if (!parse(f[18], s.damagedFrames) || s.damagedFrames < 0 || s.damagedFrames > s.frames) return false;
    if (!parse(f[19], s.unopenedFrames) || s.unopenedFrames < 0 || s.unopenedFrames > s.damagedFrames) return false;
    return true;
}

}  // namespace

std::string FolderSignature(const fs::path& folder, bool* watchable) {
    // Followed, as the frame listing follows links to files.
    const auto files = ListFolderFiles(folder, true, frameName);
    if (watchable) *watchable = files.has_value();
    if (!files) return {};
    // The attributes as raw bytes: nothing to format, and a fixed width keeps fields apart. The
    // change time, which no one can set back, rather than the inode number: FAT and exFAT number
    // a card's files afresh at each mount, which would make every folder new after a re-insert.
    std::string bytes;
    bytes.reserve(files->size() * 64);
    auto add = [&bytes](auto value) {
        const auto raw = static_cast<std::int64_t>(value);
        bytes.append(reinterpret_cast<const char*>(&raw), sizeof raw);
    };
    for (const FolderFile& f : *files) {
        if (watchable && (f.link || !S_ISREG(f.st.st_mode) || f.st.st_nlink != 1)) *watchable = false;
        bytes += f.name;
        bytes += '\0';
        add(f.st.st_mode), add(f.st.st_size), add(f.st.st_mtim.tv_sec), add(f.st.st_mtim.tv_nsec),
            add(f.st.st_ctim.tv_sec), add(f.st.st_ctim.tv_nsec);
    }
    return Sha256Hex(bytes);
}

EventCache::EventCache(fs::path file) : file_(std::move(file)) {
    if (auto parsed = Parse(ReadRegularFile(file_, kMaxCacheBytes))) {
        entries_ = std::move(*parsed);
        loaded_ = true;
    }
}

std::optional<EventSummary> EventCache::find(const fs::path& folder, const std::string& signature) {
    const auto it = entries_.find(folder.native());
    if (it == entries_.end()) return std::nullopt;
    it->second.seen = true;
    if (signature.empty() || it->second.signature != signature) return std::nullopt;
    EventSummary s = it->second.summary;
    s.path = folder;
    return s;
}

std::optional<EventSummary> EventCache::stored(const fs::path& folder) const {
    const auto it = entries_.find(folder.native());
    if (it == entries_.end()) return std::nullopt;
    EventSummary s = it->second.summary;
    s.path = folder;
    return s;
}

void EventCache::store(const fs::path& folder, const std::string& signature, const EventSummary& summary) {
    if (signature.empty()) return;
    Entry& e = entries_[folder.native()];
    e.signature = signature;
    e.summary = summary;
    e.summary.folder.clear();
    e.seen = true;
    changed_ = true;
}

Status EventCache::save(bool keepUnseen) {
    Entries kept;
    for (const auto& [path, e] : entries_)
        if (keepUnseen || e.seen) kept.emplace(path, e);
    // A rescan of an unchanged card leaves the file as it is: no write, no wait for the disk.
    if (loaded_ && !changed_ && kept.size() == entries_.size()) return Status::Success();
    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    return ReplaceFileContents(file_, Serialize(kept));
}

std::string EventCache::Serialize(const Entries& entries) {
    std::string text(kMagic);
    for (const auto& [path, e] : entries) text += entryLine(path, e);
    return text + std::string(kTrailer) + Sha256Hex(text) + "\n";
}

std::optional<EventCache::Entries> EventCache::Parse(const std::string& text) {
    // The digest line covers everything before it: a file cut short or changed is refused.
    if (text.size() < kMagic.size() + kTrailer.size() + 65 || text.compare(0, kMagic.size(), kMagic) != 0)
        return std::nullopt;
    const std::size_t trailer = text.size() - (kTrailer.size() + 65);
    if (text.compare(trailer, kTrailer.size(), kTrailer) != 0 || text.back() != '\n' ||
        Sha256Hex(std::string_view(text).substr(0, trailer)) != text.substr(trailer + kTrailer.size(), 64))
        return std::nullopt;
    Entries entries;
    std::string_view body = std::string_view(text).substr(kMagic.size(), trailer - kMagic.size());
    while (!body.empty()) {
        const std::size_t end = body.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        std::string path;
        Entry e;
        if (!parseEntry(body.substr(0, end), path, e) || !entries.emplace(path, std::move(e)).second)
            return std::nullopt;
        body.remove_prefix(end + 1);
    }
    return entries;
}

}  // namespace drv

#pragma once
// The event list's memory of a card: each recording's summary, keyed by its folder's path and
// a signature of its frame files (names, sizes, modification and change times), so that a
// second scan reads only the folders that changed. The file is checked whole (format, every
// value's range, a SHA-256 of its content): a damaged or foreign file is ignored and rewritten.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "core/common/status.h"
#include "core/events/event_summary.h"

namespace drv {

// A digest of the frame-named entries of `folder` (names, types, sizes, modification and
// change times); empty when the folder cannot be listed. Reads the listing and the file
// attributes only, never a file. `watchable`, when given, tells whether every frame is a
// plain file of one name, so that a watch on the folder sees every change to it.
std::string FolderSignature(const std::filesystem::path& folder, bool* watchable = nullptr);

class EventCache {
public:
    // Loads `file`; a missing, damaged or foreign file leaves the cache empty.
    explicit EventCache(std::filesystem::path file);

    // Whether the file was read and trusted.
    bool loaded() const { return loaded_; }
    std::size_t size() const { return entries_.size(); }

    // The summary stored for `folder` (as scanned) with this `signature`; nothing otherwise.
    // The summary's `folder` (relative to a root) is the caller's to set.
    std::optional<EventSummary> find(const std::filesystem::path& folder, const std::string& signature);
    // The summary stored for `folder`, whatever its signature: to show before checking it.
    std::optional<EventSummary> stored(const std::filesystem::path& folder) const;
    void store(const std::filesystem::path& folder, const std::string& signature, const EventSummary& summary);

    // Writes the cache through the safe writer, the folder made when missing, unless the file
    // already holds what it would write. `keepUnseen`: also the entries not looked up since
    // loading (a scan that ended early); otherwise they go.
    Status save(bool keepUnseen);

    // The file's text for `entries`, and the parsing of it (nothing for any fault): public for tests.
    struct Entry {
        std::string signature;
        EventSummary summary;
        bool seen = false;
    };
    using Entries = std::map<std::string, Entry>;  // by the folder path's bytes
    static std::string Serialize(const Entries& entries);
    static std::optional<Entries> Parse(const std::string& text);

private:
    std::filesystem::path file_;
    Entries entries_;
    bool loaded_ = false;
    bool changed_ = false;  // an entry stored since loading
};

}  // namespace drv

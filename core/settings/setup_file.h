#pragma once
// setup.dat: the recorder's 14-byte configuration record, its encoding and its two files.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/common/file_write.h"
#include "core/common/status.h"

namespace drv {

inline constexpr std::size_t kSetupSize = 14;
// Bytes 0, 3, 4 and 5 carry everything that is read back.
inline constexpr std::size_t kSetupMinDecodable = 6;

// A buffer of file bytes: 14 after encoding, whatever the stored file held after reading.
using SetupBytes = std::vector<std::uint8_t>;

struct ClockValue {
    int Year = 2000, Month = 1, Day = 1;
    int Hour = 0, Minute = 0, Second = 0;
};

// Option indexes follow the window's buttons: SpeedPulse 0..5 = "２" "４" "６" "８" "１６" "オート"
// (-1: nothing selected, stored as index 0).
struct RecorderSettings {
    int DangerLevel = 0;   // 0..15, 0 = off
    int ShockLevel = 8;    // 1..16
    int SpeedPulse = 1;    // option index
    int BuzzerVolume = 2;  // 0..3, 0 = off
    bool ExternalSwitch = true;
    bool DriveInfoUnit = false;
    bool Rate14fps = false;
    bool QualityHigh = false;
    int PreSeconds = 12;  // 5..15
    int PostSeconds = 8;  // 5..10
    bool ClockSet = false;
    ClockValue Clock;  // used only when ClockSet
};

struct EncodeResult {
    SetupBytes bytes;   // empty on failure
    std::string error;  // why a value cannot be stored
    bool ok() const { return error.empty(); }
};

// Builds the 14 bytes. Fails, producing nothing, when a value does not fit its byte or its
// bit field (a value spilling into a neighbour's bits would silently change another setting),
// or when the clock year lies outside 2000..2255.
// BuzzerVolume 0 (buzzer off) is stored as 0xF in bits 3..0 of byte 3, which is what volume - 1
// gives in four bits; the speed-pulse bits above it stay as they are.
EncodeResult EncodeSetup(const RecorderSettings& settings);

// Decodes bytes 0, 3, 4 and 5; the clock is never read back (ClockSet comes back false).
// Nothing when fewer than six bytes are given. Values outside the window's ranges come
// through as stored (e.g. PreSeconds 0); the window's text rules deal with them.
std::optional<RecorderSettings> DecodeSetup(const SetupBytes& bytes);

// Low 8 bits of the sum of bytes 0..12 (the recorder's checksum in byte 13).
std::uint8_t SetupChecksum(const SetupBytes& bytes);

// Writes `bytes` at the start of `path`, creating the file when missing. A longer existing file
// keeps its bytes beyond the written ones. Folders are never created. The file is replaced as a
// whole (file_write.h), so a failed write (full disk, pulled card) leaves the older file as it
// was, never an empty or short one. On a card the fixed name must not lead elsewhere:
// LinkPolicy::Refuse there.
Status WriteSetupFile(const std::filesystem::path& path, const SetupBytes& bytes,
                      LinkPolicy links = LinkPolicy::WriteThrough);

// Reads `path` whole into `bytes` (at most kSetupReadCap bytes, far more than the record
// needs). Only an ordinary file is read: a pipe or a device is refused at once rather than
// waited on. A failure says why when it cannot be opened or read; `bytes` is then left untouched.
inline constexpr std::size_t kSetupReadCap = 1 << 20;
Status ReadSetupBytes(const std::filesystem::path& path, SetupBytes& bytes);

enum class SetupReadStatus { Found, Absent, Failed };

// Looks for `folder`/`name`: an ordinary file (dot-named hidden files count as absent) is read
// as ReadSetupBytes does; otherwise `bytes` is left untouched. A file that exists but cannot be
// read is Failed.
SetupReadStatus ReadSetupFile(const std::filesystem::path& folder, const std::string& name, SetupBytes& bytes);

}  // namespace drv

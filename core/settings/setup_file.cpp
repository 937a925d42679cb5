#include "core/settings/setup_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace drv {

namespace {

// One stored field: its value must lie in [lo, hi] to fit its bits without touching others.
bool inRange(long long value, long long lo, long long hi) { return value >= lo && value <= hi; }

std::string outOfRange(const char* field, long long value) {
    return std::string(field) + " " + std::to_string(value) + " cannot be stored";
}

std::string errnoText(const char* what, const std::filesystem::path& path, int err) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(err);
}

}  // namespace

std::uint8_t SetupChecksum(const SetupBytes& bytes) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < 13 && i < bytes.size(); ++i) sum += bytes[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

EncodeResult EncodeSetup(const RecorderSettings& s) {
    EncodeResult result;
    if (!inRange(s.DangerLevel, 0, 15)) return {{}, outOfRange("DangerLevel", s.DangerLevel)};
    if (!inRange(s.ShockLevel, 1, 16)) return {{}, outOfRange("ShockLevel", s.ShockLevel)};
    if (!inRange(s.SpeedPulse, -1, 7)) return {{}, outOfRange("SpeedPulse", s.SpeedPulse)};
    if (!inRange(s.BuzzerVolume, 0, 15)) return {{}, outOfRange("BuzzerVolume", s.BuzzerVolume)};
    if (!inRange(s.PreSeconds, 0, 15)) return {{}, outOfRange("PreSeconds", s.PreSeconds)};
    if (!inRange(s.PostSeconds, 0, 15)) return {{}, outOfRange("PostSeconds", s.PostSeconds)};
    if (s.ClockSet) {
        const ClockValue& c = s.Clock;
        if (!inRange(c.Year, 2000, 2255)) return {{}, outOfRange("clock year", c.Year)};
        if (!inRange(c.Month, 0, 255) || !inRange(c.Day, 0, 255) || !inRange(c.Hour, 0, 255) ||
            !inRange(c.Minute, 0, 255) || !inRange(c.Second, 0, 255))
            return {{}, "clock value cannot be stored"};
    }

    SetupBytes b(kSetupSize, 0);
    b[0] = static_cast<std::uint8_t>(s.DangerLevel * 16 + s.ShockLevel - 1);
    const int pulse = s.SpeedPulse < 0 ? 0 : s.SpeedPulse;
    // Volume 0 takes the four-bit form of volume - 1 (0xF), so it round-trips.
    const int buzzerNibble = s.BuzzerVolume == 0 ? 0x0F : s.BuzzerVolume - 1;
    b[3] = static_cast<std::uint8_t>(pulse * 16 + buzzerNibble);
    std::uint8_t flags = 0;
    if (s.ExternalSwitch) flags |= 0x02;
    if (s.DriveInfoUnit) flags |= 0x04;
    if (s.Rate14fps) flags |= 0x40;
    if (s.QualityHigh) flags |= 0x80;
    b[4] = flags;
    b[5] = static_cast<std::uint8_t>(s.PostSeconds * 16 + s.PreSeconds);
    if (s.ClockSet) {
        b[7] = static_cast<std::uint8_t>(s.Clock.Year - 2000);
        b[8] = static_cast<std::uint8_t>(s.Clock.Month);
        b[9] = static_cast<std::uint8_t>(s.Clock.Day);
        b[10] = static_cast<std::uint8_t>(s.Clock.Hour);
        b[11] = static_cast<std::uint8_t>(s.Clock.Minute);
        b[12] = static_cast<std::uint8_t>(s.Clock.Second);
    }
    b[13] = SetupChecksum(b);
    result.bytes = std::move(b);
    return result;
}

std::optional<RecorderSettings> DecodeSetup(const SetupBytes& b) {
    if (b.size() < kSetupMinDecodable) return std::nullopt;
    RecorderSettings s;
    s.DangerLevel = b[0] >> 4;
    s.ShockLevel = (b[0] & 0x0F) + 1;
    s.SpeedPulse = (b[3] & 0x70) >> 4;
    if (s.SpeedPulse > 5) s.SpeedPulse = 0;
    const int nibble = b[3] & 0x0F;
    s.BuzzerVolume = nibble == 0x0F ? 0 : nibble + 1;
    s.ExternalSwitch = (b[4] & 0x02) != 0;
    s.DriveInfoUnit = (b[4] & 0x04) != 0;
    s.Rate14fps = (b[4] & 0x40) != 0;
    s.QualityHigh = (b[4] & 0x80) != 0;
    s.PreSeconds = b[5] & 0x0F;
    s.PostSeconds = b[5] >> 4;
    s.ClockSet = false;
    return s;
}

FileResult WriteSetupFile(const std::filesystem::path& path, const SetupBytes& bytes) {
    // No O_TRUNC: a longer file keeps its tail.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return {errnoText("cannot open", path, errno)};
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return {errnoText("cannot write", path, err)};
        }
        if (n == 0) {
            ::close(fd);
            return {"cannot write " + path.string() + ": nothing written"};
        }
        done += static_cast<std::size_t>(n);
    }
    // A removable card may only report a failed write when the data reaches it.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int err = errno;
        ::close(fd);
        return {errnoText("cannot flush", path, err)};
    }
    if (::close(fd) != 0) return {errnoText("cannot close", path, errno)};
    return {};
}

bool ReadSetupBytes(const std::filesystem::path& path, SetupBytes& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = errnoText("cannot open", path, errno);
        return false;
    }
    SetupBytes data;
    char buffer[4096];
    while (data.size() < kSetupReadCap) {
        const std::size_t want = std::min(sizeof buffer, kSetupReadCap - data.size());
        in.read(buffer, static_cast<std::streamsize>(want));
        const std::streamsize got = in.gcount();
        data.insert(data.end(), buffer, buffer + got);
        if (got < static_cast<std::streamsize>(want)) break;
    }
    if (in.bad()) {
        error = "cannot read " + path.string();
        return false;
    }
    bytes = std::move(data);
    return true;
}

SetupReadStatus ReadSetupFile(const std::filesystem::path& folder, const std::string& name, SetupBytes& bytes) {
    if (name.empty() || name.front() == '.') return SetupReadStatus::Absent;
    const std::filesystem::path path = folder / name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return SetupReadStatus::Absent;
    std::string error;
    return ReadSetupBytes(path, bytes, error) ? SetupReadStatus::Found : SetupReadStatus::Failed;
}

}  // namespace drv

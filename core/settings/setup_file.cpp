#include "core/settings/setup_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace drv {

namespace {

// One stored field: its value must lie in [lo, hi] to fit its bits without touching others.
bool inRange(long long value, long long lo, long long hi) { return value >= lo && value <= hi; }

std::string outOfRange(const char* field, long long value) {
    return std::string(field) + " " + std::to_string(value) + " cannot be stored";
}

Status errnoStatus(const char* what, const std::filesystem::path& path, int err) {
    return Status::FromErrno(err, std::string(what) + " " + path.string());
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

Status WriteSetupFile(const std::filesystem::path& path, const SetupBytes& bytes, LinkPolicy links) {
    const auto failed = [&](const Status& why) {
        return Status::Failure("cannot write " + path.string() + ": " + why.message, why.errorNumber);
    };
    ReplacingFile file;
    if (Status s = file.open(path, links); !s) return failed(s);
    if (Status s = file.write(bytes.data(), bytes.size()); !s) return failed(s);
    // The tail of a longer file comes along; a tail that cannot be read fails the save rather
    // than shortening the file.
    const int old = ::open(file.finalTarget().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (old < 0 && errno != ENOENT) return failed(Status::FromErrno(errno, ""));
    if (old >= 0) {
        char buffer[4096];
        off_t at = static_cast<off_t>(bytes.size());
        for (;;) {
            const ssize_t n = ::pread(old, buffer, sizeof buffer, at);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const Status why = Status::FromErrno(errno, "");
                ::close(old);
                return failed(why);
            }
            if (n == 0) break;
            if (Status s = file.write(buffer, static_cast<std::size_t>(n)); !s) {
                ::close(old);
                return failed(s);
            }
            at += n;
        }
        ::close(old);
    }
    if (Status s = file.commit(); !s) return failed(s);
    return Status::Success();
}

Status ReadSetupBytes(const std::filesystem::path& path, SetupBytes& bytes) {
    // Without O_NONBLOCK, opening a pipe waits for a writer that may never come.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errnoStatus("cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? errnoStatus("cannot read", path, EISDIR)
                                   : Status::Failure("cannot read " + path.string() + ": not a regular file");
    }
    SetupBytes data;
    char buffer[4096];
    while (data.size() < kSetupReadCap) {
        const std::size_t want = std::min(sizeof buffer, kSetupReadCap - data.size());
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const Status failed = errnoStatus("cannot read", path, errno);
            ::close(fd);
            return failed;
        }
        if (got == 0) break;
        data.insert(data.end(), buffer, buffer + got);
    }
    ::close(fd);
    bytes = std::move(data);
    return Status::Success();
}

SetupReadStatus ReadSetupFile(const std::filesystem::path& folder, const std::string& name, SetupBytes& bytes) {
    if (name.empty() || name.front() == '.') return SetupReadStatus::Absent;
    const std::filesystem::path path = folder / name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return SetupReadStatus::Absent;
    return ReadSetupBytes(path, bytes) ? SetupReadStatus::Found : SetupReadStatus::Failed;
}

}  // namespace drv

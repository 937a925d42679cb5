// Fuzz target: any bytes as a stored setup.dat, read through the file path the settings
// window uses, loaded into the settings form (decode, then every value through the typed
// rules) and stored again. What the form gives back must encode, and what it encodes must
// decode to the same values.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/settings/setting_form.h"
#include "core/settings/setup_file.h"

namespace {

// No speed-pulse choice is stored as the first.
int storedPulse(int option) { return option < 0 ? 0 : option; }

bool sameStored(const drv::RecorderSettings& a, const drv::RecorderSettings& b) {
    return a.DangerLevel == b.DangerLevel && a.ShockLevel == b.ShockLevel &&
           storedPulse(a.SpeedPulse) == storedPulse(b.SpeedPulse) && a.BuzzerVolume == b.BuzzerVolume &&
           a.ExternalSwitch == b.ExternalSwitch && a.DriveInfoUnit == b.DriveInfoUnit && a.Rate14fps == b.Rate14fps &&
           a.QualityHigh == b.QualityHigh && a.PreSeconds == b.PreSeconds && a.PostSeconds == b.PostSeconds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("setup.dat", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
    if (size > 0 && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    drv::SetupBytes bytes;
    if (!drv::ReadSetupBytes("/proc/self/fd/" + std::to_string(fd), bytes)) std::abort();
    if (bytes != drv::SetupBytes(data, data + size)) std::abort();

    drv::SettingForm form;
    if (!form.Prepare(&bytes)) {
        if (bytes.size() >= drv::kSetupMinDecodable) std::abort();
        return 0;
    }
    const auto settings = form.ToSettings();
    if (!settings) return 0;  // the form refuses to store what its boxes show
    const drv::EncodeResult stored = drv::EncodeSetup(*settings);
    if (!stored.ok()) return 0;
    if (stored.bytes.size() != drv::kSetupSize) std::abort();
    const auto back = drv::DecodeSetup(stored.bytes);
    if (!back || !sameStored(*back, *settings)) std::abort();
    return 0;
}

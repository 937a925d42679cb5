// Fuzz target: any bytes as a frame file, read through the path the viewer uses and loaded as
// a frame of a recording.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/recording/recording_loader.h"

namespace {

// One in-memory file for the whole run, rewritten for each input and read by its path.
struct MemoryFile {
    int fd = ::memfd_create("frame.jpg", MFD_CLOEXEC);
    std::string path = "/proc/self/fd/" + std::to_string(fd);
    MemoryFile() {
        if (fd < 0) std::abort();
    }
    void write(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(fd, 0) != 0) std::abort();
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    file.write(data, size);
    drv::RecordingState state;
    drv::FrameRecord record;
    drv::ExifReadCost cost;
    const drv::ExifTags tags = drv::ReadExifTags(file.path, &cost);
    // Nothing beyond the reader's window is ever read or held.
    if (cost.bytesRead > drv::kExifReadLimit || cost.bufferBytes > drv::kExifReadLimit) std::abort();
    // Frame indexes at both ends of the sample table and past it.
    for (int index : {1, 441, 442}) drv::LoadFrame(tags, record, index, state);

    // The decoder on its own, with texts the reader would never produce.
    drv::ExifTags raw;
    const std::size_t half = size / 2;
    raw.MakerNoteText.assign(reinterpret_cast<const char*>(data), half);
    raw.UserCommentHex.assign(reinterpret_cast<const char*>(data) + half, size - half);
    raw.DateTimeText = raw.MakerNoteText;
    drv::LoadFrame(raw, record, size % 2 ? 3 : 32767, state);
    return 0;
}

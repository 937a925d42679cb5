#pragma once
// Recorder-style frames and temporary folders for tests, and a runner for command-line tools.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/recording/recording.h"
#include "core/recording/recording_dump.h"
#include "core/exif/exif_reader.h"
#include "core/exif/frame_writer.h"

namespace drv::test {

// The worked example frame: 52.3 km/h, brake on, 0.25/0.12/0.98 G, N 35°40'41.2", E 139°45'06.7".
inline MakerNoteFields ExampleFields() {
    MakerNoteFields f;
    f.speed = 52.3, f.brake = true, f.accelLongitudinal = 0.25, f.accelLateral = 0.12, f.accelAxis3 = 0.98;
    f.year = 2007, f.month = 10, f.day = 10, f.hour = 4, f.minute = 18, f.second = 59;
    f.latitudeDegrees = 35, f.latitudeMinutes = 40, f.latitudeSeconds = 41, f.latitudeTenths = 2;
    f.longitudeDegrees = 139, f.longitudeMinutes = 45, f.longitudeSeconds = 6, f.longitudeTenths = 7;
    return f;
}

inline FrameExif ExampleExif(bool bigEndian = false) {
    FrameExif exif;
    exif.bigEndian = bigEndian;
    const MakerNoteFields f = ExampleFields();
    exif.makerNote = FormatMakerNote(f);
    SetAccelerationSigns(exif, f);
    exif.dateTimeOriginal = "2007:10:10 04:18:59";
    exif.dateTimeDigitized = "2007:10:10 04:19:00";
    exif.dateTime = "2008:01:02 03:04:05";
    for (std::size_t i = 0; i < 20; ++i) exif.userComment[i] = static_cast<std::uint8_t>(0xA0 + i);
    return exif;
}

inline std::vector<std::uint8_t> FrameBytes(const FrameExif& exif, ExifLayout* layout = nullptr) {
    const auto body = TinyJpegBody();
    return BuildFrame(exif, body.data(), body.size(), layout);
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

// A whole file as text, or as bytes with T = std::vector<std::uint8_t>.
template <typename T = std::string>
T ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return T(std::istreambuf_iterator<char>(in), {});
}

// Modification time in whole seconds since the epoch.
inline void SetModificationTime(const std::filesystem::path& path, long seconds) {
    struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimes(path.c_str(), times);
}

// A recording of `frames` frames 00001.jpg.. in `dir` (made if missing), frame i carrying
// exifOf(i) and modified i seconds after a fixed time, so that time order is name order.
template <typename ExifOf>
void WriteRecording(const std::filesystem::path& dir, int frames, ExifOf exifOf) {
    std::filesystem::create_directories(dir);
    for (int i = 1; i <= frames; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%05d.jpg", i);
        WriteFile(dir / name, FrameBytes(exifOf(i)));
        SetModificationTime(dir / name, 1'700'000'000 + i);
    }
}

// The folder loaded as the viewer and drtool load it; a failure fails the calling test.
inline Recording LoadedFolder(const std::filesystem::path& dir) {
    Recording r;
    const Status loaded = LoadRecordingFolder(dir, r);
    EXPECT_TRUE(loaded) << loaded.message;
    return r;
}

// A recording of `frames` frames with blank telemetry, in memory only.
inline Recording BlankRecording(int frames) {
    Recording r;
    r.folder = "/cards/rec";
    r.fileNames.assign(static_cast<std::size_t>(frames) + 1, "f.jpg");
    r.frames.assign(static_cast<std::size_t>(frames) + 1, FrameRecord{});
    return r;
}

// A fresh folder under the test temporary directory, removed with the object.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "drv-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct ShellRun {
    int status = -1;
    std::string out;
};

// The bytes as a frame file (in memory, so that rewriting it costs no disk flush), read back
// through its path; a larger `fileSize` makes the file that long, sparse after the bytes.
inline ExifTags ReadTagsOf(const std::vector<std::uint8_t>& bytes, ExifReadCost* cost = nullptr, off_t fileSize = 0) {
    static const int fd = ::memfd_create("frame.jpg", MFD_CLOEXEC);
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()) ||
        (fileSize > 0 && ::ftruncate(fd, fileSize) != 0)) {
        ADD_FAILURE() << "cannot write the in-memory frame file";
    }
    return ReadExifTags("/proc/self/fd/" + std::to_string(fd), cost);
}

// Runs a shell command and collects its standard output.
inline ShellRun Shell(const std::string& command) {
    ShellRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buf;
    for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0;) run.out.append(buf.data(), n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

inline std::string Quote(const std::filesystem::path& path) {
    std::string q = "'";
    for (char c : path.string()) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// What ffprobe says of a file's first video stream: `entries` as -show_entries takes them, read
// back as key=value.
inline std::map<std::string, std::string> ProbeVideo(const std::filesystem::path& file, const std::string& entries) {
    const std::string out =
        Shell("ffprobe -v error -select_streams v:0 -show_entries " + entries + " -of default=nw=1 " + Quote(file)).out;
    std::map<std::string, std::string> fields;
    for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = out.substr(at, end - at);
        fields[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
    return fields;
}

// The built drtool, quoted for the shell; empty when the test runs without it.
inline std::string Tool() {
    const char* tool = std::getenv("DRV_TOOL");
    return tool ? Quote(tool) : "";
}

#define DRV_REQUIRE_TOOL() \
    if (::drv::test::Tool().empty()) GTEST_SKIP() << "DRV_TOOL not set"

}  // namespace drv::test

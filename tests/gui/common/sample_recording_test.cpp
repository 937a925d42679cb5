#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QImage>
#include <QString>
#include <filesystem>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/loading/frame_loader.h"
#include "gui/common/sample_recording.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "drv-gui-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

long mtimeOf(const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return static_cast<long>(st.st_mtime);
}

TEST(SampleRecording, WritesDecodablePicturesWithTelemetryAndTimesOneSecondApart) {
    TempDir dir;
    SampleOptions o;
    o.frames = 4;
    o.rotate = 3;
    std::string error;
    ASSERT_TRUE(MakeSampleRecording(dir.path / "rec", o, &error)) << error;
    EXPECT_EQ(SampleFileName(o, 1), "00003.JPG");
    EXPECT_EQ(SampleFileName(o, 3), "00001.JPG");
    for (int i = 1; i <= 4; ++i) {
        const fs::path file = dir.path / "rec" / SampleFileName(o, i);
        QImage image(QString::fromStdString(file.string()));
        ASSERT_FALSE(image.isNull()) << file;
        EXPECT_EQ(image.size(), QSize(640, 480));
        EXPECT_EQ(mtimeOf(file), o.startTime + i - 1);
        EXPECT_EQ(ReadExifTags(file).MakerNoteText.size(), 48u);
    }
    // The listing starts mid-recording; the time order undoes it.
    FileNameList names = ListJpgFiles(dir.path / "rec");
    EXPECT_EQ(names[1].native(), "00001.JPG");
    OrderFilesByTime(dir.path / "rec", names);
    EXPECT_EQ(names[1].native(), "00003.JPG");
}

}  // namespace
}  // namespace drv

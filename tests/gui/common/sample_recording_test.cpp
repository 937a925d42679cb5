#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QImage>
#include <QString>
#include <string>

#include "core/exif/exif_reader.h"
#include "core/loading/frame_loader.h"
#include "gui/common/sample_recording.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

TEST(SampleRecording, WritesDecodablePicturesWithTelemetryAndTimesOneSecondApart) {
    test::TempFolder dir;
    const std::filesystem::path rec = dir.path() / "rec";
    SampleOptions o;
    o.frames = 4;
    o.rotate = 3;
    std::string error;
    ASSERT_TRUE(MakeSampleRecording(rec, o, &error)) << error;
    EXPECT_EQ(SampleFileName(o, 1), "00003.JPG");
    EXPECT_EQ(SampleFileName(o, 3), "00001.JPG");
    for (int i = 1; i <= 4; ++i) {
        const std::filesystem::path file = rec / SampleFileName(o, i);
        const QImage image(QString::fromStdString(file.string()));
        EXPECT_EQ(image.size(), QSize(640, 480)) << file;
        struct stat st {};
        ::stat(file.c_str(), &st);
        EXPECT_EQ(st.st_mtime, o.startTime + i - 1);
        EXPECT_EQ(ReadExifTags(file).MakerNoteText.size(), 48u);
    }
    // The listing starts mid-recording; the time order undoes it.
    FileNameList names = ListJpgFiles(rec);
    EXPECT_EQ(names[1].native(), "00001.JPG");
    OrderFilesByTime(rec, names);
    EXPECT_EQ(names[1].native(), "00003.JPG");
}

}  // namespace
}  // namespace drv

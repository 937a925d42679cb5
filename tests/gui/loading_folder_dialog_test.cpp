#include <QUrl>
#include <gtest/gtest.h>

#include "core/recording/recording_loader.h"
#include "gui/common/dialogs.h"
#include "gui/common/sample_recording.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

// The conversions behind the picker's answer: a folder whose name is not UTF-8 comes back as its
// own bytes, from a file URL (bytes percent-encoded, as the desktop's pickers give it) or from text
// through the file-name codec (U+FFFD in place of the bytes), and its frames load.
TEST(PickedFolder, NamesThatAreNotUtf8ComeBackAsTheirBytes) {
    test::TempFolder tmp;  // removes by bytes, which QTemporaryDir cannot
    const std::filesystem::path root = tmp.path();
    const std::filesystem::path folder = root / "\xff\xfe rec", nested = folder / "\x83\x74 sub";
    std::filesystem::create_directories(nested);
    std::filesystem::create_directory(root / "\xfe rec");  // shown differently: one U+FFFD
    SampleOptions o;
    o.frames = 3, o.drawPictures = false;
    ASSERT_TRUE(MakeSampleRecording(folder, o, nullptr));
    const QUrl desktop(QStringLiteral("file://") + PathToQString(root) + QStringLiteral("/%FF%FE%20rec"));
    const QString shown = PathToQString(folder);
    EXPECT_EQ(PathToUrl(folder), desktop) << "the start folder goes out in the same form";
    for (const std::filesystem::path& back : {UrlToPath(desktop), UrlToPath(QUrl::fromLocalFile(shown)),
                                              QStringToPath(shown), QStringToPath(PathToQString(nested)).parent_path()})
        EXPECT_EQ(back, folder);
    EXPECT_EQ(ListJpgFiles(UrlToPath(desktop)).size(), 4u) << "its frames load";
    std::filesystem::create_directory(root / "\xfe\xff rec");  // now two names show as the same text
    EXPECT_FALSE(std::filesystem::exists(QStringToPath(shown))) << "never a guess";
    EXPECT_EQ(UrlToPath(desktop), folder) << "a URL needs none";
}

}  // namespace
}  // namespace drv

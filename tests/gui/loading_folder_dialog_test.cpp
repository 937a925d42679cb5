#include <QUrl>
#include <gtest/gtest.h>

#include "core/loading/frame_loader.h"
#include "gui/common/dialogs.h"
#include "gui/common/sample_recording.h"
#include "gui/loading/folder_dialog.h"
#include "tests/core/support/frame_files.h"
#include "tests/gui/support/fake_dialogs.h"

namespace drv {
namespace {

TEST(BrowseForFolder, ReturnsTheChosenOrTheUnchangedStartFolder) {
    const QString title = QStringLiteral("画像保存先フォルダを選択してください");
    // An `answer` of none: the user cancels.
    struct Case { const char* what; std::string start; std::optional<std::string> answer; std::string expected; };
    const Case cases[] = {
        {"CancelKeepsBlanks", "  /media/card/rec  ", std::nullopt, "  /media/card/rec  "},
        {"CancelWithNoFolderOpen", "", std::nullopt, ""},
        {"ConfirmDropsTrailingSlashes", "/media/card/rec", "/media/card/other//", "/media/card/other"},
        {"ConfirmRootWithExtraSlashes", "/home", "///", "/"},
        {"ConfirmKeepsBlanksInNames", "", " /tmp/ x ", " /tmp/ x "},
        {"ConfirmNonUtf8Name", "/a", "/media/\xff\xfe rec/", "/media/\xff\xfe rec"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::FakeDialogs dialogs;
        if (c.answer) dialogs.folders.push_back(*c.answer);
        EXPECT_EQ(BrowseForFolder(dialogs, nullptr, title, c.start).native(), c.expected);
        ASSERT_EQ(dialogs.browsed.size(), 1u);
        EXPECT_EQ(dialogs.browsed[0].title, title);
        EXPECT_EQ(dialogs.browsed[0].startFolder.native(), c.start) << "the picker opens on the start folder as given";
    }
}

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

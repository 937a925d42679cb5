#include <gtest/gtest.h>

#include "gui/loading/folder_dialog.h"
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

}  // namespace
}  // namespace drv

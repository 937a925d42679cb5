#include <gtest/gtest.h>

#include "gui/loading/folder_dialog.h"
#include "tests/gui/support/fake_dialogs.h"

namespace drv {
namespace {

const QString kTitle = QStringLiteral("画像保存先フォルダを選択してください");

struct BrowseCase {
    const char* what;
    std::string start;
    std::optional<std::string> answer;  // none: the user cancels
    std::string expected;
};

class BrowseForFolderTest : public ::testing::TestWithParam<BrowseCase> {};

TEST_P(BrowseForFolderTest, ReturnsTheChosenOrTheUnchangedStartFolder) {
    const BrowseCase& c = GetParam();
    test::FakeDialogs dialogs;
    if (c.answer) dialogs.folders.push_back(*c.answer);
    const std::filesystem::path result = BrowseForFolder(dialogs, nullptr, kTitle, c.start);
    EXPECT_EQ(result.native(), c.expected);
    ASSERT_EQ(dialogs.browsed.size(), 1u);
    EXPECT_EQ(dialogs.browsed[0].title, kTitle);
    EXPECT_EQ(dialogs.browsed[0].startFolder.native(), c.start) << "the picker opens on the start folder as given";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrowseForFolderTest,
    ::testing::Values(
        BrowseCase{"CancelKeepsBlanks", "  /media/card/rec  ", std::nullopt, "  /media/card/rec  "},
        BrowseCase{"CancelKeepsTrailingSlash", "/media/card/rec/", std::nullopt, "/media/card/rec/"},
        BrowseCase{"CancelWithNoFolderOpen", "", std::nullopt, ""},
        BrowseCase{"ConfirmStartFolder", "/media/card/rec", "/media/card/rec", "/media/card/rec"},
        BrowseCase{"ConfirmDropsTrailingSlashes", "/media/card/rec", "/media/card/other//", "/media/card/other"},
        BrowseCase{"ConfirmRoot", "/home", "/", "/"},
        BrowseCase{"ConfirmRootWithExtraSlashes", "/home", "///", "/"},
        BrowseCase{"ConfirmKeepsBlanksInNames", "", " /tmp/ x ", " /tmp/ x "},
        BrowseCase{"ConfirmNonUtf8Name", "/a", "/media/\xff\xfe rec/", "/media/\xff\xfe rec"}),
    [](const ::testing::TestParamInfo<BrowseCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace drv

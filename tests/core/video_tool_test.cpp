// drtool video and drtool sample as a user runs them: the programs, their exit codes, messages
// and the files they leave.
#include <gtest/gtest.h>

#include <string>

#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

// drtool draws its pictures with Qt Gui alone: a machine without the widget library runs it.
TEST(DrawingLibrary, DrtoolNeedsNoWidgetLibrary) {
    DRV_REQUIRE_TOOL();
    const test::ShellRun needed = test::Shell("readelf -d " + test::Tool() + " | grep NEEDED");
    ASSERT_EQ(needed.status, 0);
    EXPECT_NE(needed.out.find("libQt6Gui"), std::string::npos) << needed.out;
    EXPECT_EQ(needed.out.find("libQt6Widgets"), std::string::npos) << needed.out;
}

}  // namespace
}  // namespace drv

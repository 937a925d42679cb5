// drtool brighten: the PNG holds exactly what the chosen variant makes of the decoded picture.
#include <QImage>
#include <gtest/gtest.h>

#include "core/viewer/brightness.h"
#include "gui/common/dialogs.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

test::ShellRun brighten(const std::string& args) { return test::Shell(test::Tool() + " brighten " + args + " 2>&1"); }

TEST(ToolBrighten, WritesTheChosenVariantLosslesslyOrSaysWhyNot) {
    DRV_REQUIRE_TOOL();
    test::TempFolder dir;
    const auto out = dir.path() / "out.png";
    QImage in(37, 11, QImage::Format_RGB32);  // odd width: rows with padding
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x) in.setPixelColor(x, y, QColor((x * 7) % 256, (y * 23) % 256, (x * y) % 256));
    // The two variants differ on this picture, so either flag going astray shows.
    const struct { const char* factor; bool integer; const char* format; } cases[] = {{"1.5", false, "jpg"}, {"2.0", true, "bmp"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const auto file = dir.path() / (std::string("in.") + c.format);
        ASSERT_TRUE(in.save(PathToQString(file), c.format, 90));
        const std::string flags = std::string("--factor ") + c.factor + (c.integer ? " --integer " : " ");
        ASSERT_EQ(brighten(flags + test::Quote(file) + " " + test::Quote(out)).status, 0);
        QImage want = QImage(PathToQString(file)).convertToFormat(QImage::Format_BGR888);
        const auto stride = std::size_t(want.bytesPerLine()), rows = std::size_t(want.height());
        const bool x2 = c.factor[0] == '2';
        c.integer ? BrightenPictureInteger(want.bits(), stride, rows, x2) : BrightenPicture(want.bits(), stride, rows, x2);
        EXPECT_EQ(QImage(PathToQString(out), "PNG").convertToFormat(QImage::Format_RGB32),
                  want.convertToFormat(QImage::Format_RGB32));
    }
    std::filesystem::remove(out);
    test::WriteFile(dir.path() / "bad.jpg", {0xFF, 0xD8, 0xFF, 'n', 'o'});
    const struct { std::string args; int status; const char* says; } failures[] = {
        {"--factor 3 " + test::Quote(dir.path() / "in.jpg"), 2, "1.5 or 2.0"},
        {"--factor 1.5 " + test::Quote(dir.path() / "bad.jpg"), 1, "cannot read"}};
    for (const auto& f : failures) {
        const test::ShellRun run = brighten(f.args + " " + test::Quote(out));
        EXPECT_EQ(run.status, f.status);
        EXPECT_NE(run.out.find(f.says), std::string::npos) << run.out;
        EXPECT_FALSE(std::filesystem::exists(out)) << "nothing written on failure";
    }
}

}  // namespace
}  // namespace drv

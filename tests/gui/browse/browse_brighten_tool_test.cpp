#include <QProcess>
#include <gtest/gtest.h>
#include <cstdlib>

#include "core/viewer/brightness.h"
#include "tests/gui/browse/browse_fixtures.h"

namespace drv {
namespace {

using test::PictureFolder;

int runTool(const QStringList& args, QString* errors = nullptr) {
    QProcess p;
    p.start(QString::fromLocal8Bit(std::getenv("DRV_TOOL")), QStringList{QStringLiteral("brighten")} + args);
    if (!p.waitForFinished(30000)) return -1;
    if (errors) *errors = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The tool's PNG holds exactly what the chosen variant makes of the decoded input.
TEST(BrowseBrightenTool, WritesTheTransformedPixelsLosslessly) {
    if (!std::getenv("DRV_TOOL")) GTEST_SKIP() << "DRV_TOOL not set";
    const struct { const char* factor; bool integer; const char* inputFormat; } cases[] = {
        {"1.5", false, "jpg"}, {"2.0", false, "bmp"}, {"2.0", true, "png"}, {"1.5", true, "jpg"}};
    PictureFolder folder;
    QImage in(37, 11, QImage::Format_RGB32);  // odd width: rows with padding
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x) in.setPixelColor(x, y, QColor((x * 7) % 256, (y * 23) % 256, (x * y) % 256));
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.factor << (c.integer ? " integer " : " float ") << c.inputFormat);
        const QString inPath = PathToQString(folder.file(std::string("in.") + c.inputFormat));
        ASSERT_TRUE(in.save(inPath, c.inputFormat, 90));
        const QString outPath = PathToQString(folder.file("out.png"));
        QStringList args{QStringLiteral("--factor"), QString::fromLatin1(c.factor)};
        if (c.integer) args << QStringLiteral("--integer");
        ASSERT_EQ(runTool(args << inPath << outPath), 0);
        QImage want = QImage(inPath).convertToFormat(QImage::Format_BGR888);
        const bool x2 = QByteArray(c.factor) != "1.5";
        const auto stride = std::size_t(want.bytesPerLine()), rows = std::size_t(want.height());
        c.integer ? BrightenPictureInteger(want.bits(), stride, rows, x2) : BrightenPicture(want.bits(), stride, rows, x2);
        const QImage got(outPath, "PNG");
        ASSERT_FALSE(got.isNull());
        EXPECT_EQ(got.convertToFormat(QImage::Format_RGB32), want.convertToFormat(QImage::Format_RGB32));
    }
}

TEST(BrowseBrightenToolErrors, BadArgumentsAndUnreadableInputFailWithAMessage) {
    if (!std::getenv("DRV_TOOL")) GTEST_SKIP() << "DRV_TOOL not set";
    PictureFolder folder;
    const QString out = PathToQString(folder.file("out.png"));
    const QString good = PathToQString(folder.write("in.jpg", 8, 8, Qt::gray));
    QString err;
    EXPECT_EQ(runTool({QStringLiteral("--factor"), QStringLiteral("3"), good, out}, &err), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("1.5 or 2.0")));
    const QString bad = PathToQString(folder.writeGarbage("bad.jpg"));
    EXPECT_EQ(runTool({QStringLiteral("--factor"), QStringLiteral("1.5"), bad, out}, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("cannot read")));
    EXPECT_FALSE(QFile::exists(out));  // nothing written on failure
}

}  // namespace
}  // namespace drv

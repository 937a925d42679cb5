// Shows the browsing windows on a real display for a while, to look at them as a user
// would (run with DRV_BROWSE_DEMO_FOLDER set, under X). Skipped otherwise.
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/browse/picture_files.h"
#include "gui/browse/picture_browsing.h"

namespace drv {
namespace {

TEST(BrowseDemo, ShowsTheListAndABrightenedPictureWindow) {
    const char* folderText = std::getenv("DRV_BROWSE_DEMO_FOLDER");
    if (folderText == nullptr) GTEST_SKIP() << "DRV_BROWSE_DEMO_FOLDER not set";
    const char* secondsText = std::getenv("DRV_BROWSE_DEMO_SECONDS");
    const int seconds = secondsText ? std::atoi(secondsText) : 5;
    const std::filesystem::path folder(folderText);

    PictureBrowsing browsing(nullptr);
    ThumbnailList* list = browsing.showList(folder);
    ASSERT_NE(list, nullptr);
    list->move(0, 0);
    const PictureListing files = ListPictureFiles(folder);
    ASSERT_GE(files.names.size(), 1u);
    Recording rec;
    rec.folder = folder;
    PictureWindow* picture = browsing.openFromMainPicture(rec, files.names[files.names.size() / 2], BrightnessMode::X20);
    ASSERT_NE(picture, nullptr);
    picture->move(list->frameGeometry().right() + 10, 0);

    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace
}  // namespace drv

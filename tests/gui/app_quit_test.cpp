#include <QPushButton>
#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

#include "core/common/file_write_seam.h"
#include "gui/video/video_progress_dialog.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

using AppQuitTest = test::AppFixture;

// Quitting during a video export asks first; No keeps the window and the export, Yes cancels the
// export and leaves no file.
TEST_F(AppQuitTest, QuittingDuringAVideoExportAsksFirst) {
    openThroughDialog(makeRecording("rec", quick(60)));
    auto release = std::make_shared<std::atomic<bool>>(false);
    WriteCalls held;
    held.write = [release](int fd, const void* data, std::size_t size) -> ssize_t {
        while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return ::write(fd, data, size);
    };
    const ScopedWriteCalls holding(held);
    const auto target = root() / "a.mp4";
    w().show();
    ASSERT_TRUE(w().startVideoExport({{1, 60}, true, BrightnessMode::Standard, 23, target}));
    dialogs_.answers.push_back(Dialogs::Button::No);
    EXPECT_FALSE(w().close());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("動画の書き出し中です。書き出しを中止して終了しますか？"));
    EXPECT_EQ(dialogs_.shown[0].buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Question);
    EXPECT_TRUE(w().isVisible());
    EXPECT_NE(w().videoExport(), nullptr) << "the export goes on";

    *release = true;
    dialogs_.answers.push_back(Dialogs::Button::Yes);
    EXPECT_TRUE(w().close());
    ASSERT_TRUE(test::waitUntil([this] { return !w().videoExport(); }, 20000));
    EXPECT_EQ(dialogs_.shown.size(), 2u) << "a cancelled export says nothing more";
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace drv

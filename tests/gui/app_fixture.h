#pragma once
// A main window with fake dialogs and recordings made on the fly in a temporary folder.
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gui/app/main_window.h"
#include "gui/common/app_paths.h"
#include "gui/common/sample_recording.h"
#include "gui/viewer/frame_prefetcher.h"
#include "tests/gui/support/fake_dialogs.h"
#include "tests/gui/support/wait.h"

namespace drv::test {

// Reads frames from their files, noting which were read and how many reads the interface thread
// made; each read takes `delay`, as on a slow card reader.
class CountingSource : public FrameSource {
public:
    explicit CountingSource(std::chrono::milliseconds delay = {}) : delay_(delay) {}
    QByteArray read(const std::filesystem::path& file) const override {
        {
            std::lock_guard lock(mutex_);
            files_.push_back(file.filename());
        }
        interfaceReads += std::this_thread::get_id() == interface_ ? 1 : 0;
        std::this_thread::sleep_for(delay_);
        return FileFrameSource().read(file);
    }
    std::vector<std::filesystem::path> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(files_, {});
    }
    mutable std::atomic<int> interfaceReads{0};

private:
    const std::chrono::milliseconds delay_;
    const std::thread::id interface_ = std::this_thread::get_id();
    mutable std::mutex mutex_;
    mutable std::vector<std::filesystem::path> files_;
};

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(programDir_.isValid() && dataDir_.isValid());
        paths_ = std::make_unique<FixedAppPaths>(programDir_.path().toStdString(), programDir_.path().toStdString());
        window_ = std::make_unique<MainWindow>(dialogs_, *paths_);
    }

    MainWindow& w() { return *window_; }
    std::filesystem::path root() const { return std::filesystem::path(dataDir_.path().toStdString()); }
    // Small frames decode fast; `draw` gives real 640 x 480 road pictures.
    static SampleOptions quick(int frames, int fps = 14, bool draw = false) {
        SampleOptions o;
        o.frames = frames, o.fps = fps, o.drawPictures = draw;
        return o;
    }

    std::filesystem::path makeRecording(const std::string& name, const SampleOptions& options) {
        const std::filesystem::path dir = root() / name;
        std::string error;
        EXPECT_TRUE(MakeSampleRecording(dir, options, &error)) << error;
        return dir;
    }
    // The Open command with the dialog answering `folder`, and its load run to the end.
    void openThroughDialog(const std::filesystem::path& folder) {
        dialogs_.folders.push_back(folder);
        w().mnuOpen_Click();
        waitForLoad();
    }
    void waitForLoad() {
        ASSERT_TRUE(test::waitUntil([this] { return !w().loading(); }, 30000));
    }
    // What the window shows for `frame` in `mode`: its file decoded afresh and brightened once.
    QImage expectedPicture(int frame, BrightnessMode mode) {
        QImage image(PathToQString(w().recording().framePath(frame)));
        if (mode == BrightnessMode::Standard) return image;
        image.convertTo(QImage::Format_BGR888);
        BrightenPicture(image.bits(), static_cast<std::size_t>(image.bytesPerLine()),
                        static_cast<std::size_t>(image.height()), mode == BrightnessMode::X20);
        return image.convertToFormat(QImage::Format_RGB32);
    }

    QTemporaryDir programDir_;
    QTemporaryDir dataDir_;
    std::unique_ptr<FixedAppPaths> paths_;
    FakeDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace drv::test

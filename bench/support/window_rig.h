#pragma once
// The real main window, offscreen, with a drawn 640 x 480 sample recording opened in it.
#include <QApplication>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "gui/app/main_window.h"
#include "gui/common/app_paths.h"
#include "gui/common/sample_recording.h"
#include "tests/gui/support/fake_dialogs.h"

namespace drv::bench {

struct WindowRig {
    QTemporaryDir dir;
    std::filesystem::path folder;
    test::FakeDialogs dialogs;
    std::unique_ptr<FixedAppPaths> paths;
    std::unique_ptr<MainWindow> window;

    explicit WindowRig(int frames)
        : WindowRig([frames] {
              SampleOptions o;
              o.frames = frames;
              return o;
          }()) {}

    explicit WindowRig(const SampleOptions& o) {
        folder = std::filesystem::path(dir.path().toStdString()) / "rec";
        std::string error;
        if (!MakeSampleRecording(folder, o, &error)) throw std::runtime_error(error);
        paths = std::make_unique<FixedAppPaths>(dir.path().toStdString(), dir.path().toStdString());
        window = std::make_unique<MainWindow>(dialogs, *paths);
        window->show();
        dialogs.folders.push_back(folder);
        window->mnuOpen_Click();
        while (window->loading()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

}  // namespace drv::bench

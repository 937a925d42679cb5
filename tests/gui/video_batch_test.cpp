#include <gtest/gtest.h>

#include <QRadioButton>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "draw/sample/sample_recording.h"
#include "gui/events/event_batch_job.h"
#include "gui/video/batch_video_export.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// Three small recordings, two of the same name, into a folder that already holds one of the
// names: one file per recording, none replaced. Cancel within the second recording keeps the
// first file whole and leaves nothing half-written; the message names what was done.
TEST(VideoBatch, OneFilePerRecordingAndCancelLeavesNoPartialFile) {
    struct Case {
        const char* name;
        int cancelAtStep;  // progress step (1000 per recording) from which Cancel holds; -1 never
        std::set<std::string> files;
    };
    const Case cases[] = {
        {"all", -1, {"EVT1.mp4", "EVT1 (2).mp4", "EVT1 (3).mp4", "EVT2.mp4"}},
        {"cancelled in the second", 1200, {"EVT1.mp4", "EVT1 (2).mp4"}},
    };
    test::TempFolder card;
    std::vector<fs::path> folders;
    for (const char* name : {"A/EVT1", "A/EVT2", "B/EVT1"}) {
        SampleOptions o;
        o.frames = 20;
        o.drawPictures = false;
        std::string error;
        ASSERT_TRUE(MakeSampleRecording(card.path() / name, o, &error)) << error;
        folders.push_back(card.path() / name);
    }
    VideoChoices choices;
    choices.aroundTrigger = true;
    choices.secondsBefore = choices.secondsAfter = 0.5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path out = card.path() / c.name;
        fs::create_directories(out);
        test::WriteText(out / "EVT1.mp4", "kept");
        // Cancel holds from the first progress report at or past the step, as the window's would.
        bool cancel = false;
        EventBatchJob::Control control;
        control.progress = [&](qint64 done, qint64) {
            cancel = cancel || (c.cancelAtStep >= 0 && done >= c.cancelAtStep);
        };
        control.cancelled = [&] { return cancel; };
        const VideoBatchResult result = ExportVideos(folders, choices, out, control);
        EXPECT_EQ(filesIn(out), c.files) << "no temporary file left behind";
        EXPECT_EQ(test::ReadFile(out / "EVT1.mp4"), "kept");
        EXPECT_EQ(result.written.size(), c.files.size() - 1);
        EXPECT_EQ(result.cancelled, c.cancelAtStep >= 0);
        for (const fs::path& file : result.written) EXPECT_GT(fs::file_size(file), 1000u);
        const QString message = VideoBatchMessage(result, 3, out);
        EXPECT_TRUE(message.contains(QStringLiteral("3 件中 %1 件").arg(result.written.size())))
            << message.toStdString();
        if (result.cancelled)
            EXPECT_TRUE(message.contains(QStringLiteral("書き出した記録:\r\nEVT1"))) << message.toStdString();
    }
}

// The batch offers the main window's brightening as the single export does, and x2.0 when the
// screen is not brightened; neither is chosen until the user does.
TEST(VideoBatch, TheDialogOffersTheScreensBrightening) {
    struct Case {
        BrightnessMode screen;
        QString label;
        BrightnessMode chosen;
    };
    const Case cases[] = {
        {BrightnessMode::Standard, QStringLiteral("明るく (x2.0)"), BrightnessMode::X20},
        {BrightnessMode::X15, QStringLiteral("画面と同じ (x1.5)"), BrightnessMode::X15},
        {BrightnessMode::X20, QStringLiteral("画面と同じ (x2.0)"), BrightnessMode::X20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label.toStdString());
        VideoExportDialog dialog(3, c.screen, nullptr);
        EXPECT_EQ(dialog.choices().brightness, BrightnessMode::Standard);
        QRadioButton* brighter = nullptr;
        for (QRadioButton* option : dialog.findChildren<QRadioButton*>())
            if (option->text() == c.label) brighter = option;
        ASSERT_NE(brighter, nullptr);
        brighter->setChecked(true);
        EXPECT_EQ(dialog.choices().brightness, c.chosen);
    }
}

}  // namespace
}  // namespace drv

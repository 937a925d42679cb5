#pragma once
// "動画に書き出す": what part of the recording goes into the MP4 and how it looks. Its OK
// button asks for the file through the save picker; the dialog closes once a file is chosen.
#include <QDialog>
#include <filesystem>

#include "core/recording/recording.h"
#include "gui/video/video_export.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace drv {

class Dialogs;

// The choices that hold for any recording, as a batch of several takes them.
struct VideoChoices {
    bool aroundTrigger = false;  // else the whole recording (also for one without a trigger)
    double secondsBefore = 10;
    double secondsAfter = 10;
    bool overlay = true;
    BandPlacement band = BandPlacement::Over;
    BrightnessMode brightness = BrightnessMode::Standard;
};

// The request for one recording: the part `choices` names, into `target`.
VideoExportRequest VideoRequestFor(const Recording& recording, const VideoChoices& choices,
                                   const std::filesystem::path& target);

class VideoExportDialog final : public QDialog {
    Q_OBJECT
public:
    // `screenMode`: the brightening on screen now; `saveFolder`: where the save picker opens.
    VideoExportDialog(Dialogs& dialogs, const Recording& recording, BrightnessMode screenMode,
                      const std::filesystem::path& saveFolder, QWidget* owner);
    // The same choices for `recordings` recordings at once: no frame numbers, brightening as
    // on screen (x2.0 when the screen is not brightened) or none, and OK closes without a file
    // (the caller asks for a folder).
    VideoExportDialog(int recordings, BrightnessMode screenMode, QWidget* owner);

    VideoChoices choices() const;

    // The choices made, with the file picked (empty until then).
    VideoExportRequest request() const;

    // Asks for the file; accepts the dialog when one was chosen.
    void accept() override;

    QRadioButton* triggerOption() const { return aroundTrigger_; }
    QDoubleSpinBox* secondsBefore() const { return before_; }
    QDoubleSpinBox* secondsAfter() const { return after_; }
    QPushButton* okButton() const { return ok_; }
    QRadioButton* bandBelowOption() const { return bandBelow_; }

private:
    void build(int frames, bool trigger, const QString& brighter);
    void updateControls();

    Dialogs* dialogs_ = nullptr;
    const Recording* recording_ = nullptr;  // none for a batch
    BrightnessMode screenMode_;
    std::filesystem::path saveFolder_;
    std::filesystem::path target_;

    QRadioButton* whole_ = nullptr;
    QRadioButton* aroundTrigger_ = nullptr;
    QRadioButton* frames_ = nullptr;
    QDoubleSpinBox* before_ = nullptr;
    QDoubleSpinBox* after_ = nullptr;
    QSpinBox* from_ = nullptr;
    QSpinBox* to_ = nullptr;
    QLabel* rangeDash_ = nullptr;
    QCheckBox* overlay_ = nullptr;
    QRadioButton* bandOver_ = nullptr;
    QRadioButton* bandBelow_ = nullptr;
    QRadioButton* screen_ = nullptr;
    QRadioButton* standard_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace drv

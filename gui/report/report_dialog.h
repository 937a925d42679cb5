#pragma once
// The choices of a report (and of the evidence package, which holds one): brightening of the
// frames, the seconds around the trigger of the frames on page 1, and a note.
#include <QDialog>
#include <array>

#include "core/report/report_content.h"
#include "core/viewer/brightness.h"

class QCheckBox;
class QDoubleSpinBox;
class QPlainTextEdit;
class QRadioButton;

namespace drv {

class ReportDialog : public QDialog {
    Q_OBJECT
public:
    enum class Purpose { Report, Package, Print };
    // `screen` is the brightening the main picture shows now ("as on screen").
    ReportDialog(Purpose purpose, BrightnessMode screen, bool hasTrigger, QWidget* parent = nullptr);

    ReportChoices choices() const;
    BrightnessMode brightness() const;

    QRadioButton* asOnScreen() const { return asOnScreen_; }
    QPlainTextEdit* note() const { return note_; }
    QDoubleSpinBox* second(int i) const { return seconds_.at(static_cast<std::size_t>(i)); }

private:
    BrightnessMode screen_;
    QRadioButton* asOnScreen_ = nullptr;
    QRadioButton* standard_ = nullptr;
    std::array<QDoubleSpinBox*, 5> seconds_{};
    QPlainTextEdit* note_ = nullptr;
};

}  // namespace drv

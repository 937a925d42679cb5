#pragma once
// The choices of a report (and of the evidence package, which holds one): brightening of the
// frames, the seconds around the trigger of the frames on page 1, whether page 1 shows the
// track's map (on the background chosen in the map window), and a note.
#include <QDialog>
#include <array>

#include "core/map/tile_rules.h"
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
    // `screen` is the brightening the main picture shows now ("as on screen"); `background`
    // the map window's choice, named in the map's group; the map is offered with `hasPositions`.
    ReportDialog(Purpose purpose, BrightnessMode screen, bool hasTrigger, bool hasPositions,
                 const TileServer& background, QWidget* parent = nullptr);

    ReportChoices choices() const;
    BrightnessMode brightness() const;
    bool mapIncluded() const;

    QRadioButton* asOnScreen() const { return asOnScreen_; }
    QPlainTextEdit* note() const { return note_; }
    QCheckBox* includeMap() const { return includeMap_; }
    QDoubleSpinBox* second(int i) const { return seconds_.at(static_cast<std::size_t>(i)); }

private:
    BrightnessMode screen_;
    QRadioButton* asOnScreen_ = nullptr;
    QRadioButton* standard_ = nullptr;
    std::array<QDoubleSpinBox*, 5> seconds_{};
    QPlainTextEdit* note_ = nullptr;
    QCheckBox* includeMap_ = nullptr;
};

}  // namespace drv

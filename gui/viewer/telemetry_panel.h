#pragma once
// The telemetry panel fra_Status beside the picture: brake, speed, accelerations, position,
// date-times, elapsed time, trigger kind, frame rate, file name and brightness. The chart's
// channel and zoom buttons are placed into its lower left corner by the chart, so the panel's
// own labels keep out of that area.
#include <QGroupBox>
#include <QString>
#include <array>

#include "core/recording/recording.h"

class QLabel;

namespace drv {

class TelemetryPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit TelemetryPanel(QWidget* parent = nullptr);

    // Writes every telemetry label of frame `index`; an index outside the frame table is ignored.
    void UpdateDataPanel(const Recording& recording, int index);
    void ShowBrake(bool on);

    void setPulseRowCaption(const QString& caption);  // Label1
    void setBrakeVisible(bool visible);               // lblBrk with lblBrkName
    void setFpsText(const QString& text);             // lblfps
    void setTriggerKind(const QString& text);         // lblMsgInput
    void setFileName(const QString& name);            // lblFilename
    void setBrightnessText(const QString& text);      // lblKido

    QLabel* lblBrk() const { return lblBrk_; }
    QLabel* lblBrkName() const { return lblBrkName_; }
    QLabel* lblSpeed() const { return lblSpeed_; }
    QLabel* label(int n) const { return captions_.at(static_cast<std::size_t>(n - 1)); }  // Label1..Label8
    QLabel* lblData(int i) const { return data_.at(static_cast<std::size_t>(i)); }        // 0..5
    QLabel* lblDate(int i) const { return dates_.at(static_cast<std::size_t>(i)); }       // 0..1
    QLabel* lblPassTime() const { return lblPassTime_; }
    QLabel* lblMsgInput() const { return lblMsgInput_; }
    QLabel* lblfps() const { return lblfps_; }
    QLabel* lblFilename() const { return lblFilename_; }
    QLabel* lblKido() const { return lblKido_; }

private:
    QLabel* lblBrk_ = nullptr;
    QLabel* lblBrkName_ = nullptr;
    QLabel* lblSpeed_ = nullptr;
    std::array<QLabel*, 8> captions_{};
    std::array<QLabel*, 6> data_{};
    std::array<QLabel*, 2> dates_{};
    QLabel* lblPassTime_ = nullptr;
    QLabel* lblMsgInput_ = nullptr;
    QLabel* lblfps_ = nullptr;
    QLabel* lblFilename_ = nullptr;
    QLabel* lblKido_ = nullptr;
};

}  // namespace drv

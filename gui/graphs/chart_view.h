#pragma once
// The telemetry strip chart of the main window: the grey viewport Pic2 with the canvas Pic1
// inside, HScroll1 under it (VScroll1 hidden), and the channel and zoom buttons that the
// main window places into its status frame. The chart's logic lives in core ChartModel;
// this widget shows it and forwards the user's clicks.
#include <QImage>
#include <QRect>
#include <QWidget>
#include <array>
#include <optional>

#include "core/recording/frame_record.h"
#include "core/graphs/chart_model.h"

class QAbstractButton;
class QPushButton;
class QScrollBar;

namespace drv {

// What the chart needs from the main window.
class ChartHost {
public:
    virtual ~ChartHost() = default;
    virtual bool folderOpen() const = 0;   // lblPath not empty
    virtual bool playEnabled() const = 0;  // cmdPlay(2) enabled (not playing)
    virtual int currentFrame() const = 0;
    virtual int frameCount() const = 0;  // upper bound of FileNameList
    virtual void setCurrentFrame(int frame) = 0;
    virtual void ShowFrame() = 0;  // picture of CurrentFrame
    virtual void UpdateDataPanel(int frame) = 0;
    // A click chose `frame` (already CurrentFrame, within the recording) and the cursor stands on
    // it: the picture and the panel follow. A window replaces this with its one routine that
    // shows a frame.
    virtual void showClickedFrame(int frame) {
        ShowFrame();
        UpdateDataPanel(frame);
    }
};

class ChartCanvasWidget;

class ChartView : public QWidget {
    Q_OBJECT
public:
    // Where the chart sits in the main window's client area, in twips: Pic2 at (200, 6120),
    // widened into the hidden VScroll1's room, with HScroll1 under it.
    static constexpr int kLeftTwips = 200;
    static constexpr int kTopTwips = 6120;
    static constexpr int kVScrollWidthTwips = 255;
    static constexpr int kScrollHeightTwips = 255;
    static constexpr int kHScrollTopTwips = 3100 - 20;  // relative to Pic2, lifted by start-up
    static QRect defaultGeometry();                     // in logical pixels of the main window's client area

    ChartView(ChartHost& host, const RecordingState& state, QWidget* parent = nullptr);
    ~ChartView() override;

    void setGraphWidth(int graphUnits);
    void SetUpGraphs();
    void ShowDefaultChannels();
    void ColourChannelButtons();
    void ShowChannel(int i);
    void HideChannel(int i);
    void UpdateGraphCursor(int frame);
    void RedrawGraphs();
    void setHScrollValue(int v);  // the "first" navigation button sets it to 0

    QAbstractButton* channelButton(int i);  // cbCh(0..4); nullptr for other numbers
    QAbstractButton* hZoomButton();         // cbH
    QAbstractButton* vZoomButton();         // cbV
    // Moves the buttons into the status frame at their places (15 twips = 1 pixel).
    void placeButtons(QWidget* fraStatus);

    // For the window's tests and screenshots.
    const ChartModel& model() const { return model_; }
    QWidget* viewport() const;      // Pic2
    QWidget* canvasWidget() const;  // Pic1
    QScrollBar* hScrollBar() const { return hScroll_; }

public slots:
    void cbCh_Click(int index);
    void cbH_Click();
    void cbV_Click();
    void HScroll1_Change();
    void VScroll1_Change();
    // X and Y in canvas units; any button seeks.
    void Pic1_MouseDown(int button, int shift, double x, double y);

protected:
    // The image of the layers that change only with the recording, zoom and channels.
    const QImage& cachedLayers() const { return base_; }

private:
    friend class ChartCanvasWidget;
    void sync();
    void renderBase(const ChartPicture& picture);
    void paintCanvas(QPainter& painter, const QRect& area) const;

    ChartHost& host_;
    const RecordingState& state_;
    ChartModel model_;
    QWidget* pic2_ = nullptr;
    ChartCanvasWidget* pic1_ = nullptr;
    QScrollBar* hScroll_ = nullptr;
    QScrollBar* vScroll_ = nullptr;
    std::array<QPushButton*, kChartChannels> cbCh_{};
    QPushButton* cbH_ = nullptr;
    QPushButton* cbV_ = nullptr;

    QImage base_;
    std::optional<ChartPicture> basePicture_;  // what base_ shows
};

}  // namespace drv

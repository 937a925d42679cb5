#include "gui/graphs/chart_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "core/graphs/chart_drawing.h"
#include "core/graphs/raster_canvas.h"
#include "gui/common/twips.h"
#include "gui/common/ui_font.h"

namespace drv {
namespace {

QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

QString channelButtonStyle(Rgb c) {
    return QStringLiteral(
               "QPushButton { background-color: rgb(%1, %2, %3); color: black; border: 1px solid #505050; }"
               "QPushButton:pressed { border: 2px inset #303030; }")
        .arg(c.r)
        .arg(c.g)
        .arg(c.b);
}

// Paints into the image that backs a canvas.
RasterCanvas canvasOn(QImage& image) {
    return RasterCanvas(reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
                        static_cast<std::size_t>(image.bytesPerLine()) / 4);
}

}  // namespace

// Pic1: shows the cached chart and the cursor; a press anywhere seeks.
class ChartCanvasWidget : public QWidget {
public:
    ChartCanvasWidget(ChartView& view, QWidget* parent) : QWidget(parent), view_(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        view_.paintCanvas(painter, event->rect());
    }
    void mousePressEvent(QMouseEvent* event) override {
        const QPointF pos = event->position();
        view_.Pic1_MouseDown(static_cast<int>(event->button()), static_cast<int>(event->modifiers()),
                             pos.x() * kUnitsPerPixel, pos.y() * kUnitsPerPixel);
    }

private:
    ChartView& view_;
};

QRect ChartView::defaultGeometry() {
    const int width = 11755 + kVScrollWidthTwips - 50;
    return TwipsRectOfSize(kLeftTwips, kTopTwips, width, kHScrollTopTwips + kScrollHeightTwips);
}

ChartView::ChartView(ChartHost& host, const RecordingState& state, QWidget* parent)
    : QWidget(parent), host_(host), state_(state), model_(kVScrollWidthTwips) {
    const ChartControls& ctl = model_.controls();
    resize(defaultGeometry().size());

    pic2_ = new QWidget(this);
    pic2_->setObjectName(QStringLiteral("Pic2"));
    QPalette grey = pic2_->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    pic2_->setPalette(grey);
    pic2_->setAutoFillBackground(true);

    pic1_ = new ChartCanvasWidget(*this, pic2_);
    pic1_->setObjectName(QStringLiteral("Pic1"));

    hScroll_ = new QScrollBar(Qt::Horizontal, this);
    hScroll_->setObjectName(QStringLiteral("HScroll1"));
    hScroll_->setGeometry(TwipsRectOfSize(0, kHScrollTopTwips, ctl.pic2Width, kScrollHeightTwips));
    vScroll_ = new QScrollBar(Qt::Vertical, this);
    vScroll_->setObjectName(QStringLiteral("VScroll1"));
    vScroll_->setGeometry(TwipsRectOfSize(11755, 0, kVScrollWidthTwips, 3100));
    vScroll_->hide();
    connect(hScroll_, &QScrollBar::valueChanged, this, &ChartView::HScroll1_Change);
    connect(vScroll_, &QScrollBar::valueChanged, this, &ChartView::VScroll1_Change);

    // The buttons wait hidden here until the main window moves them into its status frame.
    for (int i = 0; i < kChartChannels; ++i) {
        auto* b = new QPushButton(QString::fromUtf8(ChannelCaption(i)), this);
        b->setObjectName(QStringLiteral("cbCh%1").arg(i));
        b->setFont(JapaneseUiFont());
        b->setFocusPolicy(Qt::NoFocus);
        b->hide();
        connect(b, &QPushButton::clicked, this, [this, i] { cbCh_Click(i); });
        cbCh_[static_cast<std::size_t>(i)] = b;
    }
    cbH_ = new QPushButton(QString::fromUtf8(kHZoomCaption), this);
    cbH_->setObjectName(QStringLiteral("cbH"));
    cbV_ = new QPushButton(QString::fromUtf8(kVZoomCaption), this);
    cbV_->setObjectName(QStringLiteral("cbV"));
    for (QPushButton* b : {cbH_, cbV_}) {
        b->setFont(JapaneseUiFont());
        b->setFocusPolicy(Qt::NoFocus);
        b->hide();
    }
    connect(cbH_, &QPushButton::clicked, this, &ChartView::cbH_Click);
    connect(cbV_, &QPushButton::clicked, this, &ChartView::cbV_Click);
    ColourChannelButtons();
    sync();
}

ChartView::~ChartView() = default;

QWidget* ChartView::viewport() const { return pic2_; }
QWidget* ChartView::canvasWidget() const { return pic1_; }

QAbstractButton* ChartView::channelButton(int i) {
    return (i >= 0 && i < kChartChannels) ? cbCh_[static_cast<std::size_t>(i)] : nullptr;
}
QAbstractButton* ChartView::hZoomButton() { return cbH_; }
QAbstractButton* ChartView::vZoomButton() { return cbV_; }

void ChartView::placeButtons(QWidget* fraStatus) {
    for (int i = 0; i < kChartChannels; ++i) {
        QPushButton* b = cbCh_[static_cast<std::size_t>(i)];
        b->setParent(fraStatus);
        b->setGeometry(TwipsRectOfSize(300, 3840 + 255 * i, 1800, 255));
        b->setVisible(i != 4);
    }
    cbH_->setParent(fraStatus);
    cbH_->setGeometry(TwipsRectOfSize(300, 5150, 1800, 255));
    cbH_->show();
    cbV_->setParent(fraStatus);
    cbV_->setGeometry(TwipsRectOfSize(2160, 4880, 740, 255));
    cbV_->hide();
}

void ChartView::setGraphWidth(int graphUnits) { model_.setGraphWidth(graphUnits); }

void ChartView::SetUpGraphs() {
    model_.SetUpGraphs(state_);
    ColourChannelButtons();
    sync();
}

void ChartView::ShowDefaultChannels() {
    for (int i = 0; i <= 3; ++i) ShowChannel(i);
    RedrawGraphs();
}

void ChartView::ColourChannelButtons() {
    for (int i = 0; i < kChartChannels; ++i)
        cbCh_[static_cast<std::size_t>(i)]->setStyleSheet(
            channelButtonStyle(model_.state().ChannelColour[static_cast<std::size_t>(i)]));
}

void ChartView::ShowChannel(int i) {
    if (i < 0 || i >= kChartChannels) return;
    model_.ShowChannel(i);
    QPushButton* b = cbCh_[static_cast<std::size_t>(i)];
    b->setStyleSheet(channelButtonStyle(model_.state().ChannelColour[static_cast<std::size_t>(i)]));
    b->setEnabled(true);
}

// The button keeps its colour: only the chart shows that the channel is off.
void ChartView::HideChannel(int i) { model_.HideChannel(i); }

void ChartView::RedrawGraphs() {
    model_.RedrawGraphs(state_);
    sync();
}

void ChartView::UpdateGraphCursor(int frame) {
    model_.UpdateGraphCursor(state_, frame, host_.folderOpen());
    sync();
}

void ChartView::setHScrollValue(int v) {
    model_.setHScrollValue(v);
    sync();
}

void ChartView::cbCh_Click(int index) {
    model_.ToggleChannel(index);
    UpdateGraphCursor(host_.currentFrame());
}

void ChartView::cbH_Click() {
    model_.CycleHZoom(state_, host_.currentFrame(), host_.folderOpen());
    sync();
}

void ChartView::cbV_Click() {
    model_.CycleVZoom(state_, host_.currentFrame(), host_.folderOpen());
    sync();
}

void ChartView::HScroll1_Change() {
    model_.setHScrollValue(hScroll_->value());
    sync();
}

void ChartView::VScroll1_Change() {
    model_.setVScrollValue(vScroll_->value());
    sync();
}

void ChartView::Pic1_MouseDown(int /*button*/, int /*shift*/, double x, double /*y*/) {
    if (!host_.folderOpen()) return;
    if (!host_.playEnabled()) return;  // playback running
    host_.setCurrentFrame(ClickedFrame(x, model_.state().OriginX, model_.state().HScale));
    const int frame = host_.currentFrame();
    if (frame > host_.frameCount()) return;  // beyond the last frame: nothing to show
    model_.ShowClickedFrame(state_, frame);
    sync();
    host_.showClickedFrame(frame);
}

void ChartView::renderBase(const ChartPicture& picture) {
    QImage image(unitsToPixelExtent(picture.canvasWidth), unitsToPixelExtent(picture.canvasHeight),
                 QImage::Format_RGB32);
    image.fill(Qt::black);  // Pic1's own background
    RasterCanvas canvas = canvasOn(image);
    PaintGraphs(canvas, picture.state, picture.samples, picture.triggerPosition);
    base_ = std::move(image);
    basePicture_ = picture;
}

// Brings the widgets and the cached layers in line with the model.
void ChartView::sync() {
    const auto& picture = model_.picture();
    if (picture && (!basePicture_ || !(*basePicture_ == *picture))) renderBase(*picture);

    const ChartControls& ctl = model_.controls();
    pic2_->setGeometry(0, 0, TwipsToPixels(ctl.pic2Width), TwipsToPixels(ctl.pic2Height));
    pic1_->setGeometry(TwipsToPixels(ctl.pic1Left), TwipsToPixels(ctl.pic1Top), unitsToPixelExtent(ctl.pic1Width),
                       unitsToPixelExtent(ctl.pic1Height));
    auto syncBar = [](QScrollBar* bar, const ScrollBarState& s) {
        const QSignalBlocker block(bar);
        bar->setRange(std::min(s.min, s.max), std::max(s.min, s.max));
        bar->setSingleStep(s.smallChange);
        bar->setPageStep(s.largeChange);
        bar->setValue(s.value);
    };
    syncBar(hScroll_, ctl.hScroll);
    syncBar(vScroll_, ctl.vScroll);
    pic1_->update();
}

void ChartView::paintCanvas(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, Qt::black);
    if (!base_.isNull()) painter.drawImage(area.topLeft(), base_, area);
    if (const auto x = model_.cursorX()) {
        const PixelSpan s = verticalLinePixels(*x, 0, model_.controls().pic1Height);
        const QRect line = QRect(QPoint(static_cast<int>(std::clamp<std::int64_t>(s.x1, -1, 1 << 24)),
                                        static_cast<int>(std::clamp<std::int64_t>(s.y1, -1, 1 << 24))),
                                 QPoint(static_cast<int>(std::clamp<std::int64_t>(s.x2, -1, 1 << 24)),
                                        static_cast<int>(std::clamp<std::int64_t>(s.y2, -1, 1 << 24))))
                               .intersected(area);
        if (!line.isEmpty()) painter.fillRect(line, toQColor(kWhite));
    }
}

}  // namespace drv

#include "gui/browse/thumbnail_list.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>

#include "core/browse/picture_files.h"
#include "gui/common/dialogs.h"
#include "gui/common/picture_file.h"
#include "gui/common/twips.h"
#include "gui/common/ui_font.h"

namespace drv {
namespace {

QRect toPixels(const TwipRect& r) { return TwipsRect(r.left, r.top, r.width, r.height); }

void setBackground(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

}  // namespace

// Thumbnails kept decoded: some 400 pages' worth of frames at their box size.
constexpr qsizetype kThumbnailCacheBytes = 32 << 20;
constexpr int kThumbnailWorkers = 2;

QImage DecodeThumbnail(const std::filesystem::path& file, double pixelRatio, QSize* naturalSize,
                       const std::atomic<bool>* cancel) {
    // The decoder scales while decoding: a fraction of the work of a full decode.
    auto box = [pixelRatio](QSize size) {
        return (QSizeF(toPixels(ThumbnailImageRect(size.width(), size.height())).size()) * pixelRatio).toSize();
    };
    Picture picture = DecodePictureFileAtLeast(file, box, cancel);
    if (picture.image.isNull()) return {};
    if (naturalSize) *naturalSize = picture.naturalSize;
    return picture.image;
}

ThumbnailList::ThumbnailList(QWidget* owner) : QWidget(owner, Qt::Window), cache_(kThumbnailCacheBytes) {
    pool_.setMaxThreadCount(kThumbnailWorkers);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmJpgAll"));
    setWindowTitle(QStringLiteral("画像一覧"));
    setFixedSize(TwipsRect(0, 0, 10590, 9645).size());
    setBackground(this, QColor(224, 224, 224));

    lblFolder_ = new QLabel(this);
    lblFolder_->setObjectName(QStringLiteral("lblFolder"));
    lblFolder_->setGeometry(TwipsRect(120, 80, 6575, 300));
    lblFolder_->setFont(JapaneseUiFont(13));
    setBackground(lblFolder_, QColor(224, 224, 224));

    // A cut list must not look like lost files: say so beside the folder.
    lblLimit_ = new QLabel(this);
    lblLimit_->setObjectName(QStringLiteral("lblLimit"));
    lblLimit_->setGeometry(TwipsRect(6800, 80, 3480, 300));
    lblLimit_->setFont(JapaneseUiFont(12));
    lblLimit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette warn = lblLimit_->palette();
    warn.setColor(QPalette::WindowText, QColor(160, 0, 0));
    lblLimit_->setPalette(warn);
    lblLimit_->hide();

    picture2_ = new QWidget(this);
    picture2_->setObjectName(QStringLiteral("Picture2"));
    picture2_->setGeometry(TwipsRect(60, 420, 10235, 9195));

    for (int c = 0; c < kThumbnailCells; ++c) {
        Cell& cell = cells_[static_cast<std::size_t>(c)];
        cell.frame = new QWidget(picture2_);
        cell.frame->setGeometry(toPixels(ThumbnailCellRect(c)));
        setBackground(cell.frame, QColor(240, 240, 240));
        cell.image = new PictureView(cell.frame);
        placeImage(cell, TwipRect{360, 0, 1880, 2040});  // the default box, until a picture sizes it
        cell.label = new QLabel(cell.frame);
        cell.label->setGeometry(toPixels(ThumbnailLabelRect()));
        cell.label->setFont(JapaneseUiFont(11));
        cell.label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        setBackground(cell.label, Qt::white);
        connect(cell.image, &PictureView::doubleClicked, this, [this, c] { Image1_DblClick(c); });
    }

    vScroll1_ = new QScrollBar(Qt::Vertical, this);
    vScroll1_->setObjectName(QStringLiteral("VScroll1"));
    vScroll1_->setGeometry(TwipsRect(10280, 420, 255, 9175));
    vScroll1_->setSingleStep(1);
    vScroll1_->setPageStep(kThumbnailCells / kThumbnailColumns);
    connect(vScroll1_, &QScrollBar::valueChanged, this, &ThumbnailList::VScroll1_Change);
}

ThumbnailList::~ThumbnailList() {
    // Results still on their way are dropped with this window.
    *closing_ = true;
    queue_.clear();
    pool_.waitForDone();
}

void ThumbnailList::OpenFolderList(const std::filesystem::path& folder) {
    folder_ = folder;
    queue_.clear();
    cache_.clear();
    lblFolder_->setText(PathToQString(folder));
    firstShown_ = 0;
    const PictureListing listing = ListPictureFiles(folder);
    names_ = listing.names;
    totalFound_ = listing.totalFound;
    if (listing.truncated()) {
        lblLimit_->setText(
            QStringLiteral("全%1枚のうち先頭%2枚を表示").arg(listing.totalFound).arg(listing.names.size()));
        lblLimit_->setToolTip(QStringLiteral("名前順で%1枚目以降は表示されません").arg(listing.names.size() + 1));
        lblLimit_->show();
    } else {
        lblLimit_->hide();
    }
    {
        const QSignalBlocker quiet(vScroll1_);  // one page drawing, not one per setter
        vScroll1_->setMinimum(0);
        vScroll1_->setMaximum(ThumbnailScrollMaximum(names_.size()));
        vScroll1_->setValue(0);
    }
    ShowThumbnailPage();
}

bool ThumbnailList::cellShown(int cell) const { return !cells_.at(static_cast<std::size_t>(cell)).frame->isHidden(); }

QString ThumbnailList::cellLabel(int cell) const { return cells_.at(static_cast<std::size_t>(cell)).label->text(); }

void ThumbnailList::ShowThumbnailPage() {
    picture2_->setEnabled(false);  // no clicks while the page changes
    queue_.clear();                // pictures of pages scrolled past are not decoded any more
    for (int i = 1; i <= kThumbnailCells; ++i) ShowThumbnail(firstShown_ + i);
    picture2_->setEnabled(true);
    startDecodes();
}

void ThumbnailList::ShowThumbnail(int key) {
    const int c = key - firstShown_ - 1;
    if (c < 0 || c >= kThumbnailCells) return;
    Cell& cell = cells_[static_cast<std::size_t>(c)];
    if (key < 1 || static_cast<std::size_t>(key) > names_.size()) {
        cell.frame->hide();
        return;
    }
    cell.frame->show();
    cell.key = key;
    const std::filesystem::path& name = names_[static_cast<std::size_t>(key - 1)];
    cell.label->setText(PathToQString(name));
    if (const Thumbnail* thumbnail = cache_.object(QByteArray::fromStdString(name.native()))) {
        fillCell(cell, *thumbnail);
        return;
    }
    // Empty until its own picture is decoded: the picture of the cell's previous frame never
    // stands under this frame's name.
    cell.image->clear();
    cell.placeholder = false;
    requestThumbnail(name);
}

void ThumbnailList::fillCell(Cell& cell, const Thumbnail& thumbnail) {
    // A picture that cannot be decoded shows the placeholder, placed as any picture of its size.
    const QImage& image = thumbnail.image.isNull() ? placeholder_ : thumbnail.image;
    cell.placeholder = thumbnail.image.isNull();
    if (image.isNull()) {
        cell.image->clear();
        return;
    }
    const QSize natural = thumbnail.image.isNull() ? placeholder_.size() : thumbnail.naturalSize;
    placeImage(cell, ThumbnailImageRect(natural.width(), natural.height()));
    cell.image->setImage(image);
}

void ThumbnailList::requestThumbnail(const std::filesystem::path& name) {
    if (decoding_.contains(name) || std::find(queue_.begin(), queue_.end(), name) != queue_.end()) return;
    queue_.push_back(name);
}

void ThumbnailList::startDecodes() {
    while (running_ < kThumbnailWorkers && !queue_.empty()) {
        const std::filesystem::path name = queue_.front();
        queue_.pop_front();
        decoding_.insert(name);
        ++running_;
        pool_.start([this, file = folder_ / name, name, ratio = devicePixelRatioF(), closing = closing_] {
            Thumbnail thumbnail;
            thumbnail.image = DecodeThumbnail(file, ratio, &thumbnail.naturalSize, closing.get());
            // This window outlives its pool's tasks: its destructor waits for them.
            QMetaObject::invokeMethod(
                this, [this, name, thumbnail] { thumbnailDecoded(name, thumbnail); }, Qt::QueuedConnection);
        });
    }
}

void ThumbnailList::thumbnailDecoded(const std::filesystem::path& name, const Thumbnail& thumbnail) {
    --running_;
    decoding_.erase(name);
    const qsizetype bytes = std::max<qsizetype>(1, thumbnail.image.sizeInBytes());
    cache_.insert(QByteArray::fromStdString(name.native()), new Thumbnail(thumbnail), bytes);
    for (Cell& cell : cells_) {
        if (cell.key < 1 || static_cast<std::size_t>(cell.key) > names_.size() || cell.frame->isHidden()) continue;
        if (names_[static_cast<std::size_t>(cell.key - 1)] == name) fillCell(cell, thumbnail);
    }
    startDecodes();
}

void ThumbnailList::placeImage(Cell& cell, const TwipRect& twips) {
    cell.imageTwips = twips;
    cell.image->setGeometry(toPixels(twips));
}

void ThumbnailList::VScroll1_Change(int value) {
    firstShown_ = ThumbnailFirstShown(value);
    ShowThumbnailPage();
}

void ThumbnailList::Image1_DblClick(int index) {
    const int key = cells_.at(static_cast<std::size_t>(index)).key;
    if (key < 1 || static_cast<std::size_t>(key) > names_.size()) return;
    emit pictureRequested(folder_ / names_[static_cast<std::size_t>(key - 1)]);
}

void ThumbnailList::wheelEvent(QWheelEvent* event) {
    // The wheel anywhere over the list moves the grid, as over its scroll bar.
    QApplication::sendEvent(vScroll1_, event);
}

}  // namespace drv

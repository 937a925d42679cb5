#pragma once
// frmJpgAll: the pictures of a folder as a scrollable 4 x 4 grid of thumbnails.
#include <QByteArray>
#include <QCache>
#include <QImage>
#include <QThreadPool>
#include <QWidget>
#include <array>
#include <atomic>
#include <deque>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

#include "core/browse/thumbnail_grid.h"
#include "gui/viewer/picture_view.h"

class QLabel;
class QScrollBar;

namespace drv {

class ThumbnailList : public QWidget {
    Q_OBJECT
public:
    explicit ThumbnailList(QWidget* owner = nullptr);
    ~ThumbnailList() override;  // decodes under way are abandoned, not waited out

    // What a cell shows for a picture that cannot be decoded (the main window's placeholder).
    void setPlaceholder(const QImage& picture) { placeholder_ = picture; }

    // Lists `folder` afresh and shows the first page (OpenFolderList).
    void OpenFolderList(const std::filesystem::path& folder);

    const std::filesystem::path& folder() const { return folder_; }
    // ThumbnailNames: key n (1-based) is names()[n - 1].
    const std::vector<std::filesystem::path>& names() const { return names_; }
    std::size_t totalFound() const { return totalFound_; }
    QScrollBar* scrollBar() const { return vScroll1_; }
    QLabel* folderLabel() const { return lblFolder_; }
    // Visible only when the folder holds more pictures than the list takes.
    QLabel* limitNote() const { return lblLimit_; }

    // One cell of the grid, as a user sees it.
    bool cellShown(int cell) const;
    QString cellLabel(int cell) const;
    PictureView* cellImage(int cell) const { return cells_.at(static_cast<std::size_t>(cell)).image; }
    // Where the picture sits in its cell, in twips, as last placed.
    TwipRect cellImageTwips(int cell) const { return cells_.at(static_cast<std::size_t>(cell)).imageTwips; }
    // Whether the cell shows the placeholder: its picture cannot be decoded.
    bool cellShowsPlaceholder(int cell) const { return cells_.at(static_cast<std::size_t>(cell)).placeholder; }
    // Pictures of the page on screen still waiting for their worker or being decoded.
    int pendingThumbnails() const { return static_cast<int>(queue_.size()) + running_; }

signals:
    // Image1_DblClick: the full path of the picture whose thumbnail was double-clicked.
    void pictureRequested(const std::filesystem::path& file);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Cell {
        QWidget* frame = nullptr;      // Picture1(c)
        PictureView* image = nullptr;  // Image1(c): stretched to its box; a double-click opens it
        QLabel* label = nullptr;       // Label1(c)
        int key = 0;                   // the tag: key of the picture shown, 0 for none yet
        TwipRect imageTwips;
        bool placeholder = false;
    };
    // A decoded thumbnail; a null image for a picture that cannot be decoded.
    struct Thumbnail {
        QImage image;
        QSize naturalSize;
    };

    void ShowThumbnailPage();
    void ShowThumbnail(int key);
    void VScroll1_Change(int value);
    void Image1_DblClick(int index);
    void placeImage(Cell& cell, const TwipRect& twips);
    void fillCell(Cell& cell, const Thumbnail& thumbnail);
    void requestThumbnail(const std::filesystem::path& name);
    void startDecodes();
    void thumbnailDecoded(const std::filesystem::path& name, const Thumbnail& thumbnail);

    std::filesystem::path folder_;
    std::vector<std::filesystem::path> names_;
    std::size_t totalFound_ = 0;
    std::int16_t firstShown_ = 0;
    QLabel* lblFolder_;
    QLabel* lblLimit_;
    QWidget* picture2_;
    QScrollBar* vScroll1_;
    std::array<Cell, kThumbnailCells> cells_;
    QImage placeholder_;

    // Thumbnails are decoded on workers, most recent page first; the window never waits.
    QThreadPool pool_;
    std::shared_ptr<std::atomic<bool>> closing_ = std::make_shared<std::atomic<bool>>(false);
    std::deque<std::filesystem::path> queue_;   // names of the page on screen not yet started
    std::set<std::filesystem::path> decoding_;  // started, result not yet back
    int running_ = 0;
    QCache<QByteArray, Thumbnail> cache_;  // by name, cost in bytes of pixels
};

// Decodes a picture at least at the size of its thumbnail box (times `pixelRatio` on dense
// screens), scaling while decoding. `naturalSize` gets the picture's own size. Null on failure.
// `cancel` abandons the decode when set.
QImage DecodeThumbnail(const std::filesystem::path& file, double pixelRatio, QSize* naturalSize,
                       const std::atomic<bool>* cancel = nullptr);

}  // namespace drv

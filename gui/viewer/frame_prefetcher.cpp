#include "gui/viewer/frame_prefetcher.h"

#include <algorithm>

#include "core/common/file_read.h"
#include "gui/common/picture_file.h"

namespace drv {

QByteArray FileFrameSource::read(const std::filesystem::path& file) const {
    const std::string bytes = ReadRegularFile(file, kMaxPictureFileBytes);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QImage decodeFrame(const FrameSource& source, const std::filesystem::path& file, const std::atomic<bool>* cancel) {
    PictureRequest request;
    request.cancel = cancel;
    return DecodePicture(source.read(file), request).image;
}

FramePrefetcher::FramePrefetcher(std::shared_ptr<const FrameSource> source, Limits limits)
    : source_(std::move(source)), limits_(limits), abandon_(static_cast<std::size_t>(std::max(1, limits.workers))) {
    const int workers = std::max(1, limits_.workers);
    busy_.resize(static_cast<std::size_t>(workers));
    for (int i = 0; i < workers; ++i) workers_.emplace_back([this, i] { run(static_cast<std::size_t>(i)); });
}

FramePrefetcher::~FramePrefetcher() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        dropLocked();
    }
    work_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void FramePrefetcher::setSource(std::shared_ptr<const FrameSource> source) {
    std::lock_guard lock(mutex_);
    source_ = std::move(source);
    dropLocked();
}

std::shared_ptr<const FrameSource> FramePrefetcher::source() const {
    std::lock_guard lock(mutex_);
    return source_;
}

int FramePrefetcher::depth() const {
    std::lock_guard lock(mutex_);
    return limits_.frames;
}

void FramePrefetcher::prefetch(std::vector<FrameKey> next) {
    {
        std::lock_guard lock(mutex_);
        if (next.size() > static_cast<std::size_t>(limits_.frames))
            next.resize(static_cast<std::size_t>(limits_.frames));
        wanted_ = std::move(next);
        std::erase_if(cache_, [this](const Entry& e) {
            if (wanted(e.key)) return false;
            bytes_ -= e.bytes;
            return true;
        });
        queue_.clear();
        for (const FrameKey& key : wanted_) {
            const bool cached = std::any_of(cache_.begin(), cache_.end(), [&](const Entry& e) { return e.key == key; });
            if (!cached && !decoding(key)) queue_.push_back(key);
        }
    }
    work_.notify_all();
}

void FramePrefetcher::cancel() {
    std::lock_guard lock(mutex_);
    dropLocked();
}

QImage FramePrefetcher::picture(const FrameKey& key) {
    std::shared_ptr<const FrameSource> source;
    {
        std::unique_lock lock(mutex_);
        std::erase(queue_, key);
        done_.wait(lock, [&] { return !decoding(key); });
        std::erase(wanted_, key);
        const auto it = std::find_if(cache_.begin(), cache_.end(), [&](const Entry& e) { return e.key == key; });
        if (it != cache_.end()) {
            QImage image = std::move(it->image);
            bytes_ -= it->bytes;
            cache_.erase(it);
            return image;
        }
        source = source_;
    }
    return source ? decodeFrame(*source, key.file) : QImage();
}

void FramePrefetcher::run(std::size_t slot) {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        busy_[slot] = Job{std::move(queue_.front()), generation_};
        queue_.pop_front();
        const std::shared_ptr<const FrameSource> source = source_;
        const FrameKey key = busy_[slot]->key;
        abandon_[slot] = false;
        lock.unlock();
        QImage image = source ? decodeFrame(*source, key.file, &abandon_[slot]) : QImage();
        const auto bytes = static_cast<std::size_t>(std::max<qsizetype>(0, image.sizeInBytes()));
        lock.lock();
        // Kept only if still wished for (in this wish list) and within the limits.
        const bool keep = !image.isNull() && busy_[slot]->generation == generation_ && wanted(key) &&
                          cache_.size() < static_cast<std::size_t>(limits_.frames) && bytes <= limits_.bytes - bytes_;
        busy_[slot].reset();
        if (keep) {
            cache_.push_back(Entry{key, std::move(image), bytes});
            bytes_ += bytes;
        }
        done_.notify_all();
    }
}

bool FramePrefetcher::wanted(const FrameKey& key) const {
    return std::find(wanted_.begin(), wanted_.end(), key) != wanted_.end();
}

bool FramePrefetcher::decoding(const FrameKey& key) const {
    return std::any_of(busy_.begin(), busy_.end(), [&](const std::optional<Job>& job) {
        return job && job->generation == generation_ && job->key == key;
    });
}

void FramePrefetcher::dropLocked() {
    // Decodes under way are of no more use: they stop at their next row or scan.
    for (std::size_t slot = 0; slot < busy_.size(); ++slot)
        if (busy_[slot]) abandon_[slot] = true;
    ++generation_;
    wanted_.clear();
    queue_.clear();
    cache_.clear();
    bytes_ = 0;
}

}  // namespace drv

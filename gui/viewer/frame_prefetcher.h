#pragma once
// Frames decoded ahead of playback on worker threads, so that a recording on slow media (a card
// reader) plays at the pace of one on a local disk. The window asks for the frames the loop will
// show next; the display takes a frame from the cache when it is there and decodes it itself
// otherwise. Only decoded, unmodified pictures are cached: brightening works on a copy.
#include <QByteArray>
#include <QImage>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace drv {

namespace test {
class PrefetcherPeer;
}

// Reads a frame file's bytes; may be called from several threads at once.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Empty when the file is missing or unreadable.
    virtual QByteArray read(const std::filesystem::path& file) const = 0;
};

// Reads through the path's bytes (names need not be UTF-8).
class FileFrameSource : public FrameSource {
public:
    QByteArray read(const std::filesystem::path& file) const override;
};

// The file read and decoded by the bounded picture decoder; a null image when it is missing or
// cannot be decoded. `cancel` abandons the decode when set.
QImage decodeFrame(const FrameSource& source, const std::filesystem::path& file,
                   const std::atomic<bool>* cancel = nullptr);

// A frame of the open recording: its index and its full path, so that a frame of an earlier
// recording never passes for one of this.
struct FrameKey {
    int index = 0;
    std::filesystem::path file;
    bool operator==(const FrameKey& other) const { return index == other.index && file == other.file; }
};

class FramePrefetcher {
public:
    struct Limits {
        int frames = 4;                 // frames kept ahead (0: no prefetching)
        std::size_t bytes = 64u << 20;  // decoded pixels kept at most
        int workers = 2;                // reads overlap: a slow reader's wait is latency
    };

    explicit FramePrefetcher(std::shared_ptr<const FrameSource> source, Limits limits);
    explicit FramePrefetcher(std::shared_ptr<const FrameSource> source)
        : FramePrefetcher(std::move(source), Limits{}) {}
    ~FramePrefetcher();  // waits for reads under way; their results are dropped
    FramePrefetcher(const FramePrefetcher&) = delete;
    FramePrefetcher& operator=(const FramePrefetcher&) = delete;

    // Replaces the source; everything cached or wished for is dropped.
    void setSource(std::shared_ptr<const FrameSource> source);
    std::shared_ptr<const FrameSource> source() const;
    int depth() const;

    // The frames to be shown next, most urgent first (only the first depth() count). Every
    // earlier wish not in the list is dropped with its picture: the position has moved on.
    void prefetch(std::vector<FrameKey> next);
    // Drops all wishes and pictures (playback ended, another recording opened).
    void cancel();

    // The picture of `key`, taken out of the cache; if a worker is decoding it right now, its
    // result is awaited (the frame on screen comes first); otherwise decoded on this thread.
    QImage picture(const FrameKey& key);

private:
    friend class test::PrefetcherPeer;  // looks inside for tests and the benchmark

    struct Job {
        FrameKey key;
        std::uint64_t generation = 0;
    };
    struct Entry {
        FrameKey key;
        QImage image;
        std::size_t bytes = 0;
    };

    void run(std::size_t slot);
    bool wanted(const FrameKey& key) const;
    bool decoding(const FrameKey& key) const;
    void dropLocked();

    mutable std::mutex mutex_;
    std::condition_variable work_;  // a job was queued, or stop
    std::condition_variable done_;  // a worker finished a job
    std::shared_ptr<const FrameSource> source_;
    Limits limits_;
    std::uint64_t generation_ = 0;  // raised by cancel and setSource: results of older jobs are dropped
    std::vector<FrameKey> wanted_;
    std::deque<FrameKey> queue_;
    std::vector<std::optional<Job>> busy_;    // one slot per worker
    std::vector<std::atomic<bool>> abandon_;  // per worker: its decode is no longer wanted
    std::vector<Entry> cache_;
    std::size_t bytes_ = 0;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace drv

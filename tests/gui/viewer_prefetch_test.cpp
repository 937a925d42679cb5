#include <QPushButton>
#include <atomic>
#include <chrono>
#include <thread>

#include "gui/viewer/frame_prefetcher.h"
#include "gui/viewer/picture_view.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

// Counts the reads and holds each one for a while, as a slow card reader would.
class SlowSource : public FrameSource {
public:
    explicit SlowSource(int delayMs = 0) : delayMs_(delayMs) {}
    QByteArray read(const std::filesystem::path& file) const override {
        ++reads;
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
        return FileFrameSource().read(file);
    }
    mutable std::atomic<int> reads{0};
    const int delayMs_;
};

class ViewerPrefetchTest : public test::AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        folder_ = makeRecording("rec", options_);
    }
    FrameKey key(int index) const { return {index, folder_ / SampleFileName(options_, index)}; }
    std::vector<FrameKey> keys(int first, int last) const {
        std::vector<FrameKey> list;
        for (int i = first; i <= last; ++i) list.push_back(key(i));
        return list;
    }
    // Waits until the workers are idle; true when exactly `reads` reads were made.
    static bool settle(const FramePrefetcher& prefetcher, const SlowSource& source, int reads) {
        return test::waitUntil([&] { return !prefetcher.busy(); }, 5000) && source.reads == reads;
    }

    const SampleOptions options_ = quick(12, 14, true);
    std::filesystem::path folder_;
};

TEST_F(ViewerPrefetchTest, BoundedByFramesAndBytes) {
    const std::size_t onePicture = 640u * 480u * 4u;
    // limits, frames read (no more than are kept ahead), frames kept
    const struct { FramePrefetcher::Limits limits; int reads; std::size_t kept; } cases[] = {
        {{2, 64u << 20, 2}, 2, 2}, {{4, onePicture * 3 / 2, 2}, 4, 1}};
    for (const auto& c : cases) {
        auto source = std::make_shared<SlowSource>();
        FramePrefetcher prefetcher(source, c.limits);
        prefetcher.prefetch(keys(1, 6));
        ASSERT_TRUE(settle(prefetcher, *source, c.reads));
        EXPECT_EQ(prefetcher.cachedFrames(), c.kept);
        EXPECT_LE(prefetcher.cachedBytes(), c.limits.bytes);
    }
}

// A jump or a cancel drops what was read for the old position; a frame a worker is reading is
// waited for, not read twice; destruction joins workers in the middle of their reads.
TEST_F(ViewerPrefetchTest, JumpAndCancelDropStaleFramesAndNothingIsReadTwice) {
    auto source = std::make_shared<SlowSource>(120);
    auto prefetcher = std::make_unique<FramePrefetcher>(source);
    prefetcher->prefetch(keys(1, 3));
    ASSERT_TRUE(settle(*prefetcher, *source, 3));
    prefetcher->prefetch(keys(8, 9));
    EXPECT_EQ(prefetcher->cachedFrames(), 0u);
    EXPECT_FALSE(prefetcher->picture(key(8)).isNull());
    ASSERT_TRUE(settle(*prefetcher, *source, 5));
    EXPECT_EQ(prefetcher->picture(key(9)), decodeFrame(FileFrameSource(), key(9).file)) << "taken from the cache";
    EXPECT_EQ(source->reads, 5);
    prefetcher->prefetch(keys(1, 4));
    ASSERT_TRUE(test::waitUntil([&] { return source->reads >= 7; }, 5000));
    prefetcher->cancel();
    ASSERT_TRUE(settle(*prefetcher, *source, 7));
    EXPECT_EQ(prefetcher->cachedFrames(), 0u) << "results of cancelled reads are dropped";
    prefetcher->prefetch(keys(5, 8));
    ASSERT_TRUE(test::waitUntil([&] { return source->reads >= 9; }, 5000));
    prefetcher.reset();
}

// Played at x2.0 through the cache on a slow reader: the frame on screen is its file brightened
// once; closing the window while it plays ends the workers.
TEST_F(ViewerPrefetchTest, WindowPlaysFromTheCacheAndBrightensOnce) {
    auto source = std::make_shared<SlowSource>(30);
    w().prefetcher().setSource(source);
    openThroughDialog(folder_);
    w().mnuHi20_Click();
    w().cmdPlay(2)->click();
    ASSERT_TRUE(test::waitUntil([this] { return !w().playback().isActive(); }, 10000));
    EXPECT_GE(w().prefetcher().hits(), 6);
    EXPECT_EQ(w().prefetcher().cachedFrames(), 0u) << "dropped when playback ends";
    EXPECT_EQ(w().image1()->image(), expectedPicture(12, BrightnessMode::X20));
    w().setSpeedLevel(4);
    w().cmdPlay(2)->click();
    ASSERT_TRUE(test::waitUntil([this] { return w().recording().LastShownFrame >= 3; }, 5000));
    w().close();
    EXPECT_FALSE(w().playback().isActive());
    window_.reset();
}

}  // namespace
}  // namespace drv
